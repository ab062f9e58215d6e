#!/usr/bin/env python3
"""Builds the editor's compiled-in stroke font, font/ku500.cpp.

The font is a table of 16-bit character codes and one stream of stroke
points, glyph after glyph in the order of the codes.  A point takes two
bytes: x*2 + end-of-stroke and y*2 + end-of-glyph, with x and y on a
128 x 128 grid (y down).  The last point of every glyph carries both bits;
a glyph with nothing to draw is that one final point.  ASCII glyphs keep x
within 0..63, the left half of a cell.

The first 7544 glyphs are ASCII and GB2312; after them come the further GBK
hanzi (both bytes 0x80 or above) that the hanzi source has, so adding them
moved no glyph of the GB2312 font.

Sources:
  --hanzi DIR    the unpacked npm package hanzi-writer-data (one JSON file
                 per character; the stroke centre lines, "medians", are used)
  --hershey DIR  the .jhf files of the Debian package hershey-fonts-data
The rest (box drawing, brackets, geometric shapes, composed numerals and
pinyin letters) is generated here, and what no source has is drawn by hand
in fontextra.py.

Usage: python3 tools/makefont.py --hanzi DIR --hershey DIR -o font/ku500.cpp
The output depends on nothing but the inputs: running it twice gives the
same bytes.
"""

import argparse
import json
import math
import os
import sys

from fontshapes import (GRID, HALF, dist, point_line_distance, simplify,
                        turn_angle, Hershey, Shapes)

# The day the conversion below last changed; printed in the generated file.
CONVERSION_DATE = "2026-12-07"

HANZI_PACKAGE = "hanzi-writer-data 2.0.1 (npm)"
HERSHEY_PACKAGE = "hershey-fonts-data 0.1-1.1 (Debian)"


# ---------------------------------------------------------------------------
# The code set

EXTRA_ROWS = ((0xA2, 72), (0xA4, 83), (0xA5, 86), (0xA6, 48), (0xA7, 66),
              (0xA8, 63), (0xA9, 76))
# bytes F8 A0, F8 A1 and F8 A2 of the user-defined row F8: no glyph of their own
USER_CODES = (0xA0F8, 0xA1F8, 0xA2F8)
NUMBER_OF_CODES = 7544     # the GB2312 font, which every added glyph follows

# Unicode blocks of the ideographs that GBK encodes (unified, extension A and
# compatibility); anything else beyond GB2312 is a symbol or user-defined.
IDEOGRAPH_BLOCKS = ((0x3400, 0x4DBF), (0x4E00, 0x9FFF), (0xF900, 0xFAFF))


def code_of(lead, trail):
    """A two-byte character's code: the bytes read as little-endian."""
    return lead + (trail << 8)


def bytes_of(code):
    if code < 0x80:
        return bytes([code])
    return bytes([code & 0xFF, code >> 8])


def char_of(code):
    """The Unicode character of a code, or None when GB2312 has none."""
    try:
        return bytes_of(code).decode("gb2312")
    except UnicodeDecodeError:
        return None


def gbk_char_of(code):
    """The Unicode character of a two-byte GBK code, or None."""
    try:
        ch = bytes_of(code).decode("gbk")
    except UnicodeDecodeError:
        return None
    return ch if len(ch) == 1 else None


def is_ideograph(ch):
    return any(lo <= ord(ch) <= hi for lo, hi in IDEOGRAPH_BLOCKS)


def valid_trails(lead):
    return [t for t in range(0xA1, 0xFF)
            if char_of(code_of(lead, t)) is not None]


def codeset():
    """All codes of the font in glyph order."""
    codes = list(range(0x20, 0x7F))
    codes += [code_of(0xA3, t) for t in range(0xA0, 0x100)]
    codes += [code_of(0xA1, t) for t in range(0xA2, 0xFF)]
    for lead in range(0xB0, 0xF8):
        last = 0xF9 if lead == 0xD7 else 0xFE
        codes += [code_of(lead, t) for t in range(0xA1, last + 1)]
    for lead, count in EXTRA_ROWS:
        trails = valid_trails(lead)
        if len(trails) != count:
            raise ValueError("row %02X has %d codes, expected %d"
                             % (lead, len(trails), count))
        codes += [code_of(lead, t) for t in trails]
    codes += list(USER_CODES)
    if len(codes) != NUMBER_OF_CODES or len(set(codes)) != len(codes):
        raise ValueError("code set has %d codes" % len(codes))
    return codes


