#include "input/myconsole.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "graphics/mybitmapwin.h"
#include "input/mykbhit.h"

namespace {

// A virtual terminal as the kernel keeps it, answering the console requests
// on standard input; it logs the requests that change something.
struct fakevt {
    bool isvt = true;
    int number = 3;     // this terminal
    int active = 3;     // the one on show
    int kdmode = KD_TEXT;
    vt_mode switching{VT_AUTO, 0, 0, 0, 0};
    bool failsetmode = false;
    std::vector<std::string> log;
};
fakevt vt;

int fakecontrol(int fd, unsigned long request, void* arg) {
    const long value = long(reinterpret_cast<intptr_t>(arg));
    if (fd != 0 || !vt.isvt) {
        errno = ENOTTY;
        return -1;
    }
    switch (request) {
    case KDGETMODE:
        *static_cast<int*>(arg) = vt.kdmode;
        return 0;
    case KDSETMODE:
        vt.kdmode = int(value);
        vt.log.push_back(value == KD_GRAPHICS ? "graphics" : "text");
        return 0;
    case VT_GETMODE:
        *static_cast<vt_mode*>(arg) = vt.switching;
        return 0;
    case VT_SETMODE:
        if (vt.failsetmode) {
            errno = EINVAL;
            return -1;
        }
        vt.switching = *static_cast<vt_mode*>(arg);
        vt.log.push_back(vt.switching.mode == VT_PROCESS ? "process" : "auto");
        return 0;
    case VT_GETSTATE:
        static_cast<vt_stat*>(arg)->v_active = (unsigned short)vt.active;
        return 0;
    case VT_RELDISP:
        vt.log.push_back(value == VT_ACKACQ ? "ackacquire" : "release " + std::to_string(value));
        return 0;
    case TIOCGDEV:
        *static_cast<unsigned*>(arg) = unsigned(makedev(4, unsigned(vt.number)));
        return 0;
    }
    errno = ENOTTY;
    return -1;
}

// Standard input is a pipe meanwhile, so that the reader's restore, which
// also sets the terminal attributes, never reaches a real terminal.
class consoletest : public ::testing::Test {
protected:
    myconsole::controlfn saved = nullptr;
    int savedstdin = -1;
    int pipefds[2] = {-1, -1};
    void SetUp() override {
        ASSERT_EQ(pipe(pipefds), 0);
        savedstdin = dup(0);
        dup2(pipefds[0], 0);
        vt = fakevt{};
        myconsole::forget();
        saved = myconsole::control;
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
    static std::vector<std::string> takelog() {
        std::vector<std::string> l = vt.log;
        vt.log.clear();
        return l;
    }
};

using strings = std::vector<std::string>;

TEST_F(consoletest, NotAVirtualTerminalChangesNothing) {
    vt.isvt = false;
    myconsole::take();
    EXPECT_TRUE(myconsole::visible());
    EXPECT_FALSE(myconsole::poll());
    myconsole::restore();
    EXPECT_TRUE(vt.log.empty());

    // The real request on a pipe: no virtual terminal either.
    myconsole::control = saved;
    myconsole::take();
    EXPECT_TRUE(myconsole::visible());
    myconsole::restore();
}

// Every way out goes through the reader's restore, which gives back what was found.
TEST_F(consoletest, TakesGraphicsModeAndSwitchingAndGivesBackWhatItFound) {
    const int foundmodes[] = {KD_TEXT, KD_GRAPHICS};
    for (int found : foundmodes) {
        SCOPED_TRACE(found);
        vt = fakevt{};
        myconsole::forget();
        vt.kdmode = found;
        vt.switching = vt_mode{VT_AUTO, 1, 0, 0, 0};
        myconsole::take();
        EXPECT_EQ(takelog(), (strings{"process", "graphics"}));
        EXPECT_EQ(vt.kdmode, KD_GRAPHICS);
        EXPECT_EQ(vt.switching.relsig, myconsole::releasesignal);
        EXPECT_EQ(vt.switching.acqsig, myconsole::acquiresignal);
        EXPECT_TRUE(myconsole::visible());
        mykbhit::restoreterminal();
        EXPECT_EQ(takelog(), (strings{found == KD_TEXT ? "text" : "graphics", "auto"}));
        EXPECT_EQ(vt.kdmode, found);
        EXPECT_EQ(vt.switching.mode, VT_AUTO);
        EXPECT_EQ(vt.switching.waitv, 1) << "the whole record as found";
    }
}

// Release: acknowledged, and no copy reaches the device until the acquire,
// which is acknowledged and asks for the whole frame again.
TEST_F(consoletest, ReleaseStopsCopiesAndAcquireRedraws) {
    myconsole::take();
    takelog();
    mybitmapwin win(16, 8);
    FILE* device = tmpfile();
    ASSERT_NE(device, nullptr);
    win.fd = dup(fileno(device));
    struct stat st {};
    auto devicebytes = [&] {
        fstat(win.fd, &st);
        return long(st.st_size);
    };
    win.draw();
    EXPECT_EQ(devicebytes(), 16 * 8 * 4);
    ASSERT_EQ(ftruncate(win.fd, 0), 0);

    EXPECT_FALSE(myconsole::poll());
    raise(myconsole::releasesignal);
    EXPECT_FALSE(myconsole::poll());
    EXPECT_EQ(takelog(), (strings{"release 1"}));
    EXPECT_FALSE(myconsole::visible());
    win.draw();
    EXPECT_EQ(devicebytes(), 0) << "copied while switched away";
    EXPECT_FALSE(myconsole::poll());

    raise(myconsole::acquiresignal);
    EXPECT_TRUE(myconsole::poll());
    EXPECT_EQ(takelog(), (strings{"ackacquire"}));
    EXPECT_TRUE(myconsole::visible());
    EXPECT_FALSE(myconsole::poll()) << "one redraw per acquire";
    win.draw();
    EXPECT_EQ(devicebytes(), 16 * 8 * 4);

    // Away and back within one poll: both acknowledged in order, one redraw.
    raise(myconsole::releasesignal);
    raise(myconsole::acquiresignal);
    EXPECT_TRUE(myconsole::poll());
    EXPECT_EQ(takelog(), (strings{"release 1", "ackacquire"}));
    EXPECT_TRUE(myconsole::visible());
    fclose(device);
}

TEST_F(consoletest, StartedOnAnotherTerminalWaitsForTheAcquire) {
    vt.active = 5;
    myconsole::take();
    EXPECT_FALSE(myconsole::visible());
    EXPECT_FALSE(myconsole::poll());
    raise(myconsole::acquiresignal);
    EXPECT_TRUE(myconsole::poll());
    EXPECT_TRUE(myconsole::visible());
    EXPECT_EQ(takelog(), (strings{"process", "graphics", "ackacquire"}));
}

// Leaving while the kernel waits for the release lets the switch through
// before the switching goes back to the kernel.
TEST_F(consoletest, RestoreLetsAPendingSwitchThrough) {
    myconsole::take();
    takelog();
    raise(myconsole::releasesignal);
    mykbhit::restoreterminal();
    EXPECT_EQ(takelog(), (strings{"text", "release 1", "auto"}));
}

// Without switching (the request refused) the terminal is taken as on show,
// since no acquire would ever come; graphics mode is still set and restored.
TEST_F(consoletest, WithoutSwitchingStillGraphicsMode) {
    vt.failsetmode = true;
    vt.active = 5;
    myconsole::take();
    EXPECT_TRUE(myconsole::visible());
    EXPECT_EQ(takelog(), (strings{"graphics"}));
    myconsole::restore();
    EXPECT_EQ(takelog(), (strings{"text"}));
}

// The ways out that end the process: the console is put back before it ends.
// The child says so on its error output, which the death test matches.
int announcingcontrol(int fd, unsigned long request, void* arg) {
    static const char text[] = "console back in text mode\n";
    if (request == KDSETMODE && reinterpret_cast<intptr_t>(arg) == KD_TEXT) {
        ssize_t ignored = write(2, text, sizeof text - 1);
        (void)ignored;
    }
    return fakecontrol(fd, request, arg);
}

using consoleDeathTest = consoletest;

void startreader() {
    myconsole::control = announcingcontrol;
    static mykbhit* keyboard = new mykbhit;  // never ended: the way out is what is tested
    (void)keyboard;
    myconsole::take();
}

TEST_F(consoleDeathTest, AFaultPutsTheConsoleBackFirst) {
    EXPECT_DEATH(
        {
            startreader();
            volatile int* volatile nowhere = nullptr;
            *nowhere = 1;
        },
        "console back in text mode");
}

TEST_F(consoleDeathTest, AbortAndUncaughtErrorsPutTheConsoleBack) {
    EXPECT_DEATH(
        {
            startreader();
            std::abort();
        },
        "console back in text mode");
    EXPECT_DEATH(
        {
            startreader();
            std::terminate();  // where an error that nothing catches ends
        },
        "console back in text mode");
}

#if defined(__SANITIZE_ADDRESS__)
#define ZHEDIT_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZHEDIT_TEST_ASAN 1
#endif
#endif

#ifdef ZHEDIT_TEST_ASAN
// The sanitizers' own end after a report also goes through the restore: the
// undefined-behaviour sanitizer's for the store above, the address
// sanitizer's here.
TEST_F(consoleDeathTest, SanitizerReportPutsTheConsoleBack) {
    EXPECT_DEATH(
        {
            startreader();
            char* volatile small = new char[4];  // of a size only the address sanitizer knows
            volatile int end = 4;
            volatile char past = small[end];
            (void)past;
            delete[] small;
        },
        "console back in text mode");
}
#endif

}  // namespace
