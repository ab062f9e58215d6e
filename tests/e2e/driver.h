// End-to-end driver: runs the real zhedit binary on a pseudo-terminal against
// the virtual framebuffer library (tools/vfb/vfb.cpp) and talks to it key by key.
//
//   zhe2e::options o;
//   o.files["aaaaa.txt"] = "hello";
//   zhe2e::session s(o);
//   ASSERT_TRUE(s.start()) << s.error();       // start-up done: the first screen shown
//   ASSERT_TRUE(s.key("a")) << s.error();      // one key, waits until it is handled and shown
//   ASSERT_TRUE(s.key(zhe2e::keys::F7)) << s.error();
//   zhe2e::result r = s.finish();              // waits for the end, collects everything
//
// Each session has its own temporary directory: "work/" is the program's
// current directory (the files written into it and read back from it), "vfb/"
// holds the frame file, the frame FIFO and the redirected clipboard file. It is
// removed when the session is destroyed unless ZHEDIT_E2E_KEEP is set.
//
// Synchronisation is by the waits the framebuffer library counts: the program
// waits for input with no time limit only when it has handled every key it
// read and copied what they drew, and the library notes how many bytes it had
// read by then. After writing keys the driver waits until the program waits
// again having read every byte written so far; start-up is done at its first
// wait. The timeout is a safety net that fails the step.
#ifndef ZHEDIT_TESTS_E2E_DRIVER_H
#define ZHEDIT_TESTS_E2E_DRIVER_H

#include <termios.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zhe2e {

// Key byte strings as an xterm-like terminal sends them.
namespace keys {
inline const std::string F1 = "\x1bOP";
inline const std::string F2 = "\x1bOQ";
inline const std::string F3 = "\x1bOR";
inline const std::string F4 = "\x1bOS";
inline const std::string F5 = "\x1b[15~";
inline const std::string F6 = "\x1b[17~";
inline const std::string F7 = "\x1b[18~";
inline const std::string F8 = "\x1b[19~";
inline const std::string F9 = "\x1b[20~";
// The Linux console's forms of F1 to F5.
inline const std::string ConsoleF1 = "\x1b[[A";
inline const std::string ConsoleF2 = "\x1b[[B";
inline const std::string ConsoleF3 = "\x1b[[C";
inline const std::string ConsoleF4 = "\x1b[[D";
inline const std::string ConsoleF5 = "\x1b[[E";
inline const std::string Up = "\x1b[A";
inline const std::string Down = "\x1b[B";
inline const std::string Right = "\x1b[C";
inline const std::string Left = "\x1b[D";
inline const std::string Home = "\x1b[H";
inline const std::string End = "\x1b[F";
inline const std::string ConsoleHome = "\x1b[1~";
inline const std::string ConsoleEnd = "\x1b[4~";
inline const std::string Insert = "\x1b[2~";
inline const std::string Delete = "\x1b[3~";
inline const std::string PageUp = "\x1b[5~";
inline const std::string PageDown = "\x1b[6~";
inline const std::string Enter = "\n";
inline const std::string Backspace = "\x7f";
inline const std::string Tab = "\t";
inline const std::string Escape = "\x1b";
inline const std::string Nul = std::string(1, '\0');
}  // namespace keys

// One screen as the program last copied it: width*height pixels of 4 bytes
// (blue, green, red, alpha), rows top-down. On a device of another format the
// pixels are decoded from its memory, each colour field's bits at the top of
// its byte, or a wider field's top 8 bits (vfbformat.h).
struct frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  bool empty() const { return pixels.empty(); }
  // Blue, green, red, alpha of one pixel; all zero outside the frame.
  std::uint32_t at(int x, int y) const;
};

struct options {
  std::vector<std::string> args;              // after the program name
  int width = 1024;                           // screen size the framebuffer reports
  int height = 768;
  std::string fail;                           // "", "open", "fixed" or "variable"
  std::map<std::string, std::string> files;   // written into the working directory first
  std::map<std::string, std::string> links;   // symbolic links made there: name -> target
  std::vector<std::string> fifos;             // FIFOs made there
  bool stdinnull = false;                     // standard input is /dev/null, not the terminal
  bool stderrapart = false;                   // standard error goes to result::errors, not the terminal
  std::optional<std::string> clipboard;       // contents of the clipboard file at start
  std::optional<std::string> clipboardlink;   // or: the clipboard file is a symbolic link to this file of "work/"
  std::string clipfile;                       // the clipboard file instead of the session's own (shared by sessions)
  std::map<std::string, std::string> env;     // extra environment for the program
  // The device's format (vfbformat.h); zero or empty means the default.
  int bitsperpixel = 32;
  std::string fields;                         // "offset:length" of red, green, blue[, transparency]
  int linelength = 0;                         // bytes per device row
  int virtualwidth = 0;                       // virtual resolution
  int virtualheight = 0;
  int xoffset = 0;                            // panning offset
  int yoffset = 0;
  int shortwrite = 0;                         // the device takes at most this many bytes per write
  std::string device = "/dev/fb0";            // the path the framebuffer answers to
  std::optional<std::string> framebuffer;     // FRAMEBUFFER for the program; never inherited
  std::string console;                        // "active" or "inactive": standard input is a virtual terminal
  std::chrono::milliseconds timeout{60000};   // safety net for every wait
};

