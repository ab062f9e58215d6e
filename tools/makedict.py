#!/usr/bin/env python3
"""Builds the input method's two compiled-in dictionaries as C++ source.

Inputs are two tab-separated dictionaries (text, code, weight per row, after a
YAML header that ends with a line "..."):

  --wubi    wubi86.dict.yaml from the Debian package rime-data-wubi
  --pinyin  pinyin_simp.dict.yaml from the Debian package rime-data-pinyin-simp

Outputs (see ime/inpywb.h and ime/inputchi.h for the table layouts):

  <out>/inpywb.cpp    every GB2312 hanzi, one row per pinyin reading, with its
                      full wubi code
  <out>/inputchi.cpp  single characters and words with their wubi codes, and
                      the words' order as suggestions, most frequent first

tools/regenerate-dict.sh fetches the packages and runs this script; the output
depends only on the two input files, so the same inputs give the same bytes.
Standard library only.
"""

import argparse
import os
import re
import sys
from fractions import Fraction

# Characters of GB2312 that the pinyin data has no reading for (radicals and
# one rare character). Their usual dictionary readings; used only where the
# pinyin data gives none, with weight 0 so they come last under their pinyin.
FILL_READINGS = {
    "匚": "fang", "冫": "bing", "冖": "mi", "阝": "fu", "凵": "kan",
    "廾": "gong", "擗": "pi", "辶": "chuo", "屮": "che", "肀": "yu",
    "钅": "jin", "疒": "ne", "衤": "yi", "虍": "hu",
}

# A reading is kept when its weight is at least this share of the
# character's main reading (1 in MINOR_READING_DIVISOR).
MINOR_READING_DIVISOR = 100

MAX_WORD_CHARS = 9          # longest phrase entry, in characters
MAX_PINYIN_LETTERS = 6      # a code slot keeps bytes 6 and 7 zero
MAX_WUBI_LETTERS = 4

WUBI_CODE = re.compile(r"[a-y]{1,%d}" % MAX_WUBI_LETTERS)
PINYIN_CODE = re.compile(r"[a-z]{1,%d}" % MAX_PINYIN_LETTERS)


class DictError(Exception):
    """The input data cannot be turned into valid tables."""


# ---------------------------------------------------------------- encodings

def gb2312(text):
    """The GB2312 bytes of text, or None unless every character of it is a
    two-byte GB2312 character (both bytes 0xA1 or above)."""
    try:
        data = text.encode("gb2312")
    except UnicodeEncodeError:
        return None
    if len(data) != 2 * len(text) or any(b < 0xA1 for b in data):
        return None
    return data


def is_hanzi(text):
    """True when text is non-empty and made only of GB2312 Chinese
    characters (lead bytes 0xB0 to 0xF7)."""
    data = gb2312(text)
    return bool(data) and all(0xB0 <= data[i] <= 0xF7 for i in range(0, len(data), 2))


def code_value(code):
    """A code's slot read as a little-endian 64-bit number: first letter in
    the lowest byte, so shorter codes sort before longer ones."""
    raw = code.encode("ascii")
    if len(raw) > MAX_PINYIN_LETTERS:
        raise DictError("code too long for a slot: %r" % code)
    return int.from_bytes(raw.ljust(8, b"\0"), "little")


def pinyin_code(raw):
    """The stored form of a toneless pinyin syllable: lower case, with u
    for the u-umlaut, which the source data writes as v."""
    code = raw.strip().lower().replace("ü", "u").replace("v", "u")
    if not PINYIN_CODE.fullmatch(code):
        raise DictError("not a pinyin syllable: %r" % raw)
    return code


def word_code(full_codes):
    """The wubi code of a word from the full codes of its characters: two
    characters take two letters each; three take one, one and two; four or
    more take the first letter of the first three and of the last."""
    n = len(full_codes)
    if n < 2:
        raise DictError("a word has at least two characters")
    if n == 2:
        parts = [full_codes[0][:2], full_codes[1][:2]]
    elif n == 3:
        parts = [full_codes[0][:1], full_codes[1][:1], full_codes[2][:2]]
    else:
        parts = [c[:1] for c in (full_codes[0], full_codes[1], full_codes[2], full_codes[-1])]
    code = "".join(parts)
    if len(code) != 4:
        raise DictError("character code too short for a word: %r" % (full_codes,))
    return code


# ---------------------------------------------------------------- reading

def parse_weight(field, where):
    try:
        return Fraction(field) if field else Fraction(0)
    except (ValueError, ZeroDivisionError):
        raise DictError("%s: bad weight %r" % (where, field)) from None


