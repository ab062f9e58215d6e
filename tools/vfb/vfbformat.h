// Layout of the frame file that the virtual framebuffer (vfb.cpp) keeps for the
// test driver and the preview. The file is a 64-byte header followed by the
// pixels of the visible screen: width*height 32-bit pixels, bytes blue, green,
// red, alpha, rows top-down. For the usual device (32 bits, blue at bit 0,
// rows of width*4 bytes, no panning) they are exactly the bytes the program
// wrote; for any other format they are decoded from the device memory, each
// colour field's bits at the top of its byte (low bits zero; a field wider
// than 8 bits, up to 32, gives its top 8) and alpha 255 unless the format has
// a transparency field. After the pixels come a 64-byte `device` block, the
// whole device memory as the program left it, and then one 32-bit number per
// visible row: the wait count (`waits`) plus one at the row's last write, 0
// for a row never written. The rows a key wrote are those whose number equals
// the wait count once the program waits again.
//
// Writer protocol (one writer, the program under test): for every write() on
// the framebuffer it makes `seq` odd, copies the bytes (and decodes the rows
// they touched), makes `seq` even again (release). A reader that copies the
// pixels while the program may still be drawing takes `seq` before and after
// the copy and retries when it changed or was odd.
//
// Waiting: each time the program begins to wait for standard input with no
// time limit (poll or ppoll with no timeout on descriptor 0, or a blocking
// read of it) while no input is pending there, the library stores the bytes
// counts the wait in `waits` and then stores the bytes read from standard
// input so far in `waitedafter` (both release). A reader that has written n bytes to the terminal in
// all knows that the program has handled every key among them, and copied
// what they drew, once `waitedafter` reaches n.
#ifndef ZHEDIT_TOOLS_VFB_VFBFORMAT_H
#define ZHEDIT_TOOLS_VFB_VFBFORMAT_H

#include <cstddef>
#include <cstdint>

namespace zhvfb {

// The bytes "ZHVFB", format version 2, 0, 0 read as a little-endian number.
constexpr std::uint64_t magic = 0x000002424656485AULL;

struct header {
  std::uint64_t magic;        // stored last when the file is set up (release)
  std::uint32_t width;        // screen size reported to the program
  std::uint32_t height;
  std::uint32_t waits;        // waits for input begun with none pending
  std::uint32_t badwrites;    // writes that touched bytes outside the visible area
  std::uint32_t seq;          // odd while a write is being copied
  std::uint32_t opens;        // successful opens of "/dev/fb0"
  std::uint32_t readbytes;    // bytes read from standard input
  std::uint32_t waitedafter;  // readbytes when the last counted wait began
  std::uint32_t reserved[6];
};
static_assert(sizeof(header) == 64, "the frame file header is 64 bytes");
static_assert(offsetof(header, seq) == 24, "write sequence at byte 24");

constexpr std::size_t pixeloffset = sizeof(header);

// The device as reported to the program, and the virtual terminal on its
// standard input when the library answers for one.
struct device {
  std::uint32_t writes;         // write() calls on the framebuffer
  std::uint32_t bitsperpixel;
  std::uint32_t linelength;
  std::uint32_t xoffset;        // panning offset
  std::uint32_t yoffset;
  std::uint32_t virtualwidth;
  std::uint32_t virtualheight;
  std::uint32_t memsize;        // bytes of device memory after this block
  std::int32_t kdmode;          // console mode (KD_TEXT, KD_GRAPHICS), -1 without a console
  std::int32_t vtmode;          // switching mode (VT_AUTO, VT_PROCESS)
  std::int32_t relsig;          // the signals asked for by VT_SETMODE
  std::int32_t acqsig;
  std::uint32_t releases;       // VT_RELDISP: releases and acquires acknowledged
  std::uint32_t acquires;
  std::uint32_t active;         // the terminal on show
  std::uint32_t reserved;
};
static_assert(sizeof(device) == 64, "the device block is 64 bytes");

// Where the device block starts for a screen of width x height.
constexpr std::size_t deviceoffset(std::uint32_t width, std::uint32_t height) {
  return pixeloffset + static_cast<std::size_t>(width) * height * 4;
}

// Where the row numbers start, after memsize bytes of device memory.
constexpr std::size_t rowsoffset(std::uint32_t width, std::uint32_t height, std::size_t memsize) {
  return deviceoffset(width, height) + sizeof(device) + memsize;
}

// The terminal number the library gives standard input when it answers for a console.
constexpr std::uint32_t consolenumber = 7;

// Environment variables read by the library.
constexpr const char* envsize = "ZHEDIT_VFB_SIZE";      // "WxH", default 1024x768
constexpr const char* envframe = "ZHEDIT_VFB_FRAME";    // path of the frame file
constexpr const char* envnotify = "ZHEDIT_VFB_NOTIFY";  // FIFO that gets one byte per device write
constexpr const char* envfail = "ZHEDIT_VFB_FAIL";      // open | fixed | variable
constexpr const char* envclip = "ZHEDIT_VFB_CLIP";      // where "//tmp//clip.txt" goes
constexpr const char* envfulldir = "ZHEDIT_VFB_FULLDIR";  // a directory on a disk that is full...
constexpr const char* envroom = "ZHEDIT_VFB_ROOM";        // ...after this many more bytes (default 0)
constexpr const char* envdevice = "ZHEDIT_VFB_DEVICE";  // the path answered for, default /dev/fb0
constexpr const char* envbpp = "ZHEDIT_VFB_BPP";        // bits per pixel, default 32
// Colour fields "offset:length" for red, green, blue and optionally
// transparency, e.g. "11:5,5:6,0:5"; the default suits the depth.
constexpr const char* envfields = "ZHEDIT_VFB_FIELDS";
constexpr const char* envline = "ZHEDIT_VFB_LINE";        // line_length in bytes, default the virtual width's
constexpr const char* envvirtual = "ZHEDIT_VFB_VIRTUAL";  // virtual resolution "WxH", default the screen size
constexpr const char* envoffset = "ZHEDIT_VFB_OFFSET";    // panning offset "X,Y", default 0,0
constexpr const char* envshortwrite = "ZHEDIT_VFB_SHORTWRITE";  // a write takes at most this many bytes
constexpr const char* envconsole = "ZHEDIT_VFB_CONSOLE";  // active | inactive: standard input is a virtual terminal

}  // namespace zhvfb

#endif
