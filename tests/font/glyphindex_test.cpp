// The glyph index over the compiled-in font: every code of the table leads to
// the start of its own glyph, the added GBK hanzi included.
#include "font/glyphindex.h"

#include <gtest/gtest.h>

#include <vector>

#include "font/ku500.h"
#include "graphics/mybitmap.h"

namespace {

TEST(glyphindex, findseverycodeofthecompiledinfont) {
    mybitmap bitmap(4, 4);  // installs the compiled-in font and builds the index
    std::vector<const unsigned char*> starts{ttu};
    for (int i = 1; i + 2 < ttunumber; i += 2)
        if (ttu[i] & 1) starts.push_back(ttu + i + 1);
    ASSERT_EQ(starts.size(), size_t(zzhinumber));
    for (int g = 0; g < zzhinumber; ++g) EXPECT_EQ(glyphindex::find(zzhi[g]), starts[size_t(g)]) << "glyph " << g;
    EXPECT_EQ(glyphindex::find(0xA1A1), nullptr);  // the ideographic space
    EXPECT_EQ(glyphindex::find(0x00B0), nullptr);  // a lone lead byte
    EXPECT_EQ(glyphindex::find(0x8081), nullptr);  // 亐, which the hanzi source lacks
}

}  // namespace