def added_hanzi(has_hanzi):
    """The further GBK hanzi, both bytes 0x80 or above, that the hanzi
    source has (has_hanzi(ch)) and the GB2312 font lacks, in GBK order: lead
    byte, then trail byte.  They follow the GB2312 glyphs, so those keep
    their bytes and places."""
    held = set(codeset())
    codes = []
    for lead in range(0x81, 0xFF):
        for trail in range(0x80, 0xFF):
            code = code_of(lead, trail)
            ch = gbk_char_of(code)
            if (ch is not None and code not in held and is_ideograph(ch)
                    and has_hanzi(ch)):
                codes.append(code)
    return codes


# ---------------------------------------------------------------------------
# Finishing a glyph: quantise to the grid and check the box.

def finish(strokes, width=GRID):
    """Rounds a glyph to integer grid points within 0..width-1 x 0..127,
    drops repeated points and turns a stroke shrunk to one point into a
    tiny segment, so that every stroke draws."""
    out = []
    for s in strokes:
        pts = []
        for x, y in s:
            p = (min(width - 1, max(0, int(math.floor(x + 0.5)))),
                 min(GRID - 1, max(0, int(math.floor(y + 0.5)))))
            if not pts or pts[-1] != p:
                pts.append(p)
        if not pts:
            continue
        if len(pts) == 1:
            x, y = pts[0]
            pts.append((x + 1 if x + 1 < width else x - 1, y))
        # a point lying on the straight line between its neighbours adds nothing
        i = 1
        while i < len(pts) - 1:
            a, b, c = pts[i - 1], pts[i], pts[i + 1]
            cross = (b[0] - a[0]) * (c[1] - b[1]) - (b[1] - a[1]) * (c[0] - b[0])
            dot = (b[0] - a[0]) * (c[0] - b[0]) + (b[1] - a[1]) * (c[1] - b[1])
            if cross == 0 and dot > 0:
                del pts[i]
            else:
                i += 1
        out.append(pts)
    return out


# ---------------------------------------------------------------------------
# Hanzi from the stroke centre lines of hanzi-writer-data

HANZI_MARGIN = 4.0
HANZI_SCALE = 120.0 / 1024.0
HANZI_TOP = 900           # the data's em box runs y -124..900, y up
ENTRY_FLICK = 12.0        # grid units: a shorter first segment may be a flick
EXIT_FLICK = 6.0          # and so may a shorter last one
FLICK_ANGLE = 30.0        # ...when the stroke turns at least this much after it
SIMPLIFY_TOLERANCE = 1.6  # grid units
SNAP_ANGLE = 15.0         # degrees off horizontal/vertical that get snapped
RUN_TOLERANCE = 3.5       # how far a nearly straight run may bow and still merge
CORNER_LENGTH = 6.0       # a shorter segment between two turns is a bevel


def stroke_length(points):
    return sum(dist(a, b) for a, b in zip(points, points[1:]))


def hanzi_point(p):
    return (HANZI_MARGIN + p[0] * HANZI_SCALE,
            HANZI_MARGIN + (HANZI_TOP - p[1]) * HANZI_SCALE)


def trim_flicks(points):
    """Removes the short hooks that the pen makes entering or leaving a
    stroke.  A flick turns away from the stroke's next segment and is much
    shorter than the rest of the stroke; a real hook is longer and stays,
    and so does either end of a dot."""
    pts = list(points)
    while (len(pts) >= 3 and dist(pts[0], pts[1]) < ENTRY_FLICK
           and turn_angle(pts[0], pts[1], pts[2]) >= FLICK_ANGLE
           and stroke_length(pts[1:]) >= 3 * dist(pts[0], pts[1])):
        del pts[0]
    while (len(pts) >= 3 and dist(pts[-1], pts[-2]) < EXIT_FLICK
           and turn_angle(pts[-3], pts[-2], pts[-1]) >= FLICK_ANGLE
           and stroke_length(pts[:-1]) >= 3 * dist(pts[-1], pts[-2])):
        del pts[-1]
    return pts


def axis_of(a, b, angle=SNAP_ANGLE):
    """'h' or 'v' when the segment a-b is within angle of that axis."""
    dx, dy = abs(b[0] - a[0]), abs(b[1] - a[1])
    limit = math.tan(math.radians(angle))
    if dx > 0 and dy <= dx * limit:
        return "h"
    if dy > 0 and dx <= dy * limit:
        return "v"
    return None


