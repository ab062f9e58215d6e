#include "driver.h"

#include "tools/vfb/vfbformat.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/vt.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

namespace zhe2e {

namespace {

std::string fromenv(const char* name, const char* fallback) {
  const char* v = getenv(name);
  return (v != nullptr && *v != '\0') ? std::string(v) : std::string(fallback);
}

bool writefile(const fs::path& p, const std::string& bytes) {
  std::error_code ec;
  if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::optional<std::string> readfile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void setcloexec(int fd) {
  int flags = fcntl(fd, F_GETFD);
  if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

void setnonblock(int fd) {
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

std::string describestatus(int st) {
  if (WIFEXITED(st)) return "exit status " + std::to_string(WEXITSTATUS(st));
  if (WIFSIGNALED(st)) return std::string("signal ") + strsignal(WTERMSIG(st));
  return "wait status " + std::to_string(st);
}

const zhvfb::header* headerof(const void* map) { return static_cast<const zhvfb::header*>(map); }

const zhvfb::device* deviceof(const void* map) {
  const zhvfb::header* h = headerof(map);
  return reinterpret_cast<const zhvfb::device*>(static_cast<const char*>(map) +
                                                zhvfb::deviceoffset(h->width, h->height));
}

}  // namespace

std::string programpath() { return fromenv("ZHEDIT_E2E_PROGRAM", ZHEDIT_E2E_PROGRAM); }
std::string vfblibpath() { return fromenv("ZHEDIT_E2E_VFBLIB", ZHEDIT_E2E_VFBLIB); }

std::uint32_t frame::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
  if (i + 4 > pixels.size()) return 0;
  return static_cast<std::uint32_t>(pixels[i]) | static_cast<std::uint32_t>(pixels[i + 1]) << 8 |
         static_cast<std::uint32_t>(pixels[i + 2]) << 16 | static_cast<std::uint32_t>(pixels[i + 3]) << 24;
}

session::session(options o) : opt_(std::move(o)) {}

session::~session() {
  if (pid_ > 0 && !ended_) {
    ::kill(pid_, SIGKILL);
    reap(true);
  }
  cleanup();
  if (!root_.empty() && getenv("ZHEDIT_E2E_KEEP") == nullptr) {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
}

void session::cleanup() {
  if (map_ != nullptr) munmap(map_, maplen_);
  map_ = nullptr;
  for (int* fd : {&master_, &fifo_, &fifowriter_, &pidfd_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

bool session::fail(const std::string& what) {
  if (!error_.empty()) error_ += "; ";
  error_ += what;
  return false;
}

bool session::setup() {
  fs::path tmp;
  std::error_code ec;
  tmp = fs::temp_directory_path(ec);
  if (ec) tmp = "/tmp";
  std::string templ = (tmp / "zhedit-e2e-XXXXXX").string();
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) return fail(std::string("mkdtemp: ") + strerror(errno));
  root_ = buf.data();
  workdir_ = root_ + "/work";
  vfbdir_ = root_ + "/vfb";
  framepath_ = vfbdir_ + "/frame";
  fifopath_ = vfbdir_ + "/frames.fifo";
  clippath_ = opt_.clipfile.empty() ? vfbdir_ + "/clip.txt" : opt_.clipfile;
  errorpath_ = root_ + "/stderr";
  if (!fs::create_directory(workdir_, ec) || !fs::create_directory(vfbdir_, ec))
    return fail("cannot create the session directories under " + root_);
  for (const auto& [name, bytes] : opt_.files) {
    fs::path p(name);
    if (p.is_absolute() || name.find("..") != std::string::npos)
      return fail("file name outside the working directory: " + name);
    if (!writefile(fs::path(workdir_) / p, bytes)) return fail("cannot write " + name);
  }
  for (const auto& [name, target] : opt_.links)
    if (symlink(target.c_str(), (fs::path(workdir_) / name).c_str()) != 0) return fail("cannot link " + name);
  for (const std::string& name : opt_.fifos)
    if (mkfifo((fs::path(workdir_) / name).c_str(), 0600) != 0) return fail("cannot make the FIFO " + name);
  if (opt_.clipboard && !writefile(clippath_, *opt_.clipboard)) return fail("cannot write the clipboard file");
  if (opt_.clipboardlink && symlink((fs::path(workdir_) / *opt_.clipboardlink).c_str(), clippath_.c_str()) != 0)
    return fail(std::string("cannot link the clipboard file: ") + strerror(errno));
  if (mkfifo(fifopath_.c_str(), 0600) != 0) return fail(std::string("mkfifo: ") + strerror(errno));
  fifo_ = ::open(fifopath_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  // Holding a writer ourselves keeps the FIFO from reporting end-of-file when the program ends.
  if (fifo_ >= 0) fifowriter_ = ::open(fifopath_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fifo_ < 0 || fifowriter_ < 0) return fail(std::string("cannot open the frame FIFO: ") + strerror(errno));
  return true;
}

bool session::launch() {
  if (pid_ > 0 || finished_) return fail("the session was already started");
  if (!setup()) return false;

  std::string program = programpath();
  std::vector<std::string> argstrings{program};
  argstrings.insert(argstrings.end(), opt_.args.begin(), opt_.args.end());

  std::map<std::string, std::string> envmap;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    std::string kv(*e);
    std::size_t eq = kv.find('=');
    if (eq == std::string::npos) continue;
    std::string k = kv.substr(0, eq);
    if (k.rfind("ZHEDIT_VFB_", 0) == 0 || k == "FRAMEBUFFER" || k == "ZHEDIT_SIZE") continue;
    envmap[k] = kv.substr(eq + 1);
  }
  envmap["LD_PRELOAD"] = vfblibpath();
  // A sanitizer-built program checks that its runtime comes first; the preloaded library is ahead of it.
  std::string asan = envmap.count("ASAN_OPTIONS") ? envmap["ASAN_OPTIONS"] : "";
  envmap["ASAN_OPTIONS"] = asan.empty() ? "verify_asan_link_order=0" : asan + ":verify_asan_link_order=0";
  envmap[zhvfb::envsize] = std::to_string(opt_.width) + "x" + std::to_string(opt_.height);
  envmap[zhvfb::envframe] = framepath_;
  envmap[zhvfb::envnotify] = fifopath_;
  envmap[zhvfb::envclip] = clippath_;
  if (!opt_.fail.empty()) envmap[zhvfb::envfail] = opt_.fail;
  envmap[zhvfb::envdevice] = opt_.device;
  envmap[zhvfb::envbpp] = std::to_string(opt_.bitsperpixel);
  if (!opt_.fields.empty()) envmap[zhvfb::envfields] = opt_.fields;
  if (opt_.linelength > 0) envmap[zhvfb::envline] = std::to_string(opt_.linelength);
  if (opt_.virtualwidth > 0 && opt_.virtualheight > 0)
    envmap[zhvfb::envvirtual] = std::to_string(opt_.virtualwidth) + "x" + std::to_string(opt_.virtualheight);
  if (opt_.xoffset > 0 || opt_.yoffset > 0)
    envmap[zhvfb::envoffset] = std::to_string(opt_.xoffset) + "," + std::to_string(opt_.yoffset);
  if (opt_.shortwrite > 0) envmap[zhvfb::envshortwrite] = std::to_string(opt_.shortwrite);
  if (!opt_.console.empty()) envmap[zhvfb::envconsole] = opt_.console;
  if (opt_.framebuffer) envmap["FRAMEBUFFER"] = *opt_.framebuffer;
  for (const auto& [k, v] : opt_.env) envmap[k] = v;
  std::vector<std::string> envstrings;
  for (const auto& [k, v] : envmap) envstrings.push_back(k + "=" + v);

  std::vector<char*> argv, envp;
  for (std::string& s : argstrings) argv.push_back(s.data());
  argv.push_back(nullptr);
  for (std::string& s : envstrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  // The child waits at this gate until the terminal settings before the start have been read.
  int gate[2];
  if (pipe2(gate, O_CLOEXEC) != 0) return fail(std::string("pipe: ") + strerror(errno));
  winsize ws{};
  ws.ws_row = 24;
  ws.ws_col = 80;
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) {
    ::close(gate[0]);
    ::close(gate[1]);
    return fail(std::string("forkpty: ") + strerror(errno));
  }
  if (pid == 0) {
    ::close(gate[1]);
    char go = 0;
    ssize_t r;
    do r = ::read(gate[0], &go, 1);
    while (r < 0 && errno == EINTR);
    if (r != 1) _exit(126);
    if (chdir(workdir_.c_str()) != 0) _exit(126);
    const int in = opt_.stdinnull ? ::open("/dev/null", O_RDONLY) : 0;
    const int err = opt_.stderrapart ? ::open(errorpath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600) : 2;
    if (in < 0 || err < 0 || dup2(in, 0) < 0 || dup2(err, 2) < 0) _exit(126);
    if (in > 2) ::close(in);
    if (err > 2) ::close(err);
    execve(argv[0], argv.data(), envp.data());
    static const char msg[] = "e2e driver: cannot execute the program\n";
    ssize_t w = ::write(2, msg, sizeof msg - 1);
    (void)w;
    _exit(127);
  }
  pid_ = pid;
  master_ = master;
  ::close(gate[0]);
  setcloexec(master_);
  setnonblock(master_);
  if (tcgetattr(master_, &before_) != 0) fail(std::string("tcgetattr before the start: ") + strerror(errno));
#ifdef SYS_pidfd_open
  pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
#endif
  char go = 1;
  ssize_t w = ::write(gate[1], &go, 1);
  ::close(gate[1]);
  if (w != 1) return fail("cannot release the program");
  return error_.empty();
}

bool session::start() {
  if (!launch()) return false;
  return waitfor("the first wait", false, [](const session& s, unsigned) { return s.waits() > 0; }, 0);
}

void session::mapframes() {
  if (map_ != nullptr) return;
  int fd = ::open(framepath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(zhvfb::pixeloffset)) {
    std::size_t len = static_cast<std::size_t>(st.st_size);
    void* m = mmap(nullptr, len, PROT_READ, MAP_SHARED, fd, 0);
    if (m != MAP_FAILED) {
      const zhvfb::header* h = headerof(m);
      std::size_t devat = zhvfb::deviceoffset(h->width, h->height);
      bool ok = __atomic_load_n(&h->magic, __ATOMIC_ACQUIRE) == zhvfb::magic &&
                len >= devat + sizeof(zhvfb::device) &&
                len == zhvfb::rowsoffset(h->width, h->height, deviceof(m)->memsize) + h->height * sizeof(std::uint32_t);
      if (ok) {
        map_ = m;
        maplen_ = len;
      } else {
        munmap(m, len);
      }
    }
  }
  ::close(fd);
}

std::uint32_t session::headerfield(std::size_t offset) const {
  const_cast<session*>(this)->mapframes();
  if (map_ == nullptr) return 0;
  return __atomic_load_n(reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(map_) + offset),
                         __ATOMIC_ACQUIRE);
}

unsigned session::waits() const { return headerfield(offsetof(zhvfb::header, waits)); }

unsigned session::writes() const {
  const_cast<session*>(this)->mapframes();
  return map_ == nullptr ? 0 : __atomic_load_n(&deviceof(map_)->writes, __ATOMIC_ACQUIRE);
}

std::vector<int> session::rowswritten() const {
  std::vector<int> rows;
  const_cast<session*>(this)->mapframes();
  if (map_ == nullptr) return rows;
  const zhvfb::header* h = headerof(map_);
  const auto* stamps = reinterpret_cast<const std::uint32_t*>(
      static_cast<const char*>(map_) + zhvfb::rowsoffset(h->width, h->height, deviceof(map_)->memsize));
  const unsigned now = waits();
  for (std::uint32_t y = 0; y < h->height; ++y)
    if (__atomic_load_n(&stamps[y], __ATOMIC_ACQUIRE) == now) rows.push_back(static_cast<int>(y));
  return rows;
}

frame session::lastframe() const {
  frame f;
  const_cast<session*>(this)->mapframes();
  if (map_ == nullptr) return f;
  const zhvfb::header* h = headerof(map_);
  f.width = static_cast<int>(h->width);
  f.height = static_cast<int>(h->height);
  std::size_t bytes = static_cast<std::size_t>(h->width) * h->height * 4;
  const std::uint8_t* src = static_cast<const std::uint8_t*>(map_) + zhvfb::pixeloffset;
  // The program may be copying a frame right now: retry until a copy was not
  // overlapped by a write. A program that died inside a write leaves the
  // count odd for ever, so an ended program's frame is taken as it is.
  auto deadline = std::chrono::steady_clock::now() + opt_.timeout;
  for (;;) {
    std::uint32_t s1 = __atomic_load_n(&h->seq, __ATOMIC_ACQUIRE);
    f.pixels.assign(src, src + bytes);
    __atomic_thread_fence(__ATOMIC_ACQUIRE);
    std::uint32_t s2 = __atomic_load_n(&h->seq, __ATOMIC_RELAXED);
    if ((s1 == s2 && s1 % 2 == 0) || ended_ || std::chrono::steady_clock::now() > deadline) break;
    sched_yield();
  }
  return f;
}

void session::drain() {
  char buf[4096];
  if (master_ >= 0 && !masterclosed_) {
    for (;;) {
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) {
        output_.append(buf, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) break;
      masterclosed_ = true;  // EIO or end of file: no process has the terminal open any more
      break;
    }
  }
  if (fifo_ >= 0) {
    while (::read(fifo_, buf, sizeof buf) > 0) {
    }
  }
}

bool session::reap(bool block) {
  if (pid_ <= 0 || ended_) return ended_;
  int st = 0;
  pid_t r;
  do r = waitpid(pid_, &st, block ? 0 : WNOHANG);
  while (r < 0 && errno == EINTR);
  if (r == pid_) {
    ended_ = true;
    waitstatus_ = st;
  } else if (r < 0) {
    ended_ = true;  // not our child any more; nothing to wait for
    waitstatus_ = -1;
  }
  return ended_;
}

bool session::waitfor(const char* what, bool mayend, bool (*done)(const session&, unsigned), unsigned arg) {
  auto deadline = std::chrono::steady_clock::now() + opt_.timeout;
  for (;;) {
    drain();
    if (done(*this, arg)) return true;
    if (!running() || reap(false)) {
      drain();
      if (mayend) return true;
      return fail(std::string("the program ended (") + describestatus(waitstatus_) + ") before " + what +
                  "; output: " + output_);
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return fail(std::string("timed out waiting for ") + what);
    pollfd p[3];
    nfds_t np = 0;
    if (master_ >= 0 && !masterclosed_) p[np++] = {master_, POLLIN, 0};
    if (fifo_ >= 0) p[np++] = {fifo_, POLLIN, 0};
    if (pidfd_ >= 0) p[np++] = {pidfd_, POLLIN, 0};
    // Without a process descriptor the end of the program is noticed by looking again now and then.
    int slice = pidfd_ >= 0 ? static_cast<int>(std::min<long long>(left.count(), 1000 * 60)) : 50;
    poll(p, np, slice);
  }
}

bool session::settle(bool mayend) {
  return waitfor("the program to handle every key sent", mayend, [](const session& s, unsigned sent) {
    return s.headerfield(offsetof(zhvfb::header, waitedafter)) >= sent;
  }, sent_);
}

bool session::key(const std::string& bytes) {
  if (!running()) return fail("key sent but the program is not running");
  // F7 and F8 may end the program instead.
  return send(bytes) && settle(bytes == keys::F7 || bytes == keys::F8);
}

bool session::keys(const std::vector<std::string>& list) {
  for (const std::string& k : list)
    if (!key(k)) return false;
  return true;
}

bool session::send(const std::string& bytes) {
  if (!running() || master_ < 0) return fail("bytes sent but the program is not running");
  ssize_t w;
  do w = ::write(master_, bytes.data(), bytes.size());
  while (w < 0 && errno == EINTR);
  if (w != static_cast<ssize_t>(bytes.size()))
    return fail("short write to the terminal: " + std::string(w < 0 ? strerror(errno) : "partial"));
  sent_ += static_cast<unsigned>(bytes.size());
  return true;
}

bool session::kill(int sig) {
  if (!running()) return fail("signal sent but the program is not running");
  if (::kill(pid_, sig) != 0) return fail(std::string("kill: ") + strerror(errno));
  return true;
}

consolestate session::console() const {
  consolestate c;
  const_cast<session*>(this)->mapframes();
  if (map_ == nullptr) return c;
  const zhvfb::device* d = deviceof(map_);
  c.kdmode = __atomic_load_n(&d->kdmode, __ATOMIC_ACQUIRE);
  c.vtmode = __atomic_load_n(&d->vtmode, __ATOMIC_ACQUIRE);
  c.relsig = d->relsig;
  c.acqsig = d->acqsig;
  c.releases = __atomic_load_n(&d->releases, __ATOMIC_ACQUIRE);
  c.acquires = __atomic_load_n(&d->acquires, __ATOMIC_ACQUIRE);
  return c;
}

bool session::waitconsole(const char* what, bool (*done)(const consolestate&, unsigned), unsigned before) {
  auto deadline = std::chrono::steady_clock::now() + opt_.timeout;
  for (;;) {
    drain();
    if (done(console(), before)) return true;
    if (!running() || reap(false)) return fail(std::string("the program ended while waiting for ") + what);
    if (std::chrono::steady_clock::now() > deadline) return fail(std::string("timed out waiting for ") + what);
    usleep(1000);
  }
}

bool session::waitswitching() {
  return waitconsole("the switching mode", [](const consolestate& c, unsigned) { return c.vtmode == VT_PROCESS; }, 0);
}

bool session::switchaway() {
  if (!waitswitching()) return false;
  consolestate c = console();
  const unsigned before = waits();
  if (!kill(c.relsig)) return false;
  return waitconsole("the release", [](const consolestate& n, unsigned b) { return n.releases > b; }, c.releases) &&
         waitfor("a wait after the release", false, [](const session& s, unsigned w) { return s.waits() > w; },
                 before);
}

bool session::switchback() {
  if (!waitswitching()) return false;
  consolestate c = console();
  const unsigned before = waits();
  if (!kill(c.acqsig)) return false;
  return waitconsole("the acquire", [](const consolestate& s, unsigned b) { return s.acquires > b; }, c.acquires) &&
         waitfor("a wait after the acquire", false, [](const session& s, unsigned w) { return s.waits() > w; },
                 before);
}

bool session::terminal(termios& now) const { return master_ >= 0 && tcgetattr(master_, &now) == 0; }

result session::finish() {
  result r;
  if (finished_) {
    fail("finish() called twice");
    r.error = error_;
    return r;
  }
  finished_ = true;
  if (pid_ <= 0) {
    fail("finish() without a started program");
    r.error = error_;
    return r;
  }
  auto deadline = std::chrono::steady_clock::now() + opt_.timeout;
  while (!reap(false)) {
    drain();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      fail("the program did not end; killed");
      ::kill(pid_, SIGKILL);
      reap(true);
      break;
    }
    pollfd p[2];
    nfds_t np = 0;
    if (master_ >= 0 && !masterclosed_) p[np++] = {master_, POLLIN, 0};
    if (pidfd_ >= 0) p[np++] = {pidfd_, POLLIN, 0};
    int slice = pidfd_ >= 0 ? static_cast<int>(std::min<long long>(left.count(), 1000 * 60)) : 50;
    poll(p, np, slice);
  }
  // The terminal is closed by now; what the program wrote is still to be read.
  drain();
  haveafter_ = master_ >= 0 && tcgetattr(master_, &after_) == 0;
  if (!haveafter_) fail(std::string("tcgetattr after the end: ") + strerror(errno));

  if (waitstatus_ != -1 && WIFEXITED(waitstatus_)) {
    r.exited = true;
    r.status = WEXITSTATUS(waitstatus_);
  } else if (waitstatus_ != -1 && WIFSIGNALED(waitstatus_)) {
    r.signaled = true;
    r.signal = WTERMSIG(waitstatus_);
  }
  r.output = output_;
  if (opt_.stderrapart) r.errors = readfile(errorpath_).value_or("");
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(workdir_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    if (auto bytes = readfile(it->path())) r.files[fs::relative(it->path(), workdir_).string()] = *bytes;
  }
  r.clipboard = readfile(clippath_);
  r.last = lastframe();
  if (map_ != nullptr) {
    const zhvfb::header* h = headerof(map_);
    r.badwrites = __atomic_load_n(&h->badwrites, __ATOMIC_ACQUIRE);
    r.opens = __atomic_load_n(&h->opens, __ATOMIC_ACQUIRE);
    const zhvfb::device* d = deviceof(map_);
    r.writes = __atomic_load_n(&d->writes, __ATOMIC_ACQUIRE);
    const std::uint8_t* mem = reinterpret_cast<const std::uint8_t*>(d + 1);
    r.device.assign(mem, mem + d->memsize);
    r.console = console();
  }
  r.before = before_;
  r.after = after_;
  r.haveafter = haveafter_;
  r.error = error_;
  cleanup();
  return r;
}

bool sametermios(const termios& a, const termios& b) { return termiosdiff(a, b).empty(); }

std::string termiosdiff(const termios& a, const termios& b) {
  std::ostringstream s;
  auto flag = [&](const char* name, tcflag_t x, tcflag_t y) {
    if (x != y) s << name << " " << std::hex << x << " vs " << y << std::dec << "; ";
  };
  flag("c_iflag", a.c_iflag, b.c_iflag);
  flag("c_oflag", a.c_oflag, b.c_oflag);
  flag("c_cflag", a.c_cflag, b.c_cflag);
  flag("c_lflag", a.c_lflag, b.c_lflag);
  for (std::size_t i = 0; i < NCCS; ++i)
    if (a.c_cc[i] != b.c_cc[i])
      s << "c_cc[" << i << "] " << static_cast<int>(a.c_cc[i]) << " vs " << static_cast<int>(b.c_cc[i]) << "; ";
  if (cfgetispeed(&a) != cfgetispeed(&b) || cfgetospeed(&a) != cfgetospeed(&b)) s << "speeds differ; ";
  return s.str();
}

}  // namespace zhe2e
