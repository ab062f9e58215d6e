"""Tests of the dictionary generator on small hand-made inputs."""

import os
import tempfile
import unittest
from fractions import Fraction

import makedict


HEADER = '# comment\n---\nversion: "1.0"\ncolumns:\n  - code\n  - text\n  - weight\n...\n'


class Encodings(unittest.TestCase):
    def test_gb2312_filter(self):
        self.assertEqual(makedict.gb2312("中文"), b"\xd6\xd0\xce\xc4")
        self.assertEqual(makedict.gb2312("。"), b"\xa1\xa3")
        # ASCII, a character only GBK has, one beyond the BMP.
        for text in ("A", "中A", "丟", "中丄", "\U00020000"):
            self.assertIsNone(makedict.gb2312(text), text)
        self.assertTrue(makedict.is_hanzi("啊齄"))
        self.assertFalse(makedict.is_hanzi("。"))
        self.assertFalse(makedict.is_hanzi(""))
        self.assertEqual(len(makedict.all_gb2312_hanzi()), 6763)

    def test_pinyin_code_and_word_rule(self):
        for given, code in (("lv", "lu"), ("nve", "nue"), ("lüe", "lue"), ("Zhuang", "zhuang")):
            self.assertEqual(makedict.pinyin_code(given), code)
        rule = makedict.word_code
        self.assertEqual(rule(["aaaa", "anb"]), "aaan")          # 2: two letters each
        self.assertEqual(rule(["aqj", "aqj", "ahtb"]), "aaah")    # 3: 1 + 1 + 2
        self.assertEqual(rule(["abcd", "efgh", "ijkl", "xxxx", "mnop"]), "aeim")  # last, not fourth
        for bad in ("", "shuang1", "zhuangg", "a b"):
            with self.assertRaises(makedict.DictError, msg=bad):
                makedict.pinyin_code(bad)
        for bad in (["abcd"], ["a", "b"]):
            with self.assertRaises(makedict.DictError, msg=bad):
                rule(bad)