def straighten_runs(points):
    """Merges a run of points that stays close to one nearly horizontal or
    vertical chord into that chord, so that a slightly bowed stroke becomes
    one line rather than a line with a kink at its end."""
    pts = list(points)
    out = [pts[0]] if pts else []
    i = 0
    while i < len(pts) - 1:
        j = i + 1
        axis = axis_of(pts[i], pts[j])
        while axis and j + 1 < len(pts):
            k = j + 1
            if axis_of(pts[i], pts[k]) != axis:
                break
            if any(point_line_distance(pts[m], pts[i], pts[k]) > RUN_TOLERANCE
                   for m in range(i + 1, k)):
                break
            j = k
        out.append(pts[j])
        i = j
    return out


def line_intersection(a, b, c, d):
    """Where the line a-b meets the line c-d, or None if parallel."""
    r = (b[0] - a[0], b[1] - a[1])
    s = (d[0] - c[0], d[1] - c[1])
    den = r[0] * s[1] - r[1] * s[0]
    if abs(den) < 1e-9:
        return None
    t = ((c[0] - a[0]) * s[1] - (c[1] - a[1]) * s[0]) / den
    return (a[0] + t * r[0], a[1] + t * r[1])


def sharpen_corners(points):
    """Replaces a short bevel between two longer segments by the point where
    those segments meet, as in the corner of a horizontal-then-down stroke."""
    pts = list(points)
    i = 1
    while i + 2 < len(pts):
        a, b, c, d = pts[i - 1], pts[i], pts[i + 1], pts[i + 2]
        bevel = dist(b, c)
        if (bevel < CORNER_LENGTH and dist(a, b) > bevel
                and dist(c, d) > bevel):
            x = line_intersection(a, b, c, d)
            if (x is not None and dist(x, b) < CORNER_LENGTH
                    and dist(x, c) < CORNER_LENGTH):
                pts[i:i + 2] = [x]
                continue
        i += 1
    return pts


def snap(points, angle=SNAP_ANGLE):
    """Makes nearly horizontal and nearly vertical segments exact: both
    ends move to their mean coordinate."""
    pts = [list(p) for p in points]
    for i in range(len(pts) - 1):
        a, b = pts[i], pts[i + 1]
        axis = axis_of(a, b, angle)
        if axis == "h":
            a[1] = b[1] = (a[1] + b[1]) / 2.0
        elif axis == "v":
            a[0] = b[0] = (a[0] + b[0]) / 2.0
    return [tuple(p) for p in pts]


def hanzi_strokes(medians):
    """The glyph of one character from its list of stroke centre lines."""
    strokes = []
    for median in medians:
        pts = [hanzi_point(p) for p in median]
        pts = trim_flicks(simplify(pts, SIMPLIFY_TOLERANCE))
        pts = straighten_runs(pts)
        pts = sharpen_corners(pts)
        pts = snap(pts)
        strokes.append(pts)
    return strokes


def hanzi_path(directory, ch):
    return os.path.join(directory, ch + ".json")


def load_hanzi(directory, ch):
    with open(hanzi_path(directory, ch), encoding="utf-8") as f:
        data = json.load(f)
    return hanzi_strokes(data["medians"])


# ---------------------------------------------------------------------------
# Output

def encode_glyph(strokes):
    """The bytes of one glyph: every stroke of two points or more, the
    stroke's last point with the end-of-stroke bit, the glyph's last point
    with both bits.  Nothing to draw gives the lone final point (0, 0)."""
    strokes = [s for s in strokes if len(s) >= 2]
    if not strokes:
        return bytes([1, 1])
    out = bytearray()
    for si, s in enumerate(strokes):
        for pi, (x, y) in enumerate(s):
            if not (0 <= x < GRID and 0 <= y < GRID):
                raise ValueError("point (%d, %d) outside the grid" % (x, y))
            end_stroke = pi == len(s) - 1
            end_glyph = end_stroke and si == len(strokes) - 1
            out.append(x * 2 + (1 if end_stroke else 0))
            out.append(y * 2 + (1 if end_glyph else 0))
    return bytes(out)


def decode_stream(data):
    """The glyphs of a stroke stream as lists of strokes (for checks)."""
    glyphs, strokes, current = [], [], []
    for i in range(0, len(data) - 1, 2):
        x, y = data[i] >> 1, data[i + 1] >> 1
        end_stroke, end_glyph = data[i] & 1, data[i + 1] & 1
        current.append((x, y))
        if end_stroke or end_glyph:
            if len(current) >= 2:
                strokes.append(current)
            current = []
        if end_glyph:
            glyphs.append(strokes)
            strokes = []
    return glyphs


