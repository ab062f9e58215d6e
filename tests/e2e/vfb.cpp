// zheditvfb: a virtual framebuffer for running zhedit where there is no
// /dev/fb0 (test runs, the developer preview). Loaded with LD_PRELOAD, it
// answers the program's framebuffer calls itself:
//
//   open/openat("/dev/fb0")    a real descriptor of /dev/null, remembered as the screen
//   ioctl FBIOGET_FSCREENINFO  32 bpp true colour, line_length = width*4
//   ioctl FBIOGET_VSCREENINFO  xres/yres from ZHEDIT_VFB_SIZE ("WxH", default 1024x768)
//   lseek, write               the screen's position and contents, kept in the frame
//                              file ZHEDIT_VFB_FRAME (layout in vfbformat.h)
//   close                      forgets the screen descriptor
//
// ZHEDIT_VFB_FAIL=open|fixed|variable makes the open or one of the two
// ioctls fail. ZHEDIT_VFB_NOTIFY names a FIFO that gets one byte after each
// frame so that a waiting reader can poll it. ZHEDIT_VFB_CLIP redirects the
// clipboard file "//tmp//clip.txt" (any spelling of /tmp/clip.txt) for fopen
// and open; when it is unset those calls are left alone.
//
// Every other call goes to the next definition of the symbol. This library is
// a test tool: it is never linked into the program.

#undef _FORTIFY_SOURCE

#include "vfbformat.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace {

using openfn = int (*)(const char*, int, ...);
using openatfn = int (*)(int, const char*, int, ...);
using ioctlfn = int (*)(int, unsigned long, ...);
using lseekfn = off_t (*)(int, off_t, int);
using lseek64fn = off64_t (*)(int, off64_t, int);
using writefn = ssize_t (*)(int, const void*, size_t);
using closefn = int (*)(int);
using fopenfn = FILE* (*)(const char*, const char*);

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
closefn realclose() { static closefn f = nextdef<closefn>("close"); return f; }
fopenfn realfopen() { static fopenfn f = nextdef<fopenfn>("fopen"); return f; }
fopenfn realfopen64() { static fopenfn f = nextdef<fopenfn>("fopen64"); return f; }

const char fbpath[] = "/dev/fb0";

// --- configuration --------------------------------------------------------

bool failis(const char* what) {
  const char* v = getenv(zhvfb::envfail);
  return v != nullptr && strcmp(v, what) == 0;
}

void screensize(std::uint32_t& w, std::uint32_t& h) {
  w = 1024;
  h = 768;
  const char* v = getenv(zhvfb::envsize);
  if (v == nullptr || *v == '\0') return;
  char* end = nullptr;
  errno = 0;
  long pw = strtol(v, &end, 10);
  if (errno == 0 && end != v && *end == 'x') {
    const char* hs = end + 1;
    long ph = strtol(hs, &end, 10);
    if (errno == 0 && end != hs && *end == '\0' && pw > 0 && pw <= 16384 && ph > 0 && ph <= 16384) {
      w = static_cast<std::uint32_t>(pw);
      h = static_cast<std::uint32_t>(ph);
      return;
    }
  }
  fprintf(stderr, "zheditvfb: %s=\"%s\" is not WxH, using 1024x768\n", zhvfb::envsize, v);
}

// True when path names /tmp/clip.txt, however many slashes separate its parts.
bool isclippath(const char* path) {
  if (path == nullptr) return false;
  static const char want[] = "/tmp/clip.txt";
  size_t i = 0;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' && p[1] == '/') continue;
    if (i >= sizeof want - 1 || want[i] != *p) return false;
    ++i;
  }
  return i == sizeof want - 1;
}

const char* clipredirect(const char* path) {
  if (!isclippath(path)) return path;
  const char* to = getenv(zhvfb::envclip);
  return (to != nullptr && *to != '\0') ? to : path;
}

// --- the screen -----------------------------------------------------------

struct screenstate {
  bool ready = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t bytes = 0;           // width*height*4
  zhvfb::header* hdr = nullptr;    // the mapped frame file, or null without one
  unsigned char* pixels = nullptr;
  int notifyfd = -1;
  std::uint32_t frames = 0;        // kept here too when there is no frame file
};
screenstate screen;

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

