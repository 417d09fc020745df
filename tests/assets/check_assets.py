#!/usr/bin/env python3
"""Reads the generated assets back and checks their structure.

  check_assets.py GENERATED_DIR BIN_DIR [--dump DIR]

--dump writes every picture (icon images, strip, clip frames) as a 24-bit BMP for looking at.
"""
import struct
import sys
import unittest
from pathlib import Path

GENERATED = BIN = DUMP = None
KEY_COLOUR = (255, 0, 255)
CLIPS = {"VederAze.avi": (80, 40), "VederAze150.avi": (120, 60), "VederAze200.avi": (160, 80)}


def read_dib_8bit(info, pixels_at, data):
    """Width, height and rows (top row first) of palette colours of an 8-bit bottom-up DIB."""
    size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", info)
    colours_used = struct.unpack_from("<I", info, 32)[0] or 256
    palette = [tuple(info[size + 4 * i + c] for c in (2, 1, 0)) for i in range(colours_used)]
    stride = (width + 3) & ~3
    rows = []
    for y in range(height):
        start = pixels_at + (height - 1 - y) * stride
        rows.append([palette[i] for i in data[start:start + width]])
    return {"width": width, "height": height, "planes": planes, "bits": bits,
            "compression": compression, "rows": rows}


def dump(name, rows):
    """A 24-bit BMP of rows of (r, g, b) for looking at the pictures."""
    if not DUMP:
        return
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        body += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 0, 0, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    Path(DUMP).mkdir(parents=True, exist_ok=True)
    (Path(DUMP) / f"{name}.bmp").write_bytes(head + info + body)


