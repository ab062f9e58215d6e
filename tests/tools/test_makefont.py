"""Tests of the stroke font generator on small hand-made inputs."""

import ast
import contextlib
import io
import json
import os
import re
import tempfile
import unittest

import makefont


def jhf_record(number, left, right, strokes):
    """One .jhf line: glyph number, vertex count, bearings, the points."""
    pairs = [chr(left + 82) + chr(right + 82)]
    for k, s in enumerate(strokes):
        if k:
            pairs.append(" R")
        pairs += [chr(x + 82) + chr(y + 82) for x, y in s]
    return "%5d%3d%s" % (number, len(pairs), "".join(pairs))


BEYOND_GB2312 = ("國", "亙", "們", "\u2170")


def make_sources(root):
    """Stand-ins for both packages: every hanzi a cross, every Hershey glyph
    a diagonal.  Returns (hanzi dir, hershey dir)."""
    hanzi, hershey = os.path.join(root, "hanzi"), os.path.join(root, "hershey")
    os.mkdir(hanzi)
    os.mkdir(hershey)

    def write(ch, medians):
        with open(os.path.join(hanzi, ch + ".json"), "w", encoding="utf-8") as f:
            json.dump({"medians": medians}, f)

    cross = [[[100, 700], [500, 710], [900, 700]], [[500, 850], [505, 400], [500, 0]]]
    for lead in range(0xB0, 0xF8):
        for trail in range(0xA1, 0xFF):
            ch = makefont.char_of(makefont.code_of(lead, trail))
            if ch:
                write(ch, cross)
    # three GBK hanzi beyond GB2312, written out of order, with a shape of
    # their own; a non-hanzi GBK code with a file must still be left out
    for ch in BEYOND_GB2312:
        write(ch, [[[100, 800], [900, 0]]])
    record = jhf_record(12345, -8, 8, [[(-5, -12), (5, 9)], [(-5, 0), (5, 0)]])
    for name, count in (("rowmans", 96), ("greek", 96), ("mathlow", 96), ("symbolic", 96), ("japanese", 193)):
        with open(os.path.join(hershey, name + ".jhf"), "w", encoding="latin-1") as f:
            f.write((record + "\n") * count)
    return hanzi, hershey


def read_cpp(path):
    """The stream and codes of a generated file, read back from its text."""
    with open(path, encoding="ascii") as f:
        text = f.read()
    lines = text.split("\n")
    start = next(i for i, line in enumerate(lines) if line.startswith("const unsigned char ttu["))
    stream = b""
    for line in lines[start + 1:]:
        stream += ast.literal_eval("b" + line[line.index('"'):line.rindex('"') + 1])
        if line.endswith('";'):
            break
    codes_text = text.split("const unsigned short zzhi[", 1)[1].split("{", 1)[1].split("}", 1)[0]
    codes = [int(c, 16) for c in re.findall(r"0x[0-9A-F]{4}", codes_text)]
    counts = dict(re.findall(r"const int (\w+) = (\d+);", text))
    return stream, codes, {k: int(v) for k, v in counts.items()}


class CodeSetTest(unittest.TestCase):
    def test_added_hanzi(self):
        # every GBK hanzi both of whose bytes are 0x80 or above, when the
        # source has it, in GBK order; GB2312 codes and symbols never
        everything = makefont.added_hanzi(lambda ch: True)
        self.assertEqual(everything[0], 0x8081)           # 亐, GBK 81 80
        self.assertTrue(all(c >> 8 >= 0x80 for c in everything))
        order = [(c & 0xFF, c >> 8) for c in everything]
        self.assertEqual(order, sorted(order))
        self.assertFalse(set(everything) & set(makefont.codeset()))
        self.assertNotIn(0xA1A2, everything)              # ⅰ, a GBK symbol of row A2
        self.assertNotIn(0x80A8, everything)              # GBK A8 80 is a symbol
        self.assertTrue(all(makefont.is_ideograph(makefont.gbk_char_of(c)) for c in everything))
        self.assertEqual(makefont.added_hanzi(lambda ch: ch in "們國亙說"),
                         [0x8381, 0x8382, 0xF887])        # 亙 們 國; 說 has a trail below 0x80