def read_table(path):
    """Reads a dictionary file. Returns (meta, rows): meta holds the header's
    name and version, rows are (text, code, weight) of the enabled rows in
    file order. Rows starting with '#' are disabled and skipped."""
    meta = {"name": os.path.basename(path), "version": "?"}
    columns = ["text", "code", "weight"]
    rows = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    if "..." not in lines:
        raise DictError("%s: no end of header ('...')" % path)
    end = lines.index("...")
    header_columns = []
    in_columns = False
    for line in lines[:end]:
        if line.startswith("#"):
            continue
        m = re.match(r"(\w+):\s*(.*)$", line)
        if m:
            in_columns = m.group(1) == "columns"
            if m.group(1) in ("name", "version"):
                meta[m.group(1)] = m.group(2).strip().strip('"')
            continue
        m = re.match(r"\s+-\s+(\w+)\s*$", line)
        if in_columns and m:
            header_columns.append(m.group(1))
    if header_columns:
        columns = header_columns
    for need in ("text", "code"):
        if need not in columns:
            raise DictError("%s: no %s column" % (path, need))
    ti, ci = columns.index("text"), columns.index("code")
    wi = columns.index("weight") if "weight" in columns else None
    for number, line in enumerate(lines[end + 1:], end + 2):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) <= max(ti, ci):
            raise DictError("%s:%d: too few columns" % (path, number))
        weight_field = fields[wi] if wi is not None and wi < len(fields) else ""
        rows.append((fields[ti], fields[ci], parse_weight(weight_field, "%s:%d" % (path, number))))
    return meta, rows


# ---------------------------------------------------------------- building

def wubi_rows(rows):
    """The rows that carry wubi codes: codes of letters a to y; codes
    starting with z are a lookup key of another kind and are left out."""
    return [r for r in rows if WUBI_CODE.fullmatch(r[1])]


def full_codes(rows):
    """The full code of each GB2312 hanzi: the longest of its codes (the
    others are short codes). Two different longest codes are an error."""
    best = {}
    for text, code, _ in rows:
        if len(text) != 1 or not is_hanzi(text):
            continue
        old = best.get(text)
        if old is None or len(code) > len(old):
            best[text] = code
        elif len(code) == len(old) and code != old:
            raise DictError("two full codes for %s: %s and %s" % (text, old, code))
    return best


def readings(rows):
    """The pinyin readings of each GB2312 hanzi with their weights: spellings
    that become equal (lv and lu) are merged by adding their weights, and
    readings below 1/MINOR_READING_DIVISOR of the main one are dropped."""
    found = {}
    for text, raw, weight in rows:
        if len(text) != 1 or not is_hanzi(text):
            continue
        code = pinyin_code(raw)
        per_char = found.setdefault(text, {})
        per_char[code] = per_char.get(code, Fraction(0)) + weight
    for ch, code in FILL_READINGS.items():
        if ch not in found:
            found[ch] = {code: Fraction(0)}
    kept = {}
    for ch, per_char in found.items():
        main = max(per_char.values())
        kept[ch] = {c: w for c, w in per_char.items() if w * MINOR_READING_DIVISOR >= main}
    return kept


def all_gb2312_hanzi():
    out = []
    for lead in range(0xB0, 0xF8):
        for trail in range(0xA1, 0xFF):
            try:
                out.append(bytes([lead, trail]).decode("gb2312"))
            except UnicodeDecodeError:
                pass
    return out


def build_chars(wubi_full, pinyin_readings, charset):
    """The character dictionary. Returns (hanzi, py, pyindex, wb, wbindex):
    hanzi[k] is (character, pinyin) of character index k, sorted by pinyin,
    then by falling weight, then by GB2312 bytes; py and wb are the codes
    sorted by code value with equal codes in character index order, and the
    index lists give the character index of each of their rows."""
    missing = [c for c in charset if c not in wubi_full or not pinyin_readings.get(c)]
    if missing:
        raise DictError("no wubi code or pinyin for: " + "".join(missing))
    rows = []
    for ch in charset:
        for code, weight in pinyin_readings[ch].items():
            rows.append((code, -weight, gb2312(ch), ch))
    rows.sort()
    hanzi = [(r[3], r[0]) for r in rows]
    pyorder = sorted(range(len(hanzi)), key=lambda k: (code_value(hanzi[k][1]), k))
    wborder = sorted(range(len(hanzi)), key=lambda k: (code_value(wubi_full[hanzi[k][0]]), k))
    py = [hanzi[k][1] for k in pyorder]
    wb = [wubi_full[hanzi[k][0]] for k in wborder]
    return hanzi, py, pyorder, wb, wborder