// The virtual terminal the framebuffer library answers for (options::console).
struct consolestate {
  int kdmode = -1;          // KD_TEXT or KD_GRAPHICS; -1 when there is none
  int vtmode = 0;           // VT_AUTO or VT_PROCESS
  int relsig = 0;           // the signals asked for
  int acqsig = 0;
  unsigned releases = 0;    // switches acknowledged
  unsigned acquires = 0;
};

struct result {
  bool exited = false;      // ended by exit: see status
  int status = -1;
  bool signaled = false;    // ended by a signal: see signal
  int signal = 0;
  std::string output;       // everything the program wrote to the terminal
  std::string errors;       // what it wrote to standard error, with options::stderrapart
  std::map<std::string, std::string> files;  // working directory, path -> bytes
  std::optional<std::string> clipboard;      // the redirected clipboard file, if it exists
  frame last;               // the last frame copied to the framebuffer
  unsigned badwrites = 0;   // framebuffer writes that touched bytes outside the visible area
  unsigned opens = 0;       // opens of the framebuffer
  unsigned writes = 0;      // write() calls on the framebuffer
  std::vector<std::uint8_t> device;  // the device memory as the program left it
  consolestate console;
  termios before{};         // terminal settings before the program started
  termios after{};          // and after it ended
  bool haveafter = false;
  std::string error;        // what went wrong in the driver, empty when nothing did
};

class session {
 public:
  explicit session(options o = options());
  ~session();
  session(const session&) = delete;
  session& operator=(const session&) = delete;

  // Starts the program without waiting for anything.
  bool launch();
  // Starts the program and waits until it first waits for a key. False (see
  // error()) when it ended or timed out first.
  bool start();
  // Writes one key's bytes in one write and waits until the program has
  // handled it (settle). A key that ends the program (F7, F8) may end it instead.
  bool key(const std::string& bytes);
  // Several keys, one after the other, each as key().
  bool keys(const std::vector<std::string>& list);
  // Writes bytes without waiting (a NUL byte, split sequences, bursts).
  bool send(const std::string& bytes);
  // Waits until the program waits for input having read every byte written
  // so far; with `mayend`, its end will do too.
  bool settle(bool mayend = false);
  // Sends a signal to the program.
  bool kill(int sig);
  // On a console (options::console): the user switches to another terminal;
  // waits until the program acknowledged the release and waits again.
  bool switchaway();
  // And back: waits for the acknowledgement and the whole frame it copies.
  bool switchback();
  // Waits until the program has taken part in switching (VT_PROCESS).
  bool waitswitching();
  consolestate console() const;
  // The terminal settings as they are now (while the program runs).
  bool terminal(termios& now) const;
  // Waits for the program to end and collects the result. The session is
  // finished afterwards.
  result finish();

  unsigned waits() const;        // waits counted so far
  unsigned writes() const;       // write() calls on the framebuffer so far
  frame lastframe() const;       // the last frame copied so far
  // The visible rows written since the program last began to wait: after
  // key(), the rows that key wrote.
  std::vector<int> rowswritten() const;
  const std::string& output() const { return output_; }
  const std::string& error() const { return error_; }
  bool running() const { return pid_ > 0 && !ended_; }
  pid_t pid() const { return pid_; }
  const std::string& workdir() const { return workdir_; }
  const std::string& clippath() const { return clippath_; }

 private:
  bool fail(const std::string& what);
  bool setup();
  void mapframes();
  void drain();
  bool reap(bool block);
  bool waitfor(const char* what, bool mayend, bool (*done)(const session&, unsigned), unsigned arg);
  std::uint32_t headerfield(std::size_t offset) const;
  bool waitconsole(const char* what, bool (*done)(const consolestate&, unsigned), unsigned before);
  void cleanup();

  options opt_;
  std::string root_, workdir_, vfbdir_, framepath_, fifopath_, clippath_, errorpath_;
  pid_t pid_ = -1;
  int master_ = -1;
  int fifo_ = -1;
  int fifowriter_ = -1;
  int pidfd_ = -1;
  bool masterclosed_ = false;
  bool ended_ = false;
  int waitstatus_ = 0;
  bool finished_ = false;
  void* map_ = nullptr;
  std::size_t maplen_ = 0;
  unsigned sent_ = 0;  // bytes written to the terminal
  std::string output_;
  std::string error_;
  termios before_{};
  termios after_{};
  bool haveafter_ = false;
};

// True when two terminal settings are the same in every field that matters.
bool sametermios(const termios& a, const termios& b);
// The fields in which they differ, for messages.
std::string termiosdiff(const termios& a, const termios& b);

// Paths of the binaries under test, from the build; the environment variables
// ZHEDIT_E2E_PROGRAM and ZHEDIT_E2E_VFBLIB override them.
std::string programpath();
std::string vfblibpath();

}  // namespace zhe2e

#endif
