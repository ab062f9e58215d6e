// The faster routines (the layout kept up around each change, glyphs stamped
// from the cache, spans filled by block copies) give the same frame as the
// plain ones after any sequence of keys.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/startup.h"
#include "clipboard/clipbd.h"
#include "editor/editview.h"
#include "view/glyphcache.h"

namespace {

// A key sequence (> 0xFF) or a character byte, for seed.
std::vector<uint64_t> randomkeys(unsigned seed, int count) {
    const uint64_t keys[] = {0x415B1B, 0x425B1B, 0x435B1B, 0x445B1B, 0x485B1B, 0x465B1B, 0x7E335B1B, 0x7E355B1B,
                             0x7E365B1B, 0x524F1B, 0x534F1B, 0x7E35315B1B, 0x7E37315B1B, 10, 9, 127, 26, 25};
    const char letters[] = "ab cd,ef.7\xD6\xD0\xCE\xC4";
    std::mt19937 random(seed);
    std::vector<uint64_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(random() % 2 ? keys[random() % std::size(keys)] | uint64_t(1) << 63
                                   : static_cast<unsigned char>(letters[random() % (sizeof letters - 1)]));
    return out;
}

std::vector<unsigned char> framefrom(bool plain, const std::string& text, const std::vector<uint64_t>& keys) {
    editview::plainlayout = plain;
    glyphcache::setenabled(!plain);
    clipboard.setdata(nullptr, 0);
    auto* window = new amybitmapwin(800, 600);
    mymapwin = window;
    commandline none;
    none.file = commandline::nofile;
    buildscreen(window, none);
    showfirstscreen(window);
    window->peditview->loadtext(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    window->OnKeyDown(0x504F1B, 0, 0);  // F1: letters straight to the editor
    for (uint64_t k : keys) {
        const uint64_t code = k & ~(uint64_t(1) << 63);
        if (k >> 63) window->OnKeyDown(uint32_t(code), uint32_t(code >> 32), 0);
        else if (code >= 128) window->keymouse(eventchar, static_cast<signed char>(code), 0, 0, 0, 0);
        else window->OnChar(unsigned(code), 0, 0);
    }
    std::vector<unsigned char> frame(window->bmp.pbuf, window->bmp.pbuf + size_t(window->w) * window->h * 4);
    teardownscreen(window);
    delete window;
    mymapwin = nullptr;
    editview::plainlayout = false;
    glyphcache::setenabled(true);
    return frame;
}

TEST(frameequality, fasterroutinesgivetheplainframe) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line " + std::to_string(i) + " \xD6\xD0\xCE\xC4 words wrap here and there,\tafter a tab\n";
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<uint64_t> keys = randomkeys(seed, 120);
        EXPECT_TRUE(framefrom(false, text, keys) == framefrom(true, text, keys));
    }
}

}  // namespace
