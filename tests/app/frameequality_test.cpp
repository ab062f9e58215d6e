// After every key of long random sessions, the faster routines (the layout
// kept up around each change, glyphs stamped from the cache, spans filled by
// block copies, views drawing only what changed) leave the picture the plain
// ones give with every view drawing all of itself, and the device, a memory
// file written as the main loop writes it, holds exactly that picture: also
// across terminal switches, failed writes, something else drawing over the
// screen (then Ctrl-L), and a console that cannot be put into graphics mode.
#include <gtest/gtest.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "clipboard/clipbd.h"
#include "editor/editview.h"
#include "ime/pyinput.h"
#include "input/myconsole.h"
#include "tests/storage/scratchdir.h"
#include "view/glyphcache.h"

namespace {

// Events of the console and the device, in place of a key.
constexpr int64_t switchconsole = -1, writefails = -2, drawnover = -3;

// Every key of the sessions: moving, selecting with F3, copy, paste and cut,
// editing, undo and redo, find (Ctrl-F, Enter, Esc), paging, Ctrl-L, F1 and
// F2, letters, digits and punctuation for the input method, saving under a
// name typed into the prompt (Ctrl-O, Ctrl-S), and the events.
const int64_t sessionkeys[] = {
    0x415B1B, 0x425B1B, 0x435B1B, 0x435B1B, 0x445B1B, 0x485B1B, 0x465B1B, 0x7E335B1B, 0x7E355B1B, 0x7E365B1B,
    0x524F1B, 0x534F1B, 0x7E35315B1B, 0x7E37315B1B, 10, 9, 127, 26, 25, 6, 27, 12, 15, 19, 0x504F1B, 0x514F1B,
    'a', 'b', 'z', 'h', 'o', 'n', 'g', 'i', ' ', ' ', ',', '.', '1', '2', '7', switchconsole, writefails,
    drawnover,
};

std::vector<int64_t> randomkeys(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::vector<int64_t> out;
    for (int i = 0; i < count; ++i) out.push_back(sessionkeys[random() % std::size(sessionkeys)]);
    return out;
}

// A virtual terminal for the console unit: switching taken, graphics mode
// refused when asked.
bool refusegraphics = false;
int fakeconsole(int fd, unsigned long request, void* arg) {
    if (fd != 0) return -1;
    switch (request) {
    case KDGETMODE: *static_cast<int*>(arg) = KD_TEXT; return 0;
    case KDSETMODE: return refusegraphics && reinterpret_cast<intptr_t>(arg) == KD_GRAPHICS ? -1 : 0;
    case VT_GETMODE: *static_cast<vt_mode*>(arg) = vt_mode{}; return 0;
    case VT_SETMODE:
    case VT_RELDISP: return 0;
    }
    return -1;
}

struct session {
    int width, height, textsize;
    bool textshows;  // graphics mode refused: every key copies the whole frame
};

// The screen of the program on a memory device, or with none (the plain run).
class screen {
public:
    amybitmapwin* window;
    unsigned char* device = nullptr;
    size_t bytes;
    bool away = false;

    myconsole::controlfn realconsole = myconsole::control;