def c_string_lines(data, width=100):
    """The bytes as C++ string literal lines: printable characters as they
    are, everything else as three-digit octal escapes."""
    lines, line = [], []
    length = 0
    for b in data:
        if 0x20 <= b < 0x7F and b not in (0x22, 0x5C, 0x3F):
            piece = chr(b)
        else:
            piece = "\\%03o" % b
        line.append(piece)
        length += len(piece)
        if length >= width:
            lines.append('"' + "".join(line) + '"')
            line, length = [], 0
    if line:
        lines.append('"' + "".join(line) + '"')
    return lines


HEADER = """\
// GENERATED FILE - do not edit.  Made by tools/makefont.py; to rebuild it
// run tools/regenerate-font.sh (data/SOURCES.md tells the sources).
//
// The compiled-in stroke font: %(glyphs)d glyphs, %(points)d points.
//
// The hanzi glyphs (rows B0-F7, and the further GBK hanzi that follow the
// GB2312 glyphs) are derived from the stroke centre lines ("medians") of
// the package %(hanzi)s, which
// is under the Arphic Public License (data/ARPHICPL.TXT).  They were
// changed on %(date)s by tools/makefont.py: moved from the 1024-unit em
// to the 128-unit grid, the short entry and exit flicks of the strokes cut
// off, every stroke simplified to fewer points and nearly horizontal and
// vertical segments made exact.  These glyphs stay under the Arphic Public
// License.
//
// The Latin, Greek and kana glyphs and some symbols are converted from the
// Hershey fonts of the package %(hershey)s.
// The Hershey Fonts were originally created by Dr. A. V. Hershey while
// working at the U. S. National Bureau of Standards.  The format of the Font
// data in that distribution was originally created by James Hurt, Cognition,
// Inc., 900 Technology Park Drive, Billerica, MA 01821.
//
// Format: 2 bytes a point, x*2 + end-of-stroke and y*2 + end-of-glyph on a
// 128 x 128 grid; zzhi[i] is the code (lead byte + trail byte * 256) of the
// i-th glyph.
// clang-format off
#include "font/ku500.h"

"""


def write_cpp(path, codes, stream, points):
    out = [HEADER % {"glyphs": len(codes), "points": points,
                     "hanzi": HANZI_PACKAGE, "hershey": HERSHEY_PACKAGE,
                     "date": CONVERSION_DATE}]
    out.append("const unsigned char ttu[%d] =\n" % (len(stream) + 1))
    out.append("\n".join(c_string_lines(stream)))
    out.append(";\n")
    out.append("const int ttunumber = %d;\n\n" % len(stream))
    out.append("const unsigned short zzhi[%d] = {\n" % len(codes))
    for i in range(0, len(codes), 12):
        out.append(",".join("0x%04X" % c for c in codes[i:i + 12]) + ",\n")
    out.append("};\n")
    out.append("const int zzhinumber = %d;\n" % len(codes))
    text = "".join(out)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


# ---------------------------------------------------------------------------

def build_font(hanzi_dir, hershey_dir, report=None):
    """Returns (codes, stroke stream bytes, number of points)."""
    shapes = Shapes(Hershey(hershey_dir), lambda ch: load_hanzi(hanzi_dir, ch))
    added = added_hanzi(lambda ch: os.path.isfile(hanzi_path(hanzi_dir, ch)))
    codes = codeset() + added
    added = set(added)
    stream = bytearray()
    points = 0
    for code in codes:
        if code < 0x80:
            strokes = finish(shapes.ascii(chr(code)), HALF)
        elif code in added:
            strokes = finish(load_hanzi(hanzi_dir, gbk_char_of(code)))
        else:
            ch = char_of(code)
            strokes = []
            if ch is not None:
                lead = code & 0xFF
                if 0xB0 <= lead <= 0xF7:
                    strokes = load_hanzi(hanzi_dir, ch)
                else:
                    strokes = shapes.symbol(ch)
                strokes = finish(strokes)
        data = encode_glyph(strokes)
        stream += data
        points += len(data) // 2
        if report is not None:
            report(code, strokes)
    return codes, bytes(stream), points


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--hanzi", required=True,
                        help="unpacked hanzi-writer-data package")
    parser.add_argument("--hershey", required=True,
                        help="folder of the Hershey .jhf files")
    parser.add_argument("-o", "--output", required=True, help="C++ file to write")
    args = parser.parse_args(argv)
    codes, stream, points = build_font(args.hanzi, args.hershey)
    write_cpp(args.output, codes, stream, points)
    print("%s: %d glyphs, %d points, %d bytes"
          % (args.output, len(codes), points, len(stream)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
