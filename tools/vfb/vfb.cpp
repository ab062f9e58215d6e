// zheditvfb: a virtual framebuffer for running zhedit where there is no
// /dev/fb0 (test runs, the developer preview). Loaded with LD_PRELOAD, it
// answers the program's framebuffer calls itself:
//
//   open/openat("/dev/fb0")    a real descriptor of /dev/null, remembered as the screen
//                              (ZHEDIT_VFB_DEVICE names another path; any other
//                              /dev/fb* fails, so no run reaches a real device)
//   ioctl FBIOGET_FSCREENINFO  line_length, memory size, true colour from 16 bits up
//   ioctl FBIOGET_VSCREENINFO  xres/yres from ZHEDIT_VFB_SIZE ("WxH", default 1024x768),
//                              depth, colour fields, virtual size and panning offset
//                              from the ZHEDIT_VFB_* variables of vfbformat.h
//                              (default 32 bits, blue green red alpha, rows of width*4)
//   lseek, write               the device memory, kept in the frame file
//                              ZHEDIT_VFB_FRAME with the visible screen decoded
//                              to 32 bits and the rows each key wrote (layout in
//                              vfbformat.h)
//   close                      forgets the screen descriptor
//   poll, ppoll, read          on standard input: counted in the frame file when
//                              the program begins to wait with no input pending,
//                              with the bytes it has read (vfbformat.h)
//
// ZHEDIT_VFB_FAIL=open|fixed|variable makes the open or one of the two
// ioctls fail. ZHEDIT_VFB_SHORTWRITE=N makes every write take at most N
// bytes. ZHEDIT_VFB_CONSOLE=active|inactive makes standard input answer the
// console requests (graphics mode, terminal switching) as a virtual terminal
// on show or not, recording them in the frame file. ZHEDIT_VFB_NOTIFY names a FIFO that gets one byte after each
// frame so that a waiting reader can poll it. ZHEDIT_VFB_CLIP redirects the
// clipboard file "//tmp//clip.txt" (any spelling of /tmp/clip.txt) and its
// temporary files in /tmp (".clip.txt.*") for every call that takes a path
// (open, fopen, stat, rename, unlink and their relatives): they go to the
// same names in the directory of ZHEDIT_VFB_CLIP, with "clip.txt" replaced by
// its file name; when it is unset those calls are left alone.
// ZHEDIT_VFB_FULLDIR names a directory whose disk is full: a write or pwrite
// to a file under it may overwrite the bytes the file has, but of the bytes
// that make a file longer only ZHEDIT_VFB_ROOM (default 0) in all are taken,
// then the write is cut short or fails with ENOSPC.
//
// Every other call goes to the next definition of the symbol. This library is
// a development tool for the preview and the tests: it is never linked into
// the program.

#undef _FORTIFY_SOURCE

#include "vfbformat.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <string>

