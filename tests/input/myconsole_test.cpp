#include "input/myconsole.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "input/mykbhit.h"
#include "input/wayout.h"

namespace {

using strings = std::vector<std::string>;

// A virtual terminal answering the console requests on standard input; it
// logs the requests that change something.
struct fakevt {
    bool isvt = true;
    int active = 3;  // this terminal is 3
    int kdmode = KD_TEXT;
    vt_mode switching{VT_AUTO, 0, 0, 0, 0};
    bool failsetmode = false;
    strings log;
};
fakevt vt;

int fakecontrol(int fd, unsigned long request, void* arg) {
    const long value = long(reinterpret_cast<intptr_t>(arg));
    errno = ENOTTY;
    if (fd != 0 || !vt.isvt) return -1;
    switch (request) {
    case KDGETMODE: *static_cast<int*>(arg) = vt.kdmode; return 0;
    case KDSETMODE:
        vt.kdmode = int(value);
        vt.log.push_back(value == KD_GRAPHICS ? "graphics" : "text");
        return 0;
    case VT_GETMODE: *static_cast<vt_mode*>(arg) = vt.switching; return 0;
    case VT_SETMODE:
        if (vt.failsetmode) return -1;
        vt.switching = *static_cast<vt_mode*>(arg);
        vt.log.push_back(vt.switching.mode == VT_PROCESS ? "process" : "auto");
        return 0;
    case VT_GETSTATE: static_cast<vt_stat*>(arg)->v_active = (unsigned short)vt.active; return 0;
    case VT_RELDISP:
        vt.log.push_back(value == VT_ACKACQ ? "ackacquire" : "release " + std::to_string(value));
        return 0;
    case TIOCGDEV: *static_cast<unsigned*>(arg) = unsigned(makedev(4, 3)); return 0;
    }
    return -1;
}

strings takelog() {
    strings l = vt.log;
    vt.log.clear();
    return l;
}

// Standard input is a pipe meanwhile, so that the reader's restore, which
// also sets the terminal attributes, never reaches a real terminal.
class consoletest : public ::testing::Test {
protected:
    myconsole::controlfn saved = myconsole::control;
    int savedstdin = -1;
    int pipefds[2] = {-1, -1};
    void SetUp() override {
        ASSERT_EQ(pipe(pipefds), 0);
        savedstdin = dup(0);
        dup2(pipefds[0], 0);
        vt = fakevt{};
        myconsole::forget();
        myconsole::control = fakecontrol;
    }
    void TearDown() override {
        myconsole::forget();
        myconsole::control = saved;
        signal(myconsole::releasesignal, SIG_DFL);
        signal(myconsole::acquiresignal, SIG_DFL);
        dup2(savedstdin, 0);
        close(savedstdin);
        close(pipefds[0]);
        close(pipefds[1]);
    }
};

// Every way out goes through the reader's restore, which gives back what was found.
TEST_F(consoletest, takesgraphicsmodeandswitchingandgivesbackwhatitfound) {
    vt.kdmode = KD_GRAPHICS;  // (found in text mode is checked end to end)
    vt.switching.waitv = 1;
    myconsole::take();
    EXPECT_EQ(takelog(), (strings{"process", "graphics"}));
    EXPECT_EQ(vt.switching.relsig, myconsole::releasesignal);
    EXPECT_EQ(vt.switching.acqsig, myconsole::acquiresignal);
    EXPECT_TRUE(myconsole::visible());
    wayout::restoreterminal();
    EXPECT_EQ(takelog(), (strings{"graphics", "auto"}));
    EXPECT_EQ(vt.switching.waitv, 1) << "the whole record as found";
}

// Release and acquire are acknowledged in order; no copy is made in between
// (whether the device is written is checked end to end), and the acquire asks
// for one whole redraw.
TEST_F(consoletest, releasestopscopiesandacquireredraws) {
    myconsole::take();
    takelog();
    raise(myconsole::releasesignal);
    EXPECT_FALSE(myconsole::poll());
    EXPECT_FALSE(myconsole::visible());
    raise(myconsole::acquiresignal);
    EXPECT_TRUE(myconsole::poll());
    EXPECT_TRUE(myconsole::visible());
    EXPECT_FALSE(myconsole::poll()) << "one redraw per acquire";
    // Away and back within one poll: one redraw.
    raise(myconsole::releasesignal);
    raise(myconsole::acquiresignal);
    EXPECT_TRUE(myconsole::poll());
    EXPECT_TRUE(myconsole::visible());
    EXPECT_EQ(takelog(), (strings{"release 1", "ackacquire", "release 1", "ackacquire"}));

    // Leaving while the kernel waits for the release lets the switch through
    // before the switching goes back to the kernel.
    raise(myconsole::releasesignal);
    wayout::restoreterminal();
    EXPECT_EQ(takelog(), (strings{"text", "release 1", "auto"}));
}

TEST_F(consoletest, startedonanotherterminalwaitsfortheacquire) {
    vt.active = 5;
    myconsole::take();
    EXPECT_FALSE(myconsole::visible());
    EXPECT_FALSE(myconsole::poll());
    raise(myconsole::acquiresignal);
    EXPECT_TRUE(myconsole::poll());
    EXPECT_TRUE(myconsole::visible());
    EXPECT_EQ(takelog(), (strings{"process", "graphics", "ackacquire"}));
}

// Without switching no acquire would ever come: the terminal counts as on
// show, and graphics mode is still set and restored.
TEST_F(consoletest, withoutswitchingstillgraphicsmode) {
    vt.failsetmode = true;
    vt.active = 5;
    myconsole::take();
    EXPECT_TRUE(myconsole::visible());
    EXPECT_EQ(takelog(), (strings{"graphics"}));
    myconsole::restore();
    EXPECT_EQ(takelog(), (strings{"text"}));
}

// An error nothing catches puts the console back before the process ends
// (the fatal signals are checked end to end). The child says so on its error
// output, which the death test matches.
int announcingcontrol(int fd, unsigned long request, void* arg) {
    static const char text[] = "console back in text mode\n";
    if (request == KDSETMODE && reinterpret_cast<intptr_t>(arg) == KD_TEXT) {
        ssize_t ignored = write(2, text, sizeof text - 1);
        (void)ignored;
    }
    return fakecontrol(fd, request, arg);
}

using consoleDeathTest = consoletest;

TEST_F(consoleDeathTest, uncaughterrorputstheconsoleback) {
    EXPECT_DEATH(
        {
            myconsole::control = announcingcontrol;
            static mykbhit* keyboard = new mykbhit;  // never ended: the way out is what is tested
            (void)keyboard;
            myconsole::take();
            std::terminate();
        },
        "console back in text mode");
}

}  // namespace