def build_phrases(rows, wubi_full):
    """The phrase dictionary: (text, code) entries. Single characters keep
    the codes the data gives them; a word's code is worked out again from
    its characters' full codes. Sorted by the first three code letters,
    then by falling weight, then by GB2312 bytes; a repeated (text, code)
    keeps its highest weight."""
    best = {}
    for text, code, weight in rows:
        if not 1 <= len(text) <= MAX_WORD_CHARS or not is_hanzi(text):
            continue
        if len(text) > 1:
            if any(c not in wubi_full for c in text):
                raise DictError("no full wubi code for a character of " + text)
            code = word_code([wubi_full[c] for c in text])
        key = (text, code)
        if key not in best or weight > best[key]:
            best[key] = weight
    entries = sorted(best.items(), key=lambda kv: (kv[0][1][:3], -kv[1], gb2312(kv[0][0]), kv[0][1]))
    return [key for key, _ in entries]


def word_weights(rows):
    """The weight of each word of two or more characters in the pinyin word
    list: the sum over its rows, one row per reading."""
    weights = {}
    for text, _, weight in rows:
        if len(text) >= 2:
            weights[text] = weights.get(text, Fraction(0)) + weight
    return weights


HANZI_LEADS = range(0xB0, 0xF8)
HANZI_TRAILS = range(0xA1, 0xFF)
HANZI_SLOTS = len(HANZI_LEADS) * len(HANZI_TRAILS)


def hanzi_slot(data):
    """The place of a GB2312 hanzi, given as its two bytes, among all the
    lead and trail bytes of the hanzi rows."""
    return (data[0] - HANZI_LEADS[0]) * len(HANZI_TRAILS) + data[1] - HANZI_TRAILS[0]


def build_suggestions(entries, weights):
    """The phrase suggestions: the entries of two or more characters, each
    text once (its first entry), most frequent first by the pinyin word
    list's weight (a word it lacks weighs 0), equal weights in entry order.
    Returns (order, start, bychar): order lists the entries so; for the
    hanzi in slot s, bychar[start[s]:start[s + 1]] are the positions in
    order of the phrases that start with it, ascending."""
    first_entry = {}
    for p, (text, _) in enumerate(entries):
        if len(text) >= 2 and text not in first_entry:
            first_entry[text] = p
    order = sorted(first_entry.values(), key=lambda p: (-weights.get(entries[p][0], 0), p))
    lists = [[] for _ in range(HANZI_SLOTS)]
    for rank, p in enumerate(order):
        lists[hanzi_slot(gb2312(entries[p][0][0]))].append(rank)
    start, bychar = [0], []
    for ranks in lists:
        bychar.extend(ranks)
        start.append(len(bychar))
    return order, start, bychar


# ---------------------------------------------------------------- writing

# The generated tables keep their own layout under a code formatter.
FORMAT_OFF = "// clang-format off\n"


def source_note(wubi_meta, pinyin_meta, which):
    lines = ["// Generated by tools/makedict.py; do not edit. Sources and licences:",
             "// data/SOURCES.md."]
    if "wubi" in which:
        lines.append("// Wubi codes and words: %s %s (rime-data-wubi), LGPL-3.0;"
                     % (wubi_meta["name"], wubi_meta["version"]))
        lines.append("// word codes recomputed from the characters' full codes.")
    if "frequency" in which:
        lines.append("// Phrase frequencies: word weights of %s %s (rime-data-pinyin-simp),"
                     % (pinyin_meta["name"], pinyin_meta["version"]))
        lines.append("// Apache-2.0.")
    if "pinyin" in which:
        lines.append("// Pinyin readings: %s %s (rime-data-pinyin-simp), Apache-2.0;"
                     % (pinyin_meta["name"], pinyin_meta["version"]))
        lines.append("// reduced to GB2312, u for u-umlaut, minor readings dropped.")
    return "\n".join(lines) + "\n"


def wrap(items, per_line, indent=""):
    return "\n".join(indent + ",".join(items[i:i + per_line]) + ","
                     for i in range(0, len(items), per_line))


def slot_literals(codes, per_line):
    return wrap(['"%s"' % c for c in codes], per_line)