class EncodingTest(unittest.TestCase):
    def test_points_and_bits(self):
        data = makefont.encode_glyph([[(1, 2), (3, 4)], [(5, 6), (7, 8), (9, 10)]])
        self.assertEqual(list(data), [2, 4, 7, 8, 10, 12, 14, 16, 19, 21])
        self.assertEqual(makefont.encode_glyph([]), b"\x01\x01")
        # one-point strokes draw nothing and are left out
        self.assertEqual(makefont.encode_glyph([[(9, 9)]]), b"\x01\x01")
        with self.assertRaises(ValueError):
            makefont.encode_glyph([[(0, 0), (128, 5)]])
        stream = data + makefont.encode_glyph([]) + makefont.encode_glyph([[(0, 127), (127, 0)]])
        self.assertEqual(makefont.decode_stream(stream),
                         [[[(1, 2), (3, 4)], [(5, 6), (7, 8), (9, 10)]], [],
                          [[(0, 127), (127, 0)]]])

    def test_string_literal_round_trip(self):
        data = bytes(range(256)) + b'??=x"\\0\x00123'
        lines = makefont.c_string_lines(data, width=20)
        self.assertTrue(all(len(line) <= 20 + 6 for line in lines))
        self.assertNotIn("??", "".join(lines))   # no trigraphs
        self.assertEqual(b"".join(ast.literal_eval("b" + line) for line in lines), data)


class BuildTest(unittest.TestCase):
    """The whole generator on stand-in sources."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.hanzi, cls.hershey = make_sources(cls.tmp.name)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_generated_file(self):
        out = os.path.join(self.tmp.name, "font.cpp")
        args = ["--hanzi", self.hanzi, "--hershey", self.hershey, "-o", out]
        with contextlib.redirect_stdout(io.StringIO()):
            self.assertEqual(makefont.main(args), 0)
        with open(out, "rb") as f:
            first = f.read()
        with contextlib.redirect_stdout(io.StringIO()):
            makefont.main(args)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), first, "the output is deterministic")

        stream, codes, counts = read_cpp(out)
        self.assertEqual(codes, makefont.codeset() + [0x8381, 0x8382, 0xF887])
        # ASCII, row A3, row A1 without the ideographic space, the hanzi rows
        # B0 to F7 (D7 ends at F9), the other symbol rows, three user codes
        self.assertEqual([codes[i] for i in (0, 94, 95, 190, 191, 283, 284, 7046, 7541, 7543)],
                         [0x20, 0x7E, 0xA0A3, 0xFFA3, 0xA2A1, 0xFEA1, 0xA1B0, 0xFEF7, 0xA0F8, 0xA2F8])
        self.assertNotIn(0xA1A1, codes)
        self.assertEqual(counts["ttunumber"], len(stream))
        self.assertEqual(counts["zzhinumber"], 7547)
        glyphs = makefont.decode_stream(stream)
        self.assertEqual(len(glyphs), 7547)
        self.assertTrue(stream[-2] & 1 and stream[-1] & 1)
        for i, g in enumerate(glyphs[:95]):
            self.assertTrue(all(x < 64 for s in g for x, _ in s), chr(0x20 + i))
        blank = {codes[i] for i, g in enumerate(glyphs) if not g}
        self.assertEqual(blank, {0x20, 0xA0A3, 0xFFA3, 0xA0F8, 0xA1F8, 0xA2F8})
        # the hanzi came from their files: the stand-in cross, made exact
        (a, b), (c, d) = glyphs[284]
        self.assertEqual((a[1], c[0]), (b[1], d[0]))
        self.assertEqual(glyphs[284], glyphs[7046])
        # the added hanzi follow, each the stand-in slash, made exact
        for g in glyphs[7544:]:
            self.assertEqual(len(g), 1)
            self.assertNotEqual(g, glyphs[284])

    def test_added_hanzi_leave_the_gb2312_glyphs_alone(self):
        bare = os.path.join(self.tmp.name, "bare")
        os.mkdir(bare)
        for name in os.listdir(self.hanzi):
            if name[:-5] not in BEYOND_GB2312:
                os.link(os.path.join(self.hanzi, name), os.path.join(bare, name))
        _, with_added, _ = makefont.build_font(self.hanzi, self.hershey)
        codes, without, _ = makefont.build_font(bare, self.hershey)
        self.assertEqual(len(codes), 7544)
        self.assertGreater(len(with_added), len(without))
        self.assertEqual(with_added[:len(without)], without)


@unittest.skipUnless(os.environ.get("ZHEDIT_FONT_SOURCES"),
                     "set ZHEDIT_FONT_SOURCES=HANZIDIR:HERSHEYDIR to compare with the real sources")
class RegenerationTest(unittest.TestCase):
    def test_committed_font_is_reproduced(self):
        hanzi, hershey = os.environ["ZHEDIT_FONT_SOURCES"].split(":")
        root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "ku500.cpp")
            with contextlib.redirect_stdout(io.StringIO()):
                makefont.main(["--hanzi", hanzi, "--hershey", hershey, "-o", out])
            with open(out, "rb") as a, open(os.path.join(root, "font", "ku500.cpp"), "rb") as b:
                self.assertTrue(a.read() == b.read(), "font/ku500.cpp differs from a regeneration")


if __name__ == "__main__":
    unittest.main()