namespace {

using openfn = int (*)(const char*, int, ...);
using openatfn = int (*)(int, const char*, int, ...);
using ioctlfn = int (*)(int, unsigned long, ...);
using lseekfn = off_t (*)(int, off_t, int);
using lseek64fn = off64_t (*)(int, off64_t, int);
using writefn = ssize_t (*)(int, const void*, size_t);
using readfn = ssize_t (*)(int, void*, size_t);
using pollfn = int (*)(struct pollfd*, nfds_t, int);
using ppollfn = int (*)(struct pollfd*, nfds_t, const struct timespec*, const sigset_t*);
using closefn = int (*)(int);
using fopenfn = FILE* (*)(const char*, const char*);
using pwritefn = ssize_t (*)(int, const void*, size_t, off_t);
using pathfn = int (*)(const char*);
using atpathfn = int (*)(int, const char*, int);
using renamefn = int (*)(const char*, const char*);
using renameatfn = int (*)(int, const char*, int, const char*);
using renameat2fn = int (*)(int, const char*, int, const char*, unsigned);
using statfn = int (*)(const char*, struct stat*);
using stat64fn = int (*)(const char*, struct stat64*);
using fstatatfn = int (*)(int, const char*, struct stat*, int);
using fstatat64fn = int (*)(int, const char*, struct stat64*, int);

template <typename F>
F nextdef(const char* name) {
  void* p = dlsym(RTLD_NEXT, name);
  if (p == nullptr) {
    // Nothing sensible can go on without the real call.
    fprintf(stderr, "zheditvfb: no next definition of %s\n", name);
    abort();
  }
  return reinterpret_cast<F>(p);
}

openfn realopen() { static openfn f = nextdef<openfn>("open"); return f; }
openfn realopen64() { static openfn f = nextdef<openfn>("open64"); return f; }
openatfn realopenat() { static openatfn f = nextdef<openatfn>("openat"); return f; }
openatfn realopenat64() { static openatfn f = nextdef<openatfn>("openat64"); return f; }
ioctlfn realioctl() { static ioctlfn f = nextdef<ioctlfn>("ioctl"); return f; }
lseekfn reallseek() { static lseekfn f = nextdef<lseekfn>("lseek"); return f; }
lseek64fn reallseek64() { static lseek64fn f = nextdef<lseek64fn>("lseek64"); return f; }
writefn realwrite() { static writefn f = nextdef<writefn>("write"); return f; }
readfn realread() { static readfn f = nextdef<readfn>("read"); return f; }
pollfn realpoll() { static pollfn f = nextdef<pollfn>("poll"); return f; }
ppollfn realppoll() { static ppollfn f = nextdef<ppollfn>("ppoll"); return f; }
closefn realclose() { static closefn f = nextdef<closefn>("close"); return f; }
fopenfn realfopen() { static fopenfn f = nextdef<fopenfn>("fopen"); return f; }
fopenfn realfopen64() { static fopenfn f = nextdef<fopenfn>("fopen64"); return f; }
pwritefn realpwrite() { static pwritefn f = nextdef<pwritefn>("pwrite"); return f; }
pwritefn realpwrite64() { static pwritefn f = nextdef<pwritefn>("pwrite64"); return f; }

// --- configuration --------------------------------------------------------

bool failis(const char* what) {
  const char* v = getenv(zhvfb::envfail);
  return v != nullptr && strcmp(v, what) == 0;
}

// Two numbers "A<sep>B" from a variable, each from 0 to 16384; false when it
// is unset, and a complaint when it is malformed.
bool envpair(const char* name, char sep, long& a, long& b) {
  const char* v = getenv(name);
  if (v == nullptr || *v == '\0') return false;
  char* end = nullptr;
  errno = 0;
  long pa = strtol(v, &end, 10);
  if (errno == 0 && end != v && *end == sep) {
    const char* bs = end + 1;
    long pb = strtol(bs, &end, 10);
    if (errno == 0 && end != bs && *end == '\0' && pa >= 0 && pa <= 16384 && pb >= 0 && pb <= 16384) {
      a = pa;
      b = pb;
      return true;
    }
  }
  fprintf(stderr, "zheditvfb: %s=\"%s\" is not two numbers separated by '%c', ignored\n", name, v, sep);
  return false;
}

long envnumber(const char* name, long fallback, long lo, long hi) {
  const char* v = getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  char* end = nullptr;
  errno = 0;
  long n = strtol(v, &end, 10);
  if (errno == 0 && end != v && *end == '\0' && n >= lo && n <= hi) return n;
  fprintf(stderr, "zheditvfb: %s=\"%s\" is out of range, using %ld\n", name, v, fallback);
  return fallback;
}

void screensize(std::uint32_t& w, std::uint32_t& h) {
  w = 1024;
  h = 768;
  long pw = 0, ph = 0;
  if (!envpair(zhvfb::envsize, 'x', pw, ph)) return;
  if (pw > 0 && ph > 0) {
    w = static_cast<std::uint32_t>(pw);
    h = static_cast<std::uint32_t>(ph);
  }
}

// The clipboard's own name in /tmp that path names, however many slashes
// separate its parts: "clip.txt" or one of its temporary files ".clip.txt.*";
// nullptr for any other path.
const char* clipname(const char* path) {
  if (path == nullptr) return nullptr;
  static const char dir[] = "/tmp/";
  const char* p = path;
  for (size_t i = 0; i < sizeof dir - 1; ++p) {
    if (*p == '/' && p[1] == '/') continue;
    if (*p != dir[i]) return nullptr;
    ++i;
  }
  while (*p == '/') ++p;
  if (strchr(p, '/') != nullptr) return nullptr;
  return strcmp(p, "clip.txt") == 0 || strncmp(p, ".clip.txt.", 10) == 0 ? p : nullptr;
}

// Where a call on path goes: the same name beside ZHEDIT_VFB_CLIP for the
// clipboard's names (in storage), path itself for any other.
const char* clipredirect(const char* path, std::string& storage) {
  const char* to = getenv(zhvfb::envclip);
  const char* name = clipname(path);
  if (name == nullptr || to == nullptr || *to == '\0') return path;
  const char* slash = strrchr(to, '/');
  const std::string dir = slash != nullptr ? std::string(to, static_cast<size_t>(slash - to) + 1) : "";
  const std::string base = slash != nullptr ? slash + 1 : to;
  storage = dir + (name[0] == '.' ? "." + base + (name + strlen(".clip.txt")) : base);
  return storage.c_str();
}

// --- a full disk ----------------------------------------------------------

struct fulldisk {
  bool read = false;
  std::string dir;        // canonical, without a final slash; empty: no full disk
  long long room = 0;     // bytes that may still make files longer
};
fulldisk full;

fulldisk& fullstate() {
  if (!full.read) {
    full.read = true;
    const char* d = getenv(zhvfb::envfulldir);
    char canonical[PATH_MAX];
    if (d != nullptr && *d != '\0' && realpath(d, canonical) != nullptr) full.dir = canonical;
    full.room = envnumber(zhvfb::envroom, 0, 0, 1L << 40);
  }
  return full;
}

// How many of n bytes written at offset at (-1: the file position) of fd
// the disk takes.
size_t takenbydisk(int fd, size_t n, off_t at) {
  fulldisk& f = fullstate();
  if (f.dir.empty() || n == 0) return n;
  char link[64], target[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t len = readlink(link, target, sizeof target - 1);
  if (len <= 0) return n;
  target[len] = '\0';
  if (strncmp(target, f.dir.c_str(), f.dir.size()) != 0 || target[f.dir.size()] != '/') return n;
  struct stat st;
  const off_t pos = at >= 0 ? at : reallseek()(fd, 0, SEEK_CUR);
  if (fstat(fd, &st) != 0 || pos < 0) return n;
  const long long end = static_cast<long long>(pos) + static_cast<long long>(n);
  if (end <= st.st_size) return n;
  const long long growth = end - (pos > st.st_size ? pos : st.st_size);
  const long long taken = growth < f.room ? growth : f.room;
  f.room -= taken;
  return n - static_cast<size_t>(growth - taken);
}

// A write the full disk cuts short: what fits, or ENOSPC when nothing does.
template <typename Write>
ssize_t writeondisk(int fd, size_t n, off_t at, Write write) {
  const size_t k = takenbydisk(fd, n, at);
  if (k == 0 && n > 0) {
    errno = ENOSPC;
    return -1;
  }
  return write(k);
}

// --- the screen -----------------------------------------------------------

struct field {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

struct screenstate {
  bool ready = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bpp = 32;
  field fields[4];                 // red, green, blue, transparency
  std::size_t line = 0;            // bytes per device row
  std::size_t xoffset = 0;
  std::size_t yoffset = 0;
  std::uint32_t vwidth = 0;
  std::uint32_t vheight = 0;
  std::size_t memsize = 0;         // device memory: line * vheight
  std::size_t shortwrite = 0;      // 0: writes take everything that fits
  zhvfb::header* hdr = nullptr;    // the mapped frame file, or null without one
  unsigned char* pixels = nullptr; // the visible screen decoded, in the frame file
  unsigned char* mem = nullptr;    // the device memory, in the frame file
  zhvfb::device local{};           // the device block when there is no frame file
  zhvfb::device* dev = &local;
  std::uint32_t* rows = nullptr;   // per visible row: the wait count plus one at its last write
  int notifyfd = -1;
  std::uint32_t waits = 0;         // kept here too when there is no frame file
  std::uint32_t readbytes = 0;
};
screenstate screen;

const char* devicepath() {
  const char* v = getenv(zhvfb::envdevice);
  return (v != nullptr && *v != '\0') ? v : "/dev/fb0";
}

// Framebuffer paths other than ours fail, so that no test ever reaches a real device.
bool isotherdevice(const char* path) { return strncmp(path, "/dev/fb", 7) == 0; }

// Open descriptors of the screen and their file positions.
constexpr int maxfds = 8;
struct fbfd {
  int fd = -1;
  std::size_t pos = 0;
};
fbfd fds[maxfds];

fbfd* findfd(int fd) {
  if (fd < 0) return nullptr;
  for (fbfd& f : fds)
    if (f.fd == fd) return &f;
  return nullptr;
}

fbfd* freeslot() {
  for (fbfd& f : fds)
    if (f.fd < 0) return &f;
  return nullptr;
}

void defaultfields(std::uint32_t bpp, field* f) {
  if (bpp == 16) {
    f[0] = {11, 5}, f[1] = {5, 6}, f[2] = {0, 5}, f[3] = {0, 0};
  } else if (bpp == 24 || bpp == 32) {
    f[0] = {16, 8}, f[1] = {8, 8}, f[2] = {0, 8}, f[3] = {bpp == 32 ? 24u : 0u, bpp == 32 ? 8u : 0u};
  } else {
    std::uint32_t l = bpp < 8 ? bpp : 8;
    f[0] = {0, l}, f[1] = {0, l}, f[2] = {0, l}, f[3] = {0, 0};
  }
}

// "off:len,off:len,off:len[,off:len]" for red, green, blue and transparency.
void readfields(field* f) {
  const char* v = getenv(zhvfb::envfields);
  if (v == nullptr || *v == '\0') return;
  field got[4];
  int n = 0;
  const char* p = v;
  while (n < 4) {
    char* end = nullptr;
    unsigned long off = strtoul(p, &end, 10);
    if (end == p || *end != ':') break;
    p = end + 1;
    unsigned long len = strtoul(p, &end, 10);
    if (end == p || off > 31 || len > 32) break;
    got[n++] = {static_cast<std::uint32_t>(off), static_cast<std::uint32_t>(len)};
    p = end;
    if (*p == '\0') break;
    if (*p != ',') {
      n = 0;
      break;
    }
    ++p;
  }
  if (n < 3 || *p != '\0') {
    fprintf(stderr, "zheditvfb: %s=\"%s\" is not offset:length for red, green, blue, ignored\n", zhvfb::envfields, v);
    return;
  }
  for (int i = 0; i < 4; ++i) f[i] = i < n ? got[i] : field{};
}

void readformat() {
  screensize(screen.width, screen.height);
  screen.bpp = static_cast<std::uint32_t>(envnumber(zhvfb::envbpp, 32, 1, 32));
  defaultfields(screen.bpp, screen.fields);
  readfields(screen.fields);
  long a = 0, b = 0;
  screen.vwidth = screen.width;
  screen.vheight = screen.height;
  if (envpair(zhvfb::envvirtual, 'x', a, b) && a > 0 && b > 0) {
    screen.vwidth = static_cast<std::uint32_t>(a);
    screen.vheight = static_cast<std::uint32_t>(b);
  }
  if (envpair(zhvfb::envoffset, ',', a, b)) {
    screen.xoffset = static_cast<std::size_t>(a);
    screen.yoffset = static_cast<std::size_t>(b);
  }
  long defline = (static_cast<long>(screen.vwidth) * screen.bpp + 7) / 8;
  screen.line = static_cast<std::size_t>(envnumber(zhvfb::envline, defline, 1, 1L << 20));
  screen.memsize = screen.line * screen.vheight;
  screen.shortwrite = static_cast<std::size_t>(envnumber(zhvfb::envshortwrite, 0, 0, 1L << 30));
}

void describedevice(zhvfb::device& d) {
  d.bitsperpixel = screen.bpp;
  d.linelength = static_cast<std::uint32_t>(screen.line);
  d.xoffset = static_cast<std::uint32_t>(screen.xoffset);
  d.yoffset = static_cast<std::uint32_t>(screen.yoffset);
  d.virtualwidth = screen.vwidth;
  d.virtualheight = screen.vheight;
  d.memsize = static_cast<std::uint32_t>(screen.memsize);
  d.kdmode = -1;
}

void setupscreen() {
  if (screen.ready) return;
  screen.ready = true;
  readformat();
  describedevice(screen.local);

  const char* path = getenv(zhvfb::envframe);
  if (path != nullptr && *path != '\0') {
    int fd = realopen()(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
      std::size_t devat = zhvfb::deviceoffset(screen.width, screen.height);
      std::size_t rowsat = zhvfb::rowsoffset(screen.width, screen.height, screen.memsize);
      std::size_t total = rowsat + screen.height * sizeof(std::uint32_t);
      void* m = MAP_FAILED;
      if (ftruncate(fd, static_cast<off_t>(total)) == 0)
        m = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      realclose()(fd);
      if (m != MAP_FAILED) {
        unsigned char* base = static_cast<unsigned char*>(m);
        screen.hdr = static_cast<zhvfb::header*>(m);
        screen.pixels = base + zhvfb::pixeloffset;
        screen.dev = reinterpret_cast<zhvfb::device*>(base + devat);
        *screen.dev = screen.local;
        screen.mem = base + devat + sizeof(zhvfb::device);
        screen.rows = reinterpret_cast<std::uint32_t*>(base + rowsat);
        screen.hdr->width = screen.width;
        screen.hdr->height = screen.height;
        __atomic_store_n(&screen.hdr->magic, zhvfb::magic, __ATOMIC_RELEASE);
      }
    }
    if (screen.hdr == nullptr) fprintf(stderr, "zheditvfb: cannot set up the frame file %s\n", path);
  }
  const char* fifo = getenv(zhvfb::envnotify);
  if (fifo != nullptr && *fifo != '\0')
    screen.notifyfd = realopen()(fifo, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

int openscreen() {
  if (failis("open")) {
    errno = ENOENT;
    return -1;
  }
  fbfd* slot = freeslot();
  if (slot == nullptr) {
    errno = EMFILE;
    return -1;
  }
  setupscreen();
  int fd = realopen()("/dev/null", O_RDWR);
  if (fd < 0) return -1;
  slot->fd = fd;
  slot->pos = 0;
  if (screen.hdr != nullptr) __atomic_add_fetch(&screen.hdr->opens, 1, __ATOMIC_RELEASE);
  return fd;
}

// False, with errno set, when the screen information request is to fail
// (simulated failure `mode`) or has nowhere to go.
bool answerable(const char* mode, void* arg) {
  if (failis(mode)) {
    errno = EIO;
    return false;
  }
  if (arg == nullptr) {
    errno = EFAULT;
    return false;
  }
  return true;
}

fb_bitfield bitfield(const field& f) { return fb_bitfield{f.offset, f.length, 0}; }

int screenioctl(unsigned long request, void* arg) {
  if (request == FBIOGET_FSCREENINFO) {
    if (!answerable("fixed", arg)) return -1;
    fb_fix_screeninfo fix;
    memset(&fix, 0, sizeof fix);
    snprintf(fix.id, sizeof fix.id, "zheditvfb");
    fix.smem_len = static_cast<std::uint32_t>(screen.memsize);
    fix.type = FB_TYPE_PACKED_PIXELS;
    fix.visual = screen.bpp >= 16 ? FB_VISUAL_TRUECOLOR : screen.bpp == 1 ? FB_VISUAL_MONO10 : FB_VISUAL_PSEUDOCOLOR;
    fix.line_length = static_cast<std::uint32_t>(screen.line);
    fix.accel = FB_ACCEL_NONE;
    memcpy(arg, &fix, sizeof fix);
    return 0;
  }
  if (request == FBIOGET_VSCREENINFO) {
    if (!answerable("variable", arg)) return -1;
    fb_var_screeninfo var;
    memset(&var, 0, sizeof var);
    var.xres = screen.width;
    var.yres = screen.height;
    var.xres_virtual = screen.vwidth;
    var.yres_virtual = screen.vheight;
    var.xoffset = static_cast<std::uint32_t>(screen.xoffset);
    var.yoffset = static_cast<std::uint32_t>(screen.yoffset);
    var.bits_per_pixel = screen.bpp;
    var.red = bitfield(screen.fields[0]);
    var.green = bitfield(screen.fields[1]);
    var.blue = bitfield(screen.fields[2]);
    var.transp = bitfield(screen.fields[3]);
    var.height = var.width = 0xFFFFFFFFu;  // physical size unknown
    var.vmode = FB_VMODE_NONINTERLACED;
    memcpy(arg, &var, sizeof var);
    return 0;
  }
  errno = ENOTTY;
  return -1;
}

long long screenlseek(fbfd& f, long long offset, int whence) {
  long long base;
  if (whence == SEEK_SET)
    base = 0;
  else if (whence == SEEK_CUR)
    base = static_cast<long long>(f.pos);
  else if (whence == SEEK_END)
    base = static_cast<long long>(screen.memsize);
  else {
    errno = EINVAL;
    return -1;
  }
  if ((offset > 0 && base > __LONG_LONG_MAX__ - offset)) {
    errno = EOVERFLOW;
    return -1;
  }
  long long to = base + offset;
  if (to < 0) {
    errno = EINVAL;
    return -1;
  }
  f.pos = static_cast<std::size_t>(to);
  return to;
}

std::size_t bytesperpixel() { return (screen.bpp + 7) / 8; }
std::size_t rowbytes() { return screen.width * bytesperpixel(); }
std::size_t rowstart(std::size_t y) { return (screen.yoffset + y) * screen.line + screen.xoffset * bytesperpixel(); }

// One colour field of a device pixel as an 8-bit channel: its bits at the top.
unsigned char channel(std::uint32_t v, const field& f) {
  if (f.length == 0) return 0;
  std::uint32_t bits = f.length >= 32 ? v >> f.offset : (v >> f.offset) & ((1u << f.length) - 1);
  return static_cast<unsigned char>(f.length >= 8 ? bits >> (f.length - 8) : bits << (8 - f.length));
}

// Visible row y of the device memory into the decoded pixels. Depths below 8
// bits are not decoded (nothing can show them).
void decoderow(std::size_t y) {
  if (screen.pixels == nullptr || screen.bpp < 8) return;
  std::size_t at = rowstart(y), bpp = bytesperpixel();
  if (at + rowbytes() > screen.memsize) return;
  unsigned char* out = screen.pixels + y * screen.width * 4;
  for (std::size_t x = 0; x < screen.width; ++x, out += 4) {
    const unsigned char* px = screen.mem + at + x * bpp;
    std::uint32_t v = 0;
    for (std::size_t b = 0; b < bpp; ++b) v |= static_cast<std::uint32_t>(px[b]) << (8 * b);
    out[0] = channel(v, screen.fields[2]);
    out[1] = channel(v, screen.fields[1]);
    out[2] = channel(v, screen.fields[0]);
    out[3] = screen.fields[3].length > 0 ? channel(v, screen.fields[3]) : 255;
  }
}

// Decodes the visible rows that [pos, pos + n) touched, and stamps them with
// the wait count plus one.
void decode(std::size_t pos, std::size_t n) {
  if (n == 0 || screen.line == 0) return;
  for (std::size_t r = pos / screen.line; r <= (pos + n - 1) / screen.line; ++r) {
    if (r < screen.yoffset || r >= screen.yoffset + screen.height) continue;
    decoderow(r - screen.yoffset);
    if (screen.rows != nullptr) __atomic_store_n(&screen.rows[r - screen.yoffset], screen.waits + 1, __ATOMIC_RELEASE);
  }
}

// One byte into the FIFO for a waiting reader (a full FIFO is fine: readers
// look at the counts).
void notifyreader() {
  if (screen.notifyfd < 0) return;
  char one = 1;
  ssize_t r = realwrite()(screen.notifyfd, &one, 1);
  (void)r;
}

// Whether [pos, pos + n) lies inside the visible area: within one visible
// row, or anywhere in it when the visible rows follow each other.
bool visiblewrite(std::size_t pos, std::size_t n) {
  if (n == 0 || screen.line == 0) return false;
  if (screen.line == rowbytes() && screen.xoffset == 0) {
    std::size_t start = rowstart(0);
    return pos >= start && pos + n <= start + screen.height * screen.line;
  }
  std::size_t r = pos / screen.line;
  if (r < screen.yoffset || r >= screen.yoffset + screen.height) return false;
  std::size_t start = rowstart(r - screen.yoffset);
  return pos >= start && pos + n <= start + rowbytes();
}

// Behaves like the framebuffer device: the bytes land at the position, a write
// past the end is cut short (ENOSPC when nothing fits, EFBIG from beyond the end).
ssize_t screenwrite(fbfd& f, const void* buf, size_t n) {
  if (f.pos > screen.memsize) {
    errno = EFBIG;
    return -1;
  }
  std::size_t room = screen.memsize - f.pos;
  std::size_t count = n < room ? n : room;
  if (screen.shortwrite > 0 && count > screen.shortwrite) count = screen.shortwrite;
  bool visible = visiblewrite(f.pos, n);
  __atomic_add_fetch(&screen.dev->writes, 1, __ATOMIC_RELEASE);
  if (screen.hdr != nullptr) {
    zhvfb::header* h = screen.hdr;
    std::uint32_t s = __atomic_load_n(&h->seq, __ATOMIC_RELAXED);
    __atomic_store_n(&h->seq, s + 1, __ATOMIC_RELAXED);
    __atomic_thread_fence(__ATOMIC_RELEASE);
    if (count > 0 && buf != nullptr) {
      memcpy(screen.mem + f.pos, buf, count);
      decode(f.pos, count);
    }
    __atomic_store_n(&h->seq, s + 2, __ATOMIC_RELEASE);
    if (!visible) __atomic_add_fetch(&h->badwrites, 1, __ATOMIC_RELEASE);
  }
  notifyreader();
  f.pos += count;
  if (count == 0 && n > 0) {
    errno = ENOSPC;
    return -1;
  }
  return static_cast<ssize_t>(count);
}

// --- standard input -------------------------------------------------------

// Whether standard input has input pending now.
bool inputpending() {
  pollfd p{0, POLLIN, 0};
  return realpoll()(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

// The program begins to wait for standard input with no time limit: counted
// when nothing is pending there, after the bytes read so far (vfbformat.h).
void beginwait() {
  if (inputpending()) return;
  ++screen.waits;
  // The count first: a reader that sees waitedafter reach its bytes sees it too.
  if (screen.hdr != nullptr) {
    __atomic_store_n(&screen.hdr->waits, screen.waits, __ATOMIC_RELEASE);
    __atomic_store_n(&screen.hdr->waitedafter, screen.readbytes, __ATOMIC_RELEASE);
  }
  notifyreader();
}

bool watchesinput(const pollfd* fds, nfds_t n) {
  for (nfds_t i = 0; i < n; ++i)
    if (fds[i].fd == 0 && (fds[i].events & POLLIN) != 0) return true;
  return false;
}

// A read of standard input that would wait: a blocking descriptor in
// canonical mode or with a minimum count and no time limit.
bool readwaits() {
  const int flags = fcntl(0, F_GETFL);
  termios t{};
  if (flags < 0 || (flags & O_NONBLOCK) != 0 || tcgetattr(0, &t) != 0) return false;
  return (t.c_lflag & ICANON) != 0 || (t.c_cc[VMIN] > 0 && t.c_cc[VTIME] == 0);
}

ssize_t readinput(readfn real, void* buf, size_t n) {
  if (n > 0 && readwaits()) beginwait();
  const ssize_t got = real(0, buf, n);
  if (got > 0) {
    screen.readbytes += static_cast<std::uint32_t>(got);
    if (screen.hdr != nullptr) __atomic_store_n(&screen.hdr->readbytes, screen.readbytes, __ATOMIC_RELEASE);
  }
  return got;
}

// --- the console ------------------------------------------------------------

// With ZHEDIT_VFB_CONSOLE set, standard input answers the console requests
// as virtual terminal `consolenumber`, on show ("active") or not ("inactive").
bool consoleon() {
  const char* v = getenv(zhvfb::envconsole);
  return v != nullptr && (strcmp(v, "active") == 0 || strcmp(v, "inactive") == 0);
}

bool consolerequest(unsigned long request) {
  return request == KDGETMODE || request == KDSETMODE || request == VT_GETMODE || request == VT_SETMODE ||
         request == VT_RELDISP || request == VT_GETSTATE || request == TIOCGDEV;
}

void setupconsole() {
  static bool done = false;
  if (done) return;
  done = true;
  setupscreen();
  zhvfb::device* d = screen.dev;
  d->vtmode = VT_AUTO;
  d->active = strcmp(getenv(zhvfb::envconsole), "active") == 0 ? zhvfb::consolenumber : 1;
  __atomic_store_n(&d->kdmode, KD_TEXT, __ATOMIC_RELEASE);
}

int consoleioctl(unsigned long request, void* arg) {
  setupconsole();
  zhvfb::device* d = screen.dev;
  const long value = static_cast<long>(reinterpret_cast<intptr_t>(arg));
  switch (request) {
    case KDGETMODE:
      *static_cast<int*>(arg) = __atomic_load_n(&d->kdmode, __ATOMIC_ACQUIRE);
      return 0;
    case KDSETMODE:
      if (value != KD_TEXT && value != KD_GRAPHICS) break;
      __atomic_store_n(&d->kdmode, static_cast<std::int32_t>(value), __ATOMIC_RELEASE);
      return 0;
    case VT_GETMODE: {
      vt_mode m{};
      m.mode = static_cast<char>(d->vtmode);
      m.relsig = static_cast<short>(d->relsig);
      m.acqsig = static_cast<short>(d->acqsig);
      *static_cast<vt_mode*>(arg) = m;
      return 0;
    }
    case VT_SETMODE: {
      const vt_mode* m = static_cast<const vt_mode*>(arg);
      if (m->mode != VT_AUTO && m->mode != VT_PROCESS) break;
      d->relsig = m->relsig;
      d->acqsig = m->acqsig;
      __atomic_store_n(&d->vtmode, static_cast<std::int32_t>(m->mode), __ATOMIC_RELEASE);
      return 0;
    }
    case VT_GETSTATE: {
      vt_stat st{};
      st.v_active = static_cast<unsigned short>(__atomic_load_n(&d->active, __ATOMIC_ACQUIRE));
      st.v_state = static_cast<unsigned short>(1u << zhvfb::consolenumber);
      *static_cast<vt_stat*>(arg) = st;
      return 0;
    }
    case VT_RELDISP:
      if (d->vtmode != VT_PROCESS) break;
      if (value == VT_ACKACQ) {
        __atomic_store_n(&d->active, zhvfb::consolenumber, __ATOMIC_RELEASE);
        __atomic_add_fetch(&d->acquires, 1, __ATOMIC_RELEASE);
      } else {
        if (value != 0) __atomic_store_n(&d->active, 1u, __ATOMIC_RELEASE);
        __atomic_add_fetch(&d->releases, 1, __ATOMIC_RELEASE);
      }
      return 0;
    case TIOCGDEV:
      *static_cast<unsigned*>(arg) = static_cast<unsigned>(makedev(4, zhvfb::consolenumber));
      return 0;
  }
  errno = EINVAL;
  return -1;
}

bool hasmode(int flags) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

// The device path opens the screen; any other framebuffer device fails.
int fbopen(const char* path, bool& handled) {
  handled = path != nullptr && (strcmp(path, devicepath()) == 0 || isotherdevice(path));
  if (!handled) return -1;
  if (strcmp(path, devicepath()) == 0) return openscreen();
  errno = ENOENT;
  return -1;
}

int doopen(openfn real, const char* path, int flags, mode_t mode) {
  bool handled = false;
  int fd = fbopen(path, handled);
  std::string to;
  return handled ? fd : real(clipredirect(path, to), flags, mode);
}

int doopenat(openatfn real, int dirfd, const char* path, int flags, mode_t mode) {
  bool handled = false;
  int fd = fbopen(path, handled);
  std::string to;
  return handled ? fd : real(dirfd, clipredirect(path, to), flags, mode);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (hasmode(flags)) {
    va_list ap;
    va_start(ap, flags);
    mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
  }
  return doopen(realopen(), path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (hasmode(flags)) {
    va_list ap;
    va_start(ap, flags);
    mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
  }
  return doopen(realopen64(), path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (hasmode(flags)) {
    va_list ap;
    va_start(ap, flags);
    mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
  }
  return doopenat(realopenat(), dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (hasmode(flags)) {
    va_list ap;
    va_start(ap, flags);
    mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
  }
  return doopenat(realopenat64(), dirfd, path, flags, mode);
}

// The checked variants that fortified builds call when the flags are not constant.
int __open_2(const char* path, int flags) { return doopen(realopen(), path, flags, 0); }
int __open64_2(const char* path, int flags) { return doopen(realopen64(), path, flags, 0); }
int __openat_2(int dirfd, const char* path, int flags) {
  return doopenat(realopenat(), dirfd, path, flags, 0);
}
int __openat64_2(int dirfd, const char* path, int flags) {
  return doopenat(realopenat64(), dirfd, path, flags, 0);
}

int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  if (findfd(fd) != nullptr) return screenioctl(request, arg);
  if (fd == 0 && consoleon() && consolerequest(request)) return consoleioctl(request, arg);
  return realioctl()(fd, request, arg);
}

off_t lseek(int fd, off_t offset, int whence) noexcept {
  if (fbfd* f = findfd(fd)) return static_cast<off_t>(screenlseek(*f, offset, whence));
  return reallseek()(fd, offset, whence);
}

off64_t lseek64(int fd, off64_t offset, int whence) noexcept {
  if (fbfd* f = findfd(fd)) return static_cast<off64_t>(screenlseek(*f, offset, whence));
  return reallseek64()(fd, offset, whence);
}

ssize_t write(int fd, const void* buf, size_t n) {
  if (fbfd* f = findfd(fd)) return screenwrite(*f, buf, n);
  return writeondisk(fd, n, -1, [&](size_t k) { return realwrite()(fd, buf, k); });
}

ssize_t read(int fd, void* buf, size_t n) {
  if (fd == 0) return readinput(realread(), buf, n);
  return realread()(fd, buf, n);
}

ssize_t __read_chk(int fd, void* buf, size_t n, size_t) { return read(fd, buf, n); }

int poll(struct pollfd* fds, nfds_t n, int timeout) {
  if (timeout < 0 && watchesinput(fds, n)) beginwait();
  return realpoll()(fds, n, timeout);
}

int __poll_chk(struct pollfd* fds, nfds_t n, int timeout, size_t) { return poll(fds, n, timeout); }

int ppoll(struct pollfd* fds, nfds_t n, const struct timespec* timeout, const sigset_t* mask) {
  if (timeout == nullptr && watchesinput(fds, n)) beginwait();
  return realppoll()(fds, n, timeout, mask);
}

int __ppoll_chk(struct pollfd* fds, nfds_t n, const struct timespec* timeout, const sigset_t* mask, size_t) {
  return ppoll(fds, n, timeout, mask);
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t at) {
  return writeondisk(fd, n, at, [&](size_t k) { return realpwrite()(fd, buf, k, at); });
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t at) {
  return writeondisk(fd, n, at, [&](size_t k) { return realpwrite64()(fd, buf, k, at); });
}

int close(int fd) {
  if (fbfd* f = findfd(fd)) {
    f->fd = -1;
    f->pos = 0;
  }
  return realclose()(fd);
}

FILE* fopen(const char* path, const char* mode) {
  std::string to;
  return realfopen()(clipredirect(path, to), mode);
}

FILE* fopen64(const char* path, const char* mode) {
  std::string to;
  return realfopen64()(clipredirect(path, to), mode);
}

// The other calls that take a path, for the clipboard's names.
#define ZHVFB_PATHCALL(ret, name, type, params, call)   \
  ret name params noexcept {                             \
    static type real = nextdef<type>(#name);             \
    std::string to, to2;                                 \
    (void)to2;                                           \
    return real call;                                    \
  }

ZHVFB_PATHCALL(int, unlink, pathfn, (const char* p), (clipredirect(p, to)))
ZHVFB_PATHCALL(int, unlinkat, atpathfn, (int d, const char* p, int fl), (d, clipredirect(p, to), fl))
ZHVFB_PATHCALL(int, rename, renamefn, (const char* a, const char* b), (clipredirect(a, to), clipredirect(b, to2)))
ZHVFB_PATHCALL(int, renameat, renameatfn, (int da, const char* a, int db, const char* b),
               (da, clipredirect(a, to), db, clipredirect(b, to2)))
ZHVFB_PATHCALL(int, renameat2, renameat2fn, (int da, const char* a, int db, const char* b, unsigned fl),
               (da, clipredirect(a, to), db, clipredirect(b, to2), fl))
ZHVFB_PATHCALL(int, stat, statfn, (const char* p, struct stat* st), (clipredirect(p, to), st))
ZHVFB_PATHCALL(int, lstat, statfn, (const char* p, struct stat* st), (clipredirect(p, to), st))
ZHVFB_PATHCALL(int, stat64, stat64fn, (const char* p, struct stat64* st), (clipredirect(p, to), st))
ZHVFB_PATHCALL(int, lstat64, stat64fn, (const char* p, struct stat64* st), (clipredirect(p, to), st))
ZHVFB_PATHCALL(int, fstatat, fstatatfn, (int d, const char* p, struct stat* st, int fl),
               (d, clipredirect(p, to), st, fl))
ZHVFB_PATHCALL(int, fstatat64, fstatat64fn, (int d, const char* p, struct stat64* st, int fl),
               (d, clipredirect(p, to), st, fl))

}  // extern "C"