def emit_chars(hanzi, py, pyindex, wb, wbindex, note):
    n = len(hanzi)
    out = [note, FORMAT_OFF, '#include "ime/inpywb.h"\n\n']
    out.append("const int zhiinputsize = %d;\n\n" % n)
    out.append("const unsigned char keyinputhanzhi[%d][2] = {\n" % n)
    per = 12
    for i in range(0, n, per):
        part = hanzi[i:i + per]
        cells = ",".join("{%d,%d}" % tuple(gb2312(ch)) for ch, _ in part)
        out.append("%s, // %s\n" % (cells, " ".join(ch + code for ch, code in part)))
    out.append("};\n\n")
    out.append("const unsigned char keyinputpy[%d][8] = {\n%s\n};\n\n" % (n, slot_literals(py, 16)))
    out.append("const int keyinputpyindex[%d] = {\n%s\n};\n\n" % (n, wrap([str(k) for k in pyindex], 20)))
    out.append("const unsigned char keyinputwb[%d][8] = {\n%s\n};\n\n" % (n, slot_literals(wb, 16)))
    out.append("const int keyinputwbindex[%d] = {\n%s\n};\n" % (n, wrap([str(k) for k in wbindex], 20)))
    return "".join(out)


def emit_suggestions(order, start, bychar):
    n = len(order)
    out = ["\n// Phrase suggestions, most frequent first.\n"]
    out.append("const int inputhzfreqnumber = %d;\n\n" % n)
    out.append("const int inputhzfreqorder[%d] = {\n%s\n};\n\n" % (n, wrap([str(p) for p in order], 16)))
    out.append("const int inputhzfreqstart[%d] = {\n%s\n};\n\n" % (len(start), wrap([str(v) for v in start], 16)))
    out.append("const int inputhzfreqbychar[%d] = {\n%s\n};\n" % (n, wrap([str(r) for r in bychar], 16)))
    return "".join(out)


def emit_phrases(entries, note):
    n = len(entries)
    offsets = [0]
    for text, _ in entries:
        offsets.append(offsets[-1] + 2 * len(text))
    size = offsets[-1]
    out = [note, FORMAT_OFF, '#include "ime/inputchi.h"\n\n']
    out.append("const int inputhzchinumber = %d;\n" % n)
    out.append("const int inputchibufnumber = %d;\n\n" % (size // 2))
    out.append("const unsigned char inputhanchibyte[%d] = {\n" % size)
    # Whole entries per line, at most about 32 bytes, with their text beside.
    line, texts = [], []
    for text, _ in entries:
        if line and len(line) + 2 * len(text) > 32:
            out.append("%s, // %s\n" % (",".join(line), " ".join(texts)))
            line, texts = [], []
        line.extend(str(b) for b in gb2312(text))
        texts.append(text)
    if line:
        out.append("%s, // %s\n" % (",".join(line), " ".join(texts)))
    out.append("};\n\n")
    out.append("const unsigned char* const inputhzchi = inputhanchibyte;\n\n")
    out.append("const int inputhzchiindex[%d] = {\n%s\n};\n\n" % (n + 1, wrap([str(o) for o in offsets], 16)))
    out.append("const unsigned char inputhzchiwb[%d][8] = {\n%s\n};\n"
               % (n, slot_literals([code for _, code in entries], 16)))
    return "".join(out)


def write_if_changed(path, text):
    data = text.encode("utf-8")
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except FileNotFoundError:
        pass
    with open(path, "wb") as f:
        f.write(data)
    return True


def generate(wubi_path, pinyin_path):
    """Returns {file name: C++ source} for the two data units."""
    wubi_meta, wubi_all = read_table(wubi_path)
    pinyin_meta, pinyin_all = read_table(pinyin_path)
    wubi = wubi_rows(wubi_all)
    wubi_full = full_codes(wubi)
    hanzi, py, pyindex, wb, wbindex = build_chars(wubi_full, readings(pinyin_all), all_gb2312_hanzi())
    entries = build_phrases(wubi, wubi_full)
    order, start, bychar = build_suggestions(entries, word_weights(pinyin_all))
    return {
        "inpywb.cpp": emit_chars(hanzi, py, pyindex, wb, wbindex,
                                 source_note(wubi_meta, pinyin_meta, ("wubi", "pinyin"))),
        "inputchi.cpp": emit_phrases(entries, source_note(wubi_meta, pinyin_meta, ("wubi", "frequency")))
                        + emit_suggestions(order, start, bychar),
    }


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--wubi", required=True, help="wubi86.dict.yaml")
    parser.add_argument("--pinyin", required=True, help="pinyin_simp.dict.yaml")
    parser.add_argument("--out", default=os.path.join(here, "..", "ime"),
                        help="folder for inpywb.cpp and inputchi.cpp (default: ime/)")
    args = parser.parse_args(argv)
    try:
        files = generate(args.wubi, args.pinyin)
    except (DictError, OSError) as e:
        print("makedict: %s" % e, file=sys.stderr)
        return 1
    for name, text in sorted(files.items()):
        path = os.path.join(args.out, name)
        changed = write_if_changed(path, text)
        print("%s %s" % ("wrote" if changed else "unchanged", os.path.normpath(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
