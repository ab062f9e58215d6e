// Checks the compiled-in dictionaries: the layout the candidate search relies
// on, and a few entries any user of the input method would expect.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ime/inputchi.h"
#include "ime/inpywb.h"

namespace {

constexpr unsigned short gbchar(unsigned char lead, unsigned char trail) {
  return static_cast<unsigned short>(lead << 8 | trail);
}
constexpr unsigned short kDe = gbchar(0xB5, 0xC4);     // 的
constexpr unsigned short kShi = gbchar(0xCA, 0xC7);    // 是
constexpr unsigned short kGong = gbchar(0xB9, 0xA4);   // 工
constexpr unsigned short kZhong = gbchar(0xD6, 0xD0);  // 中

std::string slotstring(const unsigned char* slot) {
  return std::string(reinterpret_cast<const char*>(slot));
}

unsigned short hanzhiat(int k) {
  return gbchar(keyinputhanzhi[k][0], keyinputhanzhi[k][1]);
}

bool ishanzi(unsigned char lead, unsigned char trail) {
  return lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE;
}

// Checks one table of slots: letters from byte 0 within [first, last],
// nothing but zeros after them, and a length within [minlen, maxlen].
void expectslots(const unsigned char (*slots)[8], int count, char first, char last,
                 size_t minlen, size_t maxlen, const char* what) {
  for (int i = 0; i < count; ++i) {
    const unsigned char* s = slots[i];
    ASSERT_EQ(s[6], 0) << what << " row " << i;
    ASSERT_EQ(s[7], 0) << what << " row " << i;
    size_t n = std::strlen(reinterpret_cast<const char*>(s));
    ASSERT_GE(n, minlen) << what << " row " << i;
    ASSERT_LE(n, maxlen) << what << " row " << i;
    for (size_t j = 0; j < n; ++j) {
      ASSERT_TRUE(s[j] >= first && s[j] <= last) << what << " row " << i;
    }
    for (size_t j = n; j < 8; ++j) ASSERT_EQ(s[j], 0) << what << " row " << i;
  }
}

// Each index table names every character index exactly once, and rows with
// one code stand in ascending character index.
void expectsortedpermutation(const unsigned char (*codes)[8], const int* index,
                             const char* what) {
  std::vector<int> seen(zhiinputsize, 0);
  for (int i = 0; i < zhiinputsize; ++i) {
    ASSERT_GE(index[i], 0) << what;
    ASSERT_LT(index[i], zhiinputsize) << what;
    ++seen[index[i]];
    if (i == 0) continue;
    unsigned long long prev = slotvalue(codes[i - 1]), cur = slotvalue(codes[i]);
    ASSERT_LE(prev, cur) << what << " row " << i;
    if (prev == cur) {
      ASSERT_LT(index[i - 1], index[i]) << what << " row " << i;
    }
  }
  for (int k = 0; k < zhiinputsize; ++k) ASSERT_EQ(seen[k], 1) << what << " index " << k;
}

// Pinyin and wubi code of each character index.
struct charcodes {
  std::vector<std::string> py, wb;
  charcodes() : py(zhiinputsize), wb(zhiinputsize) {
    for (int i = 0; i < zhiinputsize; ++i) {
      py[keyinputpyindex[i]] = slotstring(keyinputpy[i]);
      wb[keyinputwbindex[i]] = slotstring(keyinputwb[i]);
    }
  }
};

// Full wubi code of each character.
std::map<unsigned short, std::string> fullcodes() {
  charcodes c;
  std::map<unsigned short, std::string> full;
  for (int k = 0; k < zhiinputsize; ++k) full[hanzhiat(k)] = c.wb[k];
  return full;
}

int phraselength(int p) { return inputhzchiindex[p + 1] - inputhzchiindex[p]; }

unsigned short phrasechar(int p, int n) {
  const unsigned char* t = inputhzchi + inputhzchiindex[p] + 2 * n;
  return gbchar(t[0], t[1]);
}

// Characters of the first pinyin rows whose code is exactly `code`, in the
// order the search offers them.
std::vector<unsigned short> pinyinoffer(const char* code) {
  std::vector<unsigned short> out;
  for (int i = 0; i < zhiinputsize; ++i) {
    if (slotstring(keyinputpy[i]) == code) out.push_back(hanzhiat(keyinputpyindex[i]));
  }
  return out;
}

// Texts of the phrase entries whose code is exactly `code`, in table order.
std::vector<std::vector<unsigned short>> wubioffer(const char* code) {
  std::vector<std::vector<unsigned short>> out;
  for (int p = 0; p < inputhzchinumber; ++p) {
    if (slotstring(inputhzchiwb[p]) != code) continue;
    std::vector<unsigned short> text;
    for (int n = 0; n < phraselength(p) / 2; ++n) text.push_back(phrasechar(p, n));
    out.push_back(text);
  }
  return out;
}

}  // namespace

TEST(Dictionary, CountsFollowTheData) {
  EXPECT_GE(zhiinputsize, 6800);
  EXPECT_LE(zhiinputsize, 7400);
  EXPECT_GE(inputhzchinumber, 70000);
  EXPECT_EQ(inputhzchi, inputhanchibyte);
  EXPECT_EQ(inputhzchiindex[inputhzchinumber], 2 * inputchibufnumber);
}

