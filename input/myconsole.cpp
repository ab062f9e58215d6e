#include "input/myconsole.h"

#include <linux/kd.h>
#include <linux/vt.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>

#include <cstdint>

#include "input/wakeup.h"

namespace {

int realcontrol(int fd, unsigned long request, void* arg) { return ioctl(fd, request, arg); }

// The virtual terminals are the character devices of major 4, minors 1 to 63.
constexpr unsigned ttymajor = 4;
constexpr unsigned lastvt = 63;

// What take() found and changed; read by restore() in signal handlers.
volatile sig_atomic_t modetaken = 0;
bool graphicsrefused = false;
volatile sig_atomic_t switchingtaken = 0;
int foundmode = KD_TEXT;
vt_mode foundswitching{};

volatile sig_atomic_t shown = 1;
volatile sig_atomic_t releasepending = 0;
volatile sig_atomic_t acquirepending = 0;

// The main loop, woken, acknowledges the switch.
void onrelease(int) {
    releasepending = 1;
    wakeup::notify();
}
void onacquire(int) {
    acquirepending = 1;
    wakeup::notify();
}

void* asarg(long v) { return reinterpret_cast<void*>(intptr_t(v)); }

// This terminal's number, 0 when it cannot be told.
int ownnumber() {
    unsigned int dev = 0;
    if (myconsole::control(0, TIOCGDEV, &dev) != 0) return 0;
    if (major(dev) != ttymajor || minor(dev) < 1 || minor(dev) > lastvt) return 0;
    return int(minor(dev));
}

// The actions the switching signals had before (where switching is not
// taken, they end the program like any other end signal).
struct sigaction beforerelease, beforeacquire;

void catchswitches() {
    struct sigaction sa {};
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = onrelease;
    sigaction(myconsole::releasesignal, &sa, &beforerelease);
    sa.sa_handler = onacquire;
    sigaction(myconsole::acquiresignal, &sa, &beforeacquire);
}

void uncatchswitches() {
    sigaction(myconsole::releasesignal, &beforerelease, nullptr);
    sigaction(myconsole::acquiresignal, &beforeacquire, nullptr);
}

// The kernel then asks before switching away and tells when it switched back.
void takeswitching() {
    vt_mode found{};
    if (myconsole::control(0, VT_GETMODE, &found) != 0) return;
    foundswitching = found;
    catchswitches();
    vt_mode mine = found;
    mine.mode = VT_PROCESS;
    mine.waitv = 0;
    mine.relsig = short(myconsole::releasesignal);
    mine.acqsig = short(myconsole::acquiresignal);
    mine.frsig = 0;
    if (myconsole::control(0, VT_SETMODE, &mine) == 0)
        switchingtaken = 1;
    else
        uncatchswitches();
}

bool onshow() {
    const int own = ownnumber();
    vt_stat state{};
    if (own == 0 || myconsole::control(0, VT_GETSTATE, &state) != 0) return true;
    return state.v_active == own;
}

}  // namespace

myconsole::controlfn myconsole::control = realcontrol;

void myconsole::take() {
    wakeup::open();  // before the switching handlers, which write into it
    int mode = KD_TEXT;
    if (control(0, KDGETMODE, &mode) != 0) return;  // no virtual terminal
    takeswitching();
    // Asked only now, so that a switch in between still sends its signal.
    // Without switching no acquire would ever come: the terminal counts as shown.
    if (switchingtaken && !onshow()) shown = 0;
    foundmode = mode;
    if (control(0, KDSETMODE, asarg(KD_GRAPHICS)) == 0) modetaken = 1;
    else graphicsrefused = true;
}

bool myconsole::visible() { return shown != 0; }

bool myconsole::textshowsthrough() { return graphicsrefused; }

// A release and an acquire may both be pending (the user went away and came
// back within one poll); they are taken in the order the state allows.
bool myconsole::poll() {
    bool redraw = false;
    for (;;) {
        if (shown && releasepending) {
            releasepending = 0;
            shown = 0;
            control(0, VT_RELDISP, asarg(1));
        } else if (!shown && acquirepending) {
            acquirepending = 0;
            shown = 1;
            control(0, VT_RELDISP, asarg(VT_ACKACQ));
            redraw = true;
        } else {
            break;
        }
    }
    // An acquire while shown (a start just as the terminal came up) is still
    // acknowledged, and the frame copied to be sure.
    if (acquirepending) {
        acquirepending = 0;
        control(0, VT_RELDISP, asarg(VT_ACKACQ));
        redraw = true;
    }
    return redraw && shown;
}

// The graphics mode goes first, while this terminal may still be on show, so
// the console draws its text again; a switch the user asked for and still
// waits for is let through before the switching goes back to the kernel.
void myconsole::restore() {
    if (modetaken) control(0, KDSETMODE, asarg(foundmode));
    if (switchingtaken) {
        if (releasepending && shown) control(0, VT_RELDISP, asarg(1));
        control(0, VT_SETMODE, &foundswitching);
    }
}

void myconsole::forget() {
    modetaken = 0;
    graphicsrefused = false;
    switchingtaken = 0;
    foundmode = KD_TEXT;
    foundswitching = vt_mode{};
    shown = 1;
    releasepending = 0;
    acquirepending = 0;
}
