#!/usr/bin/env python3
"""Turns what zhedit shows into a PNG picture.

    frametopng.py INPUT OUTPUT.png
        INPUT is the frame file of the virtual framebuffer (tools/vfb/vfb.cpp,
        written while zhedit runs) or a 24/32-bit BMP such as aaaaa.bmp.

    frametopng.py --watch FRAMEFILE OUTPUT.png [--fifo PATH]
        Rewrites OUTPUT.png whenever the program has written to the
        framebuffer of FRAMEFILE, until stopped. With --fifo it wakes on the
        byte the framebuffer writes there after each write; it looks again
        every half second in any case.

Only the standard library is used (struct and zlib for the PNG).
"""

import os
import select
import struct
import sys
import time
import zlib

FRAME_MAGIC = b"ZHVFB\x02\x00\x00"
FRAME_HEADER = struct.Struct("<8sIIIIII32x")  # magic, width, height, waits, badwrites, seq, opens
assert FRAME_HEADER.size == 64


class NotAPicture(ValueError):
    pass


def png_bytes(width, height, rgb):
    """A PNG of 8-bit RGB pixels, rows top-down, `rgb` holding width*height*3 bytes."""
    if width <= 0 or height <= 0 or len(rgb) != width * height * 3:
        raise ValueError("pixel data does not match %dx%d" % (width, height))
    stride = width * 3
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter: none
        raw += rgb[y * stride:(y + 1) * stride]

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 6))
            + chunk(b"IEND", b""))


def bgra_to_rgb(pixels):
    """Blue, green, red, alpha bytes to red, green, blue."""
    n = len(pixels) // 4
    rgb = bytearray(n * 3)
    rgb[0::3] = pixels[2::4]
    rgb[1::3] = pixels[1::4]
    rgb[2::3] = pixels[0::4]
    return rgb


def read_frame(data):
    """(seq, width, height, rgb) from the bytes of a frame file: seq counts the writes."""
    if len(data) < FRAME_HEADER.size:
        raise NotAPicture("frame file too short")
    magic, width, height, _waits, _bad, seq, _opens = FRAME_HEADER.unpack_from(data)
    if magic != FRAME_MAGIC:
        raise NotAPicture("not a frame file")
    size = width * height * 4
    if len(data) < FRAME_HEADER.size + size:
        raise NotAPicture("frame file shorter than its %dx%d frame" % (width, height))
    pixels = data[FRAME_HEADER.size:FRAME_HEADER.size + size]
    return seq, width, height, bgra_to_rgb(pixels)


def read_frame_file(path, tries=50):
    """Reads a frame file that zhedit may be writing: retries while a frame is being copied."""
    for _ in range(tries):
        with open(path, "rb") as f:
            data = f.read()
        if len(data) < FRAME_HEADER.size:
            raise NotAPicture("frame file too short")
        seq_before = FRAME_HEADER.unpack_from(data)[5]
        with open(path, "rb") as f:
            seq_after = FRAME_HEADER.unpack_from(f.read(FRAME_HEADER.size))[5]
        if seq_before % 2 == 0 and seq_before == seq_after:
            return read_frame(data)
    return read_frame(data)  # still busy: show what there is


def read_bmp(data):
    """(width, height, rgb) from an uncompressed 24- or 32-bit BMP."""
    if len(data) < 54 or data[:2] != b"BM":
        raise NotAPicture("not a BMP file")
    offset, = struct.unpack_from("<I", data, 10)
    width, height, planes, bpp, compression = struct.unpack_from("<iiHHI", data, 18)
    if bpp not in (24, 32) or compression not in (0, 3) or width <= 0 or height == 0 or planes != 1:
        raise NotAPicture("unsupported BMP: %d bits, compression %d" % (bpp, compression))
    bottom_up = height > 0
    height = abs(height)
    step = bpp // 8
    rowsize = (width * step + 3) // 4 * 4
    if len(data) < offset + rowsize * height:
        raise NotAPicture("BMP shorter than its pixel rows")
    rgb = bytearray(width * height * 3)
    for row in range(height):
        y = height - 1 - row if bottom_up else row
        line = data[offset + row * rowsize:offset + row * rowsize + width * step]
        out = y * width * 3
        rgb[out:out + width * 3:3] = line[2::step]
        rgb[out + 1:out + width * 3:3] = line[1::step]
        rgb[out + 2:out + width * 3:3] = line[0::step]
    return width, height, rgb


def write_atomically(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def convert(src, dst):
    with open(src, "rb") as f:
        head = f.read(8)
    if head == FRAME_MAGIC:
        _seq, width, height, rgb = read_frame_file(src)
    else:
        with open(src, "rb") as f:
            width, height, rgb = read_bmp(f.read())
    write_atomically(dst, png_bytes(width, height, rgb))


def watch(framefile, dst, fifo=None):
    fd = None
    keep = None
    if fifo:
        fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        keep = os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)  # no end-of-file when the writer goes
    shown = None
    try:
        while True:
            if fd is not None:
                ready, _, _ = select.select([fd], [], [], 0.5)
                if ready:
                    try:
                        while os.read(fd, 4096):
                            pass
                    except BlockingIOError:
                        pass
            else:
                time.sleep(0.5)
            try:
                seq, width, height, rgb = read_frame_file(framefile)
            except (OSError, NotAPicture):
                continue  # not there yet
            if seq != shown and seq > 0:
                write_atomically(dst, png_bytes(width, height, rgb))
                shown = seq
    finally:
        for d in (fd, keep):
            if d is not None:
                os.close(d)


def main(argv):
    args = argv[1:]
    try:
        if len(args) >= 3 and args[0] == "--watch":
            fifo = None
            if len(args) == 5 and args[3] == "--fifo":
                fifo = args[4]
            elif len(args) != 3:
                raise SystemExit(__doc__)
            watch(args[1], args[2], fifo)
            return 0
        if len(args) != 2:
            raise SystemExit(__doc__)
        convert(args[0], args[1])
        return 0
    except KeyboardInterrupt:
        return 0
    except (OSError, NotAPicture, ValueError) as e:
        print("frametopng: %s" % e, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