TEST(Dictionary, CodeSlotsAreZeroPadded) {
  expectslots(keyinputpy, zhiinputsize, 'a', 'z', 1, 6, "pinyin");
  expectslots(keyinputwb, zhiinputsize, 'a', 'y', 3, 4, "wubi");
  expectslots(inputhzchiwb, inputhzchinumber, 'a', 'y', 1, 4, "phrase");
  for (int i = 0; i < zhiinputsize; ++i) {
    ASSERT_EQ(std::strchr(reinterpret_cast<const char*>(keyinputpy[i]), 'v'), nullptr) << i;
  }
}

TEST(Dictionary, CharacterTablesAreSortedPermutations) {
  expectsortedpermutation(keyinputpy, keyinputpyindex, "pinyin");
  expectsortedpermutation(keyinputwb, keyinputwbindex, "wubi");

  // Character indexes run in pinyin string order.
  charcodes c;
  for (int k = 1; k < zhiinputsize; ++k) {
    ASSERT_LE(c.py[k - 1], c.py[k]) << "character index " << k;
  }
}

TEST(Dictionary, EveryCharacterHasOneRowPerReadingAndOneWubiCode) {
  charcodes c;
  std::map<unsigned short, std::set<std::string>> readings;
  std::map<unsigned short, std::string> wubi;
  for (int k = 0; k < zhiinputsize; ++k) {
    unsigned short ch = hanzhiat(k);
    ASSERT_TRUE(ishanzi(keyinputhanzhi[k][0], keyinputhanzhi[k][1])) << k;
    ASSERT_TRUE(readings[ch].insert(c.py[k]).second) << "repeated reading at index " << k;
    auto it = wubi.find(ch);
    if (it == wubi.end()) {
      wubi[ch] = c.wb[k];
    } else {
      ASSERT_EQ(it->second, c.wb[k]) << "two wubi codes at index " << k;
    }
  }
  // Every GB2312 hanzi is there: 94 per row from 0xB0 to 0xF7, less the
  // five unassigned codes at the end of row 0xD7.
  EXPECT_EQ(readings.size(), 72u * 94u - 5u);
}

TEST(Dictionary, PhraseTextAndOffsets) {
  ASSERT_EQ(inputhzchiindex[0], 0);
  for (int p = 0; p < inputhzchinumber; ++p) {
    int len = phraselength(p);
    ASSERT_GT(len, 0) << "entry " << p;
    ASSERT_EQ(len % 2, 0) << "entry " << p;
    ASSERT_LE(len, 18) << "entry " << p;
  }
  const int size = inputhzchiindex[inputhzchinumber];
  for (int i = 0; i < size; i += 2) {
    ASSERT_GE(inputhanchibyte[i], 0x80) << "byte " << i;
    ASSERT_GE(inputhanchibyte[i + 1], 0x80) << "byte " << i + 1;
    ASSERT_TRUE(ishanzi(inputhanchibyte[i], inputhanchibyte[i + 1])) << "byte " << i;
  }
}

TEST(Dictionary, PhrasesSortedByFirstThreeLetters) {
  for (int p = 1; p < inputhzchinumber; ++p) {
    ASSERT_LE(std::strncmp(reinterpret_cast<const char*>(inputhzchiwb[p - 1]),
                           reinterpret_cast<const char*>(inputhzchiwb[p]), 3),
              0)
        << "entry " << p;
  }
}

TEST(Dictionary, WordCodesFollowTheWordRule) {
  const auto full = fullcodes();
  int words = 0;
  for (int p = 0; p < inputhzchinumber; ++p) {
    const int n = phraselength(p) / 2;
    if (n < 2) continue;
    std::vector<std::string> c;
    for (int i = 0; i < n; ++i) {
      auto it = full.find(phrasechar(p, i));
      ASSERT_NE(it, full.end()) << "entry " << p;
      c.push_back(it->second);
    }
    std::string want;
    if (n == 2) {
      want = c[0].substr(0, 2) + c[1].substr(0, 2);
    } else if (n == 3) {
      want = c[0].substr(0, 1) + c[1].substr(0, 1) + c[2].substr(0, 2);
    } else {
      want = c[0].substr(0, 1) + c[1].substr(0, 1) + c[2].substr(0, 1) + c[n - 1].substr(0, 1);
    }
    ASSERT_EQ(slotstring(inputhzchiwb[p]), want) << "entry " << p;
    ++words;
  }
  EXPECT_GT(words, 50000);
}

TEST(Dictionary, CommonCharactersComeFirst) {
  // Pinyin: the most used character of a syllable is offered first.
  ASSERT_FALSE(pinyinoffer("de").empty());
  EXPECT_EQ(pinyinoffer("de")[0], kDe);
  ASSERT_FALSE(pinyinoffer("shi").empty());
  EXPECT_EQ(pinyinoffer("shi")[0], kShi);

  // Wubi: the one-letter short code, a key-name character and a
  // three-letter full code.
  auto a = wubioffer("a");
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0], std::vector<unsigned short>{kGong});
  auto aaaa = wubioffer("aaaa");
  ASSERT_GE(aaaa.size(), 2u);
  EXPECT_EQ(aaaa[0], std::vector<unsigned short>{kGong});
  auto khk = wubioffer("khk");
  ASSERT_FALSE(khk.empty());
  EXPECT_EQ(khk[0], std::vector<unsigned short>{kZhong});

  // The character table agrees on the full codes.
  const auto full = fullcodes();
  EXPECT_EQ(full.at(kGong), "aaaa");
  EXPECT_EQ(full.at(kZhong), "khk");
}
