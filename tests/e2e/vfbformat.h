// Layout of the frame file that the virtual framebuffer (vfb.cpp) keeps for the
// test driver and the preview. The file is a 64-byte header followed by the
// pixels of the last frame: width*height 32-bit pixels, bytes blue, green, red,
// alpha, rows top-down, exactly as the program wrote them to "/dev/fb0".
//
// Writer protocol (one writer, the program under test): for every write() on
// the framebuffer it makes `seq` odd, copies the bytes, makes `seq` even again
// and then publishes the new `frames` count with a release store. A reader that
// loads `frames` (acquire) sees every pixel of that frame; a reader that copies
// the pixels while the program may still be drawing takes `seq` before and after
// the copy and retries when it changed or was odd.
#ifndef ZHEDIT_TESTS_E2E_VFBFORMAT_H
#define ZHEDIT_TESTS_E2E_VFBFORMAT_H

#include <cstddef>
#include <cstdint>

namespace zhvfb {

// The bytes "ZHVFB", format version 1, 0, 0 read as a little-endian number.
constexpr std::uint64_t magic = 0x000001424656485AULL;

struct header {
  std::uint64_t magic;      // stored last when the file is set up (release)
  std::uint32_t width;      // screen size reported to the program
  std::uint32_t height;
  std::uint32_t frames;     // write() calls on the framebuffer so far
  std::uint32_t badwrites;  // of those, writes that were not one whole frame from byte 0
  std::uint32_t seq;        // odd while a write is being copied
  std::uint32_t opens;      // successful opens of "/dev/fb0"
  std::uint32_t reserved[8];
};
static_assert(sizeof(header) == 64, "the frame file header is 64 bytes");
static_assert(offsetof(header, frames) == 16, "frame count at byte 16");

constexpr std::size_t pixeloffset = sizeof(header);

// Environment variables read by the library.
constexpr const char* envsize = "ZHEDIT_VFB_SIZE";      // "WxH", default 1024x768
constexpr const char* envframe = "ZHEDIT_VFB_FRAME";    // path of the frame file
constexpr const char* envnotify = "ZHEDIT_VFB_NOTIFY";  // FIFO that gets one byte per frame
constexpr const char* envfail = "ZHEDIT_VFB_FAIL";      // open | fixed | variable
constexpr const char* envclip = "ZHEDIT_VFB_CLIP";      // where "//tmp//clip.txt" goes

}  // namespace zhvfb

#endif