void setupscreen() {
  if (screen.ready) return;
  screen.ready = true;
  screensize(screen.width, screen.height);
  screen.bytes = static_cast<std::size_t>(screen.width) * screen.height * 4;

  const char* path = getenv(zhvfb::envframe);
  if (path != nullptr && *path != '\0') {
    int fd = realopen()(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
      std::size_t total = zhvfb::pixeloffset + screen.bytes;
      void* m = MAP_FAILED;
      if (ftruncate(fd, static_cast<off_t>(total)) == 0)
        m = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      realclose()(fd);
      if (m != MAP_FAILED) {
        screen.hdr = static_cast<zhvfb::header*>(m);
        screen.pixels = static_cast<unsigned char*>(m) + zhvfb::pixeloffset;
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

int screenioctl(unsigned long request, void* arg) {
  if (request == FBIOGET_FSCREENINFO) {
    if (!answerable("fixed", arg)) return -1;
    fb_fix_screeninfo fix;
    memset(&fix, 0, sizeof fix);
    snprintf(fix.id, sizeof fix.id, "zheditvfb");
    fix.smem_len = static_cast<std::uint32_t>(screen.bytes);
    fix.type = FB_TYPE_PACKED_PIXELS;
    fix.visual = FB_VISUAL_TRUECOLOR;
    fix.line_length = screen.width * 4;
    fix.accel = FB_ACCEL_NONE;
    memcpy(arg, &fix, sizeof fix);
    return 0;
  }
  if (request == FBIOGET_VSCREENINFO) {
    if (!answerable("variable", arg)) return -1;
    fb_var_screeninfo var;
    memset(&var, 0, sizeof var);
    var.xres = var.xres_virtual = screen.width;
    var.yres = var.yres_virtual = screen.height;
    var.bits_per_pixel = 32;
    var.blue = {0, 8, 0};
    var.green = {8, 8, 0};
    var.red = {16, 8, 0};
    var.transp = {24, 8, 0};
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
    base = static_cast<long long>(screen.bytes);
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

// Behaves like the framebuffer device: the bytes land at the position, a write
// past the end is cut short (ENOSPC when nothing fits, EFBIG from beyond the end).
ssize_t screenwrite(fbfd& f, const void* buf, size_t n) {
  if (f.pos > screen.bytes) {
    errno = EFBIG;
    return -1;
  }
  std::size_t room = screen.bytes - f.pos;
  std::size_t count = n < room ? n : room;
  bool whole = f.pos == 0 && n == screen.bytes;
  ++screen.frames;
  if (screen.hdr != nullptr) {
    zhvfb::header* h = screen.hdr;
    std::uint32_t s = __atomic_load_n(&h->seq, __ATOMIC_RELAXED);
    __atomic_store_n(&h->seq, s + 1, __ATOMIC_RELAXED);
    __atomic_thread_fence(__ATOMIC_RELEASE);
    if (count > 0 && buf != nullptr) memcpy(screen.pixels + f.pos, buf, count);
    __atomic_store_n(&h->seq, s + 2, __ATOMIC_RELEASE);
    if (!whole) __atomic_add_fetch(&h->badwrites, 1, __ATOMIC_RELEASE);
    __atomic_store_n(&h->frames, screen.frames, __ATOMIC_RELEASE);
  }
  if (screen.notifyfd >= 0) {
    char one = 1;
    ssize_t r = realwrite()(screen.notifyfd, &one, 1);  // a full FIFO is fine: readers check the count
    (void)r;
  }
  f.pos += count;
  if (count == 0 && n > 0) {
    errno = ENOSPC;
    return -1;
  }
  return static_cast<ssize_t>(count);
}

bool hasmode(int flags) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

int doopen(openfn real, const char* path, int flags, mode_t mode) {
  if (path != nullptr && strcmp(path, fbpath) == 0) return openscreen();
  return real(clipredirect(path), flags, mode);
}

int doopenat(openatfn real, int dirfd, const char* path, int flags, mode_t mode) {
  if (path != nullptr && strcmp(path, fbpath) == 0) return openscreen();
  return real(dirfd, clipredirect(path), flags, mode);
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
  return realwrite()(fd, buf, n);
}

int close(int fd) {
  if (fbfd* f = findfd(fd)) {
    f->fd = -1;
    f->pos = 0;
  }
  return realclose()(fd);
}

FILE* fopen(const char* path, const char* mode) { return realfopen()(clipredirect(path), mode); }

FILE* fopen64(const char* path, const char* mode) {
  return realfopen64()(clipredirect(path), mode);
}

}  // extern "C"