    screen(const session& s, bool plain, const std::string& text) : bytes(size_t(s.width) * size_t(s.height) * 4) {
        editview::plainlayout = plain;
        glyphcache::setenabled(!plain);
        myview::wholeviews = plain;
        setgcharwidth(s.textsize);
        clipboard.setdata(nullptr, 0);
        digiselview::waitsel = false;  // what the input method keeps for the whole run
        pyinput::isleftsy = pyinput::isleftdy = true;
        window = new amybitmapwin(s.width, s.height);
        mymapwin = window;
        if (!plain) {
            window->fd = memfd_create("device", 0);
            if (ftruncate(window->fd, off_t(bytes)) != 0) ADD_FAILURE();
            device = static_cast<unsigned char*>(mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, window->fd, 0));
            refusegraphics = s.textshows;
            myconsole::control = fakeconsole;
            myconsole::take();
        }
        commandline none;
        none.file = commandline::nofile;
        buildscreen(window, none);
        showfirstscreen(window);
        window->peditview->loadtext(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        window->draw();
    }
    ~screen() {
        teardownscreen(window);
        if (device) {
            munmap(device, bytes);
            close(window->fd);
            myconsole::forget();
            myconsole::control = realconsole;
            signal(myconsole::releasesignal, SIG_DFL);
            signal(myconsole::acquiresignal, SIG_DFL);
        }
        delete window;
        mymapwin = nullptr;
        editview::plainlayout = false;
        glyphcache::setenabled(true);
        myview::wholeviews = false;
        setgcharwidth(24);
    }
    // Another program draws on the device.
    void scribble() { std::memset(device + bytes / 3, 0x5A, bytes / 3); }
    // The key, or the event in its place, on the device as the main loop
    // does it. A failing write is the copy after a letter; then something
    // else draws on the device, and the copy after the next key (Right)
    // repairs it. The keys are typed in the plain run too.
    void take(int64_t key) {
        if (key >= 0) {
            window->deliver(key);
        } else if (key == switchconsole && device) {
            raise(away ? myconsole::acquiresignal : myconsole::releasesignal);
            away = !away;
            if (myconsole::poll()) window->drawwhole();
            if (away) scribble();
        } else if (key == writefails) {
            const int real = window->fd;
            if (device) window->fd = 1000;  // no such descriptor
            window->deliver('x');
            window->fd = real;
            if (device && !away) scribble();
            window->deliver(0x435B1B);
        } else if (key == drawnover) {
            if (device && !away) scribble();
            window->deliver(12);  // Ctrl-L
        }
    }
    std::string_view picture() const { return {reinterpret_cast<const char*>(window->bmp.pbuf), bytes}; }
    bool deviceshowspicture() const { return away || std::memcmp(device, window->bmp.pbuf, bytes) == 0; }
};

// The picture after each key, as a hash; in the faster run the device is
// checked against the picture after each key too.
std::vector<size_t> picturesafter(const session& s, bool plain, const std::string& text,
                                  const std::vector<int64_t>& keys) {
    // Files saved (under a typed name, or the recovery file of the unnamed
    // text) land in the same emptied directory for both runs: their names show.
    static const scratchdir scratch;
    std::error_code ignored;
    for (const std::string& name : scratch.names()) std::filesystem::remove_all(scratch.path(name), ignored);
    const std::string before = std::filesystem::current_path().string();
    if (!scratch.ok() || chdir(scratch.dir.c_str()) != 0) ADD_FAILURE() << "no scratch directory";
    screen sc(s, plain, text);
    std::vector<size_t> hashes;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!plain && s.textshows && !sc.away) sc.scribble();
        sc.take(keys[i]);
        if (!plain && !sc.deviceshowspicture()) ADD_FAILURE() << "the device differs after key " << i;
        hashes.push_back(std::hash<std::string_view>()(sc.picture()));
    }
    if (chdir(before.c_str()) != 0) ADD_FAILURE();
    return hashes;
}

TEST(frameequality, fasterroutinesandpartialdrawinggivetheplainpicture) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line " + std::to_string(i) + " \xD6\xD0\xCE\xC4 words wrap here and there,\tafter a tab\n";
    const session sessions[] = {{800, 600, 24, false}, {800, 600, 24, false}, {1024, 768, 16, false},
                                {1280, 720, 72, false}, {800, 600, 24, true}};
    for (unsigned seed = 0; seed < std::size(sessions); ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<int64_t> keys = randomkeys(seed + 1, seed < 4 ? 400 : 150);
        const std::vector<size_t> plain = picturesafter(sessions[seed], true, text, keys);
        const std::vector<size_t> faster = picturesafter(sessions[seed], false, text, keys);
        for (size_t i = 0; i < keys.size(); ++i)
            ASSERT_EQ(faster[i], plain[i]) << "after key " << i << ", " << keys[i];
    }
}

}  // namespace