def blend_on_grey(pixel):
    r, g, b, alpha = pixel
    return tuple((c * alpha + 0xD4 * (255 - alpha)) // 255 for c in (r, g, b))


def riff_chunks(data, start, end):
    """(fourcc, list type or None, payload start, payload end) of the chunks in data[start:end]."""
    chunks = []
    at = start
    while at + 8 <= end:
        fourcc, size = struct.unpack_from("<4sI", data, at)
        payload = at + 8
        if payload + size > end:
            raise AssertionError(f"chunk {fourcc} at {at} runs past its parent")
        if fourcc in (b"RIFF", b"LIST"):
            chunks.append((fourcc, data[payload:payload + 4], payload + 4, payload + size))
        else:
            chunks.append((fourcc, None, payload, payload + size))
        at = payload + size + (size & 1)
    if at != end:
        raise AssertionError(f"chunks end at {at}, parent at {end}")
    return chunks


class IconTest(unittest.TestCase):
    def test_holds_images_from_16_to_256_pixels(self):
        data = (Path(GENERATED) / "kadenzo.ico").read_bytes()
        reserved, kind, count = struct.unpack_from("<HHH", data)
        self.assertEqual((reserved, kind), (0, 1))
        sizes = []
        for i in range(count):
            w, h, _, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            w, h = w or 256, h or 256  # the directory says 0 for 256
            self.assertLessEqual(offset + length, len(data))
            header, width, height2, _, bit_count = struct.unpack_from("<IiiHH", data, offset)
            self.assertEqual((header, width, height2, bit_count), (40, w, 2 * h, bits))
            mask_stride = ((w + 31) // 32) * 4
            self.assertEqual(length, 40 + w * h * bits // 8 + mask_stride * h)
            rows = []
            for y in range(h):
                row_at = offset + 40 + (h - 1 - y) * w * 4
                rows.append([tuple(data[row_at + 4 * x + c] for c in (2, 1, 0, 3)) for x in range(w)])
            opaque = sum(1 for row in rows for p in row if p[3] == 0xFF)
            self.assertGreater(opaque, w * h // 5, f"the {w}x{h} picture is almost empty")
            self.assertGreater(len({p for row in rows for p in row}), 3, "a picture needs colours")
            dump(f"icon_{w}", [[blend_on_grey(p) for p in row] for row in rows])
            sizes.append(w)
        self.assertEqual(sorted(sizes), [16, 32, 48, 64, 256])


class MenuPictureStripTest(unittest.TestCase):
    def setUp(self):
        data = (Path(GENERATED) / "menu_pictures.bmp").read_bytes()
        magic, file_size, _, _, pixels_at = struct.unpack_from("<2sIHHI", data)
        self.assertEqual((magic, file_size), (b"BM", len(data)))
        self.strip = read_dib_8bit(data[14:pixels_at], pixels_at, data)

    def test_is_an_8_bit_uncompressed_strip_of_18_squares(self):
        s = self.strip
        self.assertEqual((s["width"], s["height"], s["planes"], s["bits"], s["compression"]),
                         (288, 16, 1, 8, 0))

    def test_key_colour_sits_at_the_bottom_left(self):
        self.assertEqual(self.strip["rows"][15][0], KEY_COLOUR)

    def test_every_picture_is_drawn_and_keeps_a_keyed_border(self):
        rows = self.strip["rows"]
        key = rows[15][0]
        cells = []
        for k in range(18):
            cell = [row[16 * k:16 * k + 16] for row in rows]
            drawn = sum(1 for row in cell for p in row if p != key)
            self.assertGreater(drawn, 40, f"picture {k} is nearly empty")
            self.assertLess(drawn, 256, f"picture {k} covers its whole square")
            cells.append(cell)
        for k in range(17):
            self.assertNotEqual(cells[k], cells[k + 1], f"pictures {k} and {k + 1} are the same")
        dump("menu_pictures", rows)


class ClipTest(unittest.TestCase):
    def test_each_scale_is_a_looping_8_bit_bottom_up_clip_the_animation_control_plays(self):
        for name, (width, height) in CLIPS.items():
            with self.subTest(name):
                self.check_clip(name, (Path(BIN) / name).read_bytes(), width, height)

    def check_clip(self, name, data, width, height):
        (riff, kind, start, end), = riff_chunks(data, 0, len(data))
        self.assertEqual((riff, kind, end), (b"RIFF", b"AVI ", len(data)))
        top = riff_chunks(data, start, end)
        self.assertEqual([(c[0], c[1]) for c in top],
                         [(b"LIST", b"hdrl"), (b"LIST", b"movi"), (b"idx1", None)])
        hdrl, movi, idx1 = top
        avih, strl = riff_chunks(data, hdrl[2], hdrl[3])
        self.assertEqual((avih[0], strl[1]), (b"avih", b"strl"))
        (per_frame, _, _, _, frames, _, streams, _, width, height) = struct.unpack_from("<10I", data, avih[2])
        self.assertEqual((streams, width, height), (1, width, height))
        self.assertTrue(24 <= frames <= 96, f"{frames} frames")
        self.assertTrue(40000 <= per_frame <= 200000)
        strh, strf = riff_chunks(data, strl[2], strl[3])
        self.assertEqual((strh[0], strf[0]), (b"strh", b"strf"))
        kind, handler = struct.unpack_from("<4s4s", data, strh[2])
        self.assertEqual(kind, b"vids")
        self.assertIn(handler, (b"DIB ", b"\0\0\0\0"))
        suggested = struct.unpack_from("<I", data, strh[2] + 36)[0]
        info = data[strf[2]:strf[3]]
        bi_size, bi_width, bi_height, _, bits, compression = struct.unpack_from("<IiiHHI", info)
        # A positive height: bottom-up rows, which the animation control draws.
        self.assertEqual((bi_size, bi_width, bi_height, bits, compression), (40, width, height, 8, 0))
        frame_bytes = ((width + 3) & ~3) * height
        pictures = riff_chunks(data, movi[2], movi[3])
        self.assertEqual(len(pictures), frames)
        self.assertTrue(all(c[0] == b"00db" and c[3] - c[2] == frame_bytes for c in pictures))
        self.assertGreaterEqual(suggested, frame_bytes)
        index = [struct.unpack_from("<4sIII", data, at) for at in range(idx1[2], idx1[3], 16)]
        self.assertEqual(len(index), frames)
        for entry, picture in zip(index, pictures):
            self.assertEqual(entry[0], b"00db")
            self.assertEqual(movi[2] - 4 + entry[2] + 8, picture[2])
            self.assertEqual(entry[3], frame_bytes)
        decoded = [read_dib_8bit(info, c[2], data)["rows"] for c in pictures]
        for a, b in zip(decoded, decoded[1:] + decoded[:1]):
            self.assertNotEqual(a, b, "neighbouring frames must differ for the clip to move")
        for i, rows in enumerate(decoded):
            dump(f"{name[:-4]}_{i:02d}", rows)


class InstrumentNamesTest(unittest.TestCase):
    def test_129_cr_lf_lines_of_code_page_932_each_within_32_bytes(self):
        data = (Path(BIN) / "Instrmnt.txt").read_bytes()
        self.assertTrue(data.endswith(b"\r\n"))
        lines = data[:-2].split(b"\r\n")
        self.assertEqual(len(lines), 129)
        for number, line in enumerate(lines):
            # The reader cuts a line at 32 bytes and at a CR, LF or NUL inside it.
            self.assertTrue(0 < len(line) <= 32, f"line {number}: {len(line)} bytes")
            self.assertFalse(set(line) & {0x00, 0x0A, 0x0D}, f"line {number}")
            line.decode("cp932")
        self.assertEqual(lines[0].decode("cp932"), "アコースティック・ピアノ")
        self.assertEqual(lines[128].decode("cp932"), "変更しない")
        self.assertEqual(len(set(lines)), 129, "every program has its own name")


if __name__ == "__main__":
    args = sys.argv[1:]
    if "--dump" in args:
        at = args.index("--dump")
        DUMP = args[at + 1]
        del args[at:at + 2]
    if len(args) != 2:
        sys.exit(__doc__)
    GENERATED, BIN = args
    unittest.main(argv=[sys.argv[0]], verbosity=2)
