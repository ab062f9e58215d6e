"""Tests of the preview's PNG converter on small hand-made frames and BMPs."""

import os
import struct
import tempfile
import unittest
import zlib

import frametopng


def decode_png(data):
    """(width, height, rgb) of an 8-bit RGB PNG written without filters."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, chunks = 8, {}
    while pos < len(data):
        length, = struct.unpack_from(">I", data, pos)
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack_from(">I", data, pos + 8 + length)
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, kind
        chunks[kind] = chunks.get(kind, b"") + body
        pos += 12 + length
    width, height, depth, colour = struct.unpack_from(">IIBB", chunks[b"IHDR"])
    assert (depth, colour) == (8, 2)
    raw = zlib.decompress(chunks[b"IDAT"])
    rgb = bytearray()
    for y in range(height):
        row = raw[y * (width * 3 + 1):(y + 1) * (width * 3 + 1)]
        assert row[0] == 0
        rgb += row[1:]
    return width, height, bytes(rgb)


# A 3x2 screen: every pixel a different colour, alpha bytes that must vanish.
WIDTH, HEIGHT = 3, 2
RGB = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)],
       [(1, 2, 3), (250, 251, 252), (17, 34, 51)]]
EXPECTED = bytes(c for row in RGB for px in row for c in px)


def frame_file(waits=5, seq=10):
    header = struct.pack("<8sIIIIII32x", b"ZHVFB\x02\x00\x00", WIDTH, HEIGHT, waits, 0, seq, 1)
    pixels = bytes(c for row in RGB for (r, g, b) in row for c in (b, g, r, 254))
    return header + pixels


def bmp_file(bpp=24, top_down=False):
    step = bpp // 8
    rowsize = (WIDTH * step + 3) // 4 * 4
    rows = []
    for row in (RGB if top_down else list(reversed(RGB))):
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r)) + (b"\xff" if step == 4 else b"")
        rows.append(bytes(line) + b"\0" * (rowsize - len(line)))
    image = b"".join(rows)
    height = -HEIGHT if top_down else HEIGHT
    return (b"BM" + struct.pack("<IHHI", 54 + len(image), 0, 0, 54)
            + struct.pack("<IiiHHIIiiII", 40, WIDTH, height, 1, bpp, 0, len(image), 0, 0, 0, 0) + image)


class ConvertTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def convert(self, data):
        src, dst = os.path.join(self.dir.name, "in"), os.path.join(self.dir.name, "out.png")
        with open(src, "wb") as f:
            f.write(data)
        self.assertEqual(frametopng.main(["frametopng", src, dst]), 0)
        with open(dst, "rb") as f:
            return decode_png(f.read())

    def test_frames_and_bmps_become_rgb_top_down(self):
        # 3 pixels of 3 bytes need one padding byte per row; BMP rows are bottom-up
        # unless the height is negative.
        for data in (frame_file(), bmp_file(), bmp_file(bpp=32), bmp_file(top_down=True)):
            self.assertEqual(self.convert(data), (WIDTH, HEIGHT, EXPECTED))

    def test_rejects_what_is_not_a_picture(self):
        src = os.path.join(self.dir.name, "in")
        for data in (b"hello", frame_file()[:70], bmp_file()[:60]):
            with open(src, "wb") as f:
                f.write(data)
            self.assertEqual(frametopng.main(["frametopng", src, os.path.join(self.dir.name, "x.png")]), 1)
        self.assertFalse(os.path.exists(os.path.join(self.dir.name, "x.png")))


if __name__ == "__main__":
    unittest.main()