class Building(unittest.TestCase):
    def write(self, name, rows):
        path = os.path.join(self.dir.name, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(HEADER + rows)
        return path

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def test_read_table_skips_disabled_rows_and_reads_header(self):
        path = self.write("t", "a\t工\t10\taa\n#b\t子\t9\n\nkhk\t中\t2.5\n")
        meta, rows = makedict.read_table(path)
        self.assertEqual(meta["version"], "1.0")
        self.assertEqual(rows, [("工", "a", Fraction(10)), ("中", "khk", Fraction(5, 2))])

    def test_full_codes_and_z_keys(self):
        rows = makedict.wubi_rows([("工", "a", 1), ("工", "aaaa", 1), ("工", "aaa", 1),
                                   ("中", "khk", 1), ("中", "zhong", 9), ("中", "k", 1)])
        self.assertEqual(makedict.full_codes(rows), {"工": "aaaa", "中": "khk"})
        with self.assertRaises(makedict.DictError):
            makedict.full_codes([("工", "aaaa", 1), ("工", "aaab", 1)])

    def test_readings_merge_spellings_and_drop_minor_ones(self):
        rows = [("绿", "lv", Fraction(4675)), ("绿", "lu", Fraction(35)),
                ("的", "de", Fraction(10000)), ("的", "di", Fraction(99)),
                ("率", "lv", Fraction(100)), ("率", "shuai", Fraction(1)),
                ("丟", "diu", Fraction(5)), ("的确", "di que", Fraction(50))]
        got = makedict.readings(rows)
        self.assertEqual(got["绿"], {"lu": 4710})
        self.assertEqual(got["的"], {"de": 10000})           # below 1%
        self.assertEqual(got["率"], {"lu": 100, "shuai": 1})  # exactly 1% stays
        self.assertNotIn("丟", got)                          # not GB2312
        self.assertEqual(got["匚"], {"fang": 0})             # filled gap

    def test_character_tables(self):
        full = {"啊": "bskg", "阿": "bskg", "中": "khk", "种": "tkhh"}
        readings = {"啊": {"a": 5}, "阿": {"a": 9, "e": 1}, "中": {"zhong": 7}, "种": {"zhong": 3}}
        hanzi, py, pyidx, wb, wbidx = makedict.build_chars(full, readings, ["啊", "阿", "中", "种"])
        self.assertEqual(hanzi, [("阿", "a"), ("啊", "a"), ("阿", "e"), ("中", "zhong"), ("种", "zhong")])
        self.assertEqual(pyidx, [0, 1, 2, 3, 4])
        self.assertEqual(wb, ["khk", "bskg", "bskg", "bskg", "tkhh"])
        self.assertEqual(wbidx, [3, 0, 1, 2, 4])
        with self.assertRaises(makedict.DictError):
            makedict.build_chars(full, readings, ["啊", "丁"])

    def test_phrase_order_and_recomputed_word_codes(self):
        full = {"工": "aaaa", "艺": "anb", "式": "aad", "跟": "khve", "踪": "khpf"}
        rows = [("工", "a", 1), ("式", "aa", 9), ("工", "aaa", 5), ("工", "aaaa", 5),
                ("工艺", "aaan", 7), ("工艺", "aaan", 8), ("式", "aad", 5),
                ("跟踪", "kvkp", 3), ("中国人民很好的一个国家", "khll", 1), ("丟", "x", 1)]
        got = makedict.build_phrases(rows, full)
        self.assertEqual(got, [("工", "a"), ("式", "aa"),
                               ("工艺", "aaan"), ("工", "aaa"), ("工", "aaaa"), ("式", "aad"),
                               ("跟踪", "khkh")])

    def test_suggestions_most_frequent_first_each_text_once(self):
        entries = [("工", "a"), ("工艺", "aaan"), ("工人", "aawu"), ("中国", "khlg"),
                   ("工人", "aaww"), ("工程", "aatk"), ("中", "khk"), ("中间", "khuj")]
        rows = [("工人", "gong ren", Fraction(30)), ("工程", "gong cheng", Fraction(50)),
                ("中国", "zhong guo", Fraction(100)), ("中间", "zhong jian", Fraction(20)),
                ("中间", "zhong jian", Fraction(30)), ("工", "gong", Fraction(999))]
        weights = makedict.word_weights(rows)
        self.assertEqual(weights["中间"], 50)    # one weight per reading, added
        self.assertNotIn("工", weights)          # single characters are no suggestions
        order, start, bychar = makedict.build_suggestions(entries, weights)
        # 中国 100, 工程 50 and 中间 50 (entry order), 工人 30 (its first entry), 工艺 0.
        self.assertEqual(order, [3, 5, 7, 2, 1])
        for char, listed in (("工", [1, 3, 4]), ("中", [0, 2])):
            s = makedict.hanzi_slot(makedict.gb2312(char))
            self.assertEqual(bychar[start[s]:start[s + 1]], listed)
        self.assertEqual(start[-1], 5)
        self.assertEqual(makedict.hanzi_slot(b"\xf7\xfe"), 72 * 94 - 1)

    def test_generate_is_deterministic_and_consistent(self):
        hanzi, letters = makedict.all_gb2312_hanzi(), "abcdefghijklmnopqrstuvwxy"
        wubi = self.write("w", "".join("%s%s%sa\t%s\t10\n" % (letters[i % 25], letters[i // 25 % 25],
                                                               letters[i // 625], c) for i, c in enumerate(hanzi))
                          + "xxxx\t工艺\t50\n")
        pinyin = self.write("p", "".join("%s\t%s\t1\n" % ("a" if i % 2 else "ba", c) for i, c in enumerate(hanzi)))
        first = makedict.generate(wubi, pinyin)
        self.assertEqual(first, makedict.generate(wubi, pinyin))
        self.assertIn("const int zhiinputsize = 6763;", first["inpywb.cpp"])
        phrases = first["inputchi.cpp"]
        for line in ("const int inputhzchinumber = 6764;", "const unsigned char inputhanchibyte[13530]",
                     "const int inputhzfreqnumber = 1;"):
            self.assertIn(line, phrases)


if __name__ == "__main__":
    unittest.main()
