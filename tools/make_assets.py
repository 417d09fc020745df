#!/usr/bin/env python3
"""Builds Kadenzo's binary assets from the readable sources in res/.

  make_assets.py icon        ART  OUT.ico   pictures "16" and "32" of a pixel-art file
  make_assets.py strip       ART  OUT.bmp   the 18 menu pictures side by side, 8-bit, at the
                                           size the art draws them (16, 24 or 32 pixels square)
  make_assets.py clip        ART  OUT.avi   the looping animation, uncompressed 8-bit
  make_assets.py instruments TXT  OUT.txt   UTF-8 names -> code page 932, CR LF

Pixel-art files hold a palette (one character, a colour as RRGGBB or RRGGBBAA, a note) and
pictures (a header line "picture NAME", then one text row per pixel row).
Standard library only, so every build machine can run it.
"""
import math
import struct
import sys

MENU_PICTURE_ORDER = [
    "open", "convert", "save", "save-same-name", "quit", "tone", "volume", "instruments",
    "tempo", "log", "play", "stop", "gm-reset", "gs-reset", "xg-reset", "help", "web-site",
    "version",
]
STRIP_SIZES = (16, 24, 32)  # 96, 144 and 192 DPI
NAME_FIELD_BYTES = 32   # the instrument list keeps at most this many bytes of a line
INSTRUMENT_LINES = 129  # programs 0..127 and 128, "leave unchanged"


class Art:
    """A palette and named pictures read from a pixel-art text file."""

    def __init__(self, path):
        self.palette = {}   # character -> (r, g, b, a)
        self.order = []     # palette characters in file order
        self.pictures = {}  # name -> list of rows
        self._read(path)

    def _read(self, path):
        section, rows = None, None
        with open(path, encoding="utf-8") as f:
            for number, raw in enumerate(f, 1):
                line = raw.rstrip("\n")
                stripped = line.strip()
                if section == "picture" and stripped and not stripped.startswith("#"):
                    if stripped.startswith("picture ") or stripped == "palette":
                        section = None
                    else:
                        rows.append(stripped)
                        continue
                if not stripped or stripped.startswith("#"):
                    if section == "picture" and rows:
                        section = None
                    continue
                if stripped == "palette":
                    section = "palette"
                elif stripped.startswith("picture "):
                    name = stripped.split()[1]
                    if name in self.pictures:
                        raise ValueError(f"{path}:{number}: picture {name} given twice")
                    rows = self.pictures[name] = []
                    section = "picture"
                elif section == "palette":
                    self._add_colour(path, number, stripped)
                else:
                    raise ValueError(f"{path}:{number}: unexpected line: {line}")
        for name, picture in self.pictures.items():
            self._check(path, name, picture)

    def _add_colour(self, path, number, line):
        parts = line.split(None, 2)
        if len(parts) < 2 or len(parts[0]) != 1 or len(parts[1]) not in (6, 8):
            raise ValueError(f"{path}:{number}: palette lines read 'C RRGGBB[AA] note'")
        value = parts[1] + ("ff" if len(parts[1]) == 6 else "")
        self.palette[parts[0]] = tuple(int(value[i:i + 2], 16) for i in range(0, 8, 2))
        self.order.append(parts[0])

    def _check(self, path, name, picture):
        if not picture or any(len(row) != len(picture[0]) for row in picture):
            raise ValueError(f"{path}: picture {name}: rows of unequal length")
        for row in picture:
            for ch in row:
                if ch not in self.palette:
                    raise ValueError(f"{path}: picture {name}: colour '{ch}' not in the palette")

    def picture(self, name, width, height):
        rows = self.pictures.get(name)
        if rows is None:
            raise ValueError(f"picture {name} is missing")
        if len(rows) != height or len(rows[0]) != width:
            raise ValueError(f"picture {name} is {len(rows[0])}x{len(rows)}, wants {width}x{height}")
        return rows


# --- icon -------------------------------------------------------------------------------

def icon_image(art, name, size):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, then the 1-bit AND mask."""
    rows = art.picture(name, size, size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):
        for ch in row:
            r, g, b, a = art.palette[ch]
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, ch in enumerate(row):
            if art.palette[ch][3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + mask


def write_icon(art, out):
    sizes = [16, 32]
    images = [icon_image(art, str(size), size) for size in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(out, "wb") as f:
        f.write(data + b"".join(images))


# --- 8-bit pictures ---------------------------------------------------------------------

def palette_entries(art):
    """The art's colours as 256 RGBQUAD entries, in palette order, black after the last."""
    if len(art.order) > 256:
        raise ValueError("more than 256 colours")
    table = bytearray()
    for ch in art.order:
        r, g, b, _ = art.palette[ch]
        table += bytes((b, g, r, 0))
    return bytes(table) + bytes(4 * (256 - len(art.order)))


def dib_rows(index_rows, width):
    """8-bit pixel rows, bottom row first, each padded to four bytes."""
    stride = (width + 3) & ~3
    data = bytearray()
    for row in reversed(index_rows):
        data += bytes(row) + bytes(stride - width)
    return bytes(data)


def strip_size(art):
    """The size of the art's menu pictures: each screen scale has its own art, drawn for its size."""
    first = art.pictures.get(MENU_PICTURE_ORDER[0])
    if not first or len(first[0]) not in STRIP_SIZES:
        raise ValueError(f"picture {MENU_PICTURE_ORDER[0]}: wants one of the sizes {STRIP_SIZES}")
    return len(first[0])


def write_strip(art, out):
    index = {ch: i for i, ch in enumerate(art.order)}
    size = strip_size(art)
    cells = [art.picture(name, size, size) for name in MENU_PICTURE_ORDER]
    width, height = size * len(cells), size
    rows = [[index[ch] for cell in cells for ch in cell[y]] for y in range(height)]
    pixels = dib_rows(rows, width)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    colours = palette_entries(art)
    offset = 14 + len(info) + len(colours)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(out, "wb") as f:
        f.write(head + info + colours + pixels)


# --- animation clip ---------------------------------------------------------------------

CLIP_WIDTH, CLIP_HEIGHT, CLIP_FRAMES, CLIP_FRAME_MICROSECONDS = 80, 40, 40, 80000
STAFF_LINES = (8, 14, 20, 26, 32)     # y of the five lines, bottom line last
NOTE_SPACING = 20                     # pixels between notes; they move one pixel a frame
RING_X, RING_Y, RING_OUTER, RING_INNER = 40, 20, 13.0, 10.0


def ring_covers(x, y, frame):
    """Three arcs around the ring, turning a third of a circle over the whole clip."""
    dx, dy = x + 0.5 - RING_X, y + 0.5 - RING_Y
    distance = math.hypot(dx, dy)
    if not RING_INNER - 0.5 <= distance <= RING_OUTER + 0.5:
        return None
    turn = 120.0 * frame / CLIP_FRAMES
    angle = (math.degrees(math.atan2(dy, dx)) - turn) % 120.0
    if angle > 84.0:
        return None
    inside = RING_INNER <= distance <= RING_OUTER and 6.0 <= angle <= 78.0
    return "R" if inside else "r"


def note_place(n, frame):
    """Left and top of note n: it rises one staff line while it passes the ring."""
    left = -12 + NOTE_SPACING * n + frame
    head_y = STAFF_LINES[4] - 3 - 6 * (n % 2)          # a space, or the space above the next line
    centre = left + 4
    rise = min(max((centre - (RING_X - 6)) / 12.0, 0.0), 1.0)
    return left, head_y - 12 - round(6 * rise), centre >= RING_X


def clip_frames(art):
    """The frames as rows of palette indices: staff, turning ring, then the walking notes."""
    index = {ch: i for i, ch in enumerate(art.order)}
    note = art.pictures["note"]
    frames = []
    for frame in range(CLIP_FRAMES):
        canvas = [[index["P"]] * CLIP_WIDTH for _ in range(CLIP_HEIGHT)]
        for y in STAFF_LINES:
            canvas[y][2:CLIP_WIDTH - 2] = [index["S"]] * (CLIP_WIDTH - 4)
        for y in range(CLIP_HEIGHT):
            for x in range(CLIP_WIDTH):
                part = ring_covers(x, y, frame)
                if part:
                    canvas[y][x] = index[part]
        # Moving two spacings over the clip, note n ends where note n+2 began: the loop is seamless.
        for n in range(-1, 6):
            left, top, changed = note_place(n, frame)
            colour = index["B" if changed else "K"]
            for y, row in enumerate(note):
                for x, ch in enumerate(row):
                    if ch != "." and 1 <= left + x < CLIP_WIDTH - 1 and 0 <= top + y < CLIP_HEIGHT:
                        canvas[top + y][left + x] = colour
        for x in range(CLIP_WIDTH):
            canvas[0][x] = canvas[CLIP_HEIGHT - 1][x] = index["F"]
        for y in range(CLIP_HEIGHT):
            canvas[y][0] = canvas[y][CLIP_WIDTH - 1] = index["F"]
        frames.append(canvas)
    return frames


def chunk(fourcc, payload):
    return fourcc + struct.pack("<I", len(payload)) + payload + (b"\0" if len(payload) % 2 else b"")


def riff_list(kind, fourcc, payload):
    return kind + struct.pack("<I", len(payload) + 4) + fourcc + payload


def write_clip(art, out):
    frames = [dib_rows(frame, CLIP_WIDTH) for frame in clip_frames(art)]
    frame_bytes = len(frames[0])
    count = len(frames)
    avih = struct.pack("<10I4I", CLIP_FRAME_MICROSECONDS,
                       frame_bytes * 1000000 // CLIP_FRAME_MICROSECONDS, 0, 0x10, count, 0, 1,
                       frame_bytes, CLIP_WIDTH, CLIP_HEIGHT, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0,
                       CLIP_FRAME_MICROSECONDS, 1000000, 0, count, frame_bytes, 0xFFFFFFFF, 0,
                       0, 0, CLIP_WIDTH, CLIP_HEIGHT)
    # A positive height: the rows are stored bottom-up, the only kind the animation control draws.
    strf = struct.pack("<IiiHHIIiiII", 40, CLIP_WIDTH, CLIP_HEIGHT, 1, 8, 0, frame_bytes,
                       0, 0, 256, 0) + palette_entries(art)
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", strf))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)
    movi = riff_list(b"LIST", b"movi", b"".join(chunk(b"00db", f) for f in frames))
    # Index offsets count from the "movi" identifier, as AVI readers expect.
    idx1 = b"".join(struct.pack("<4sIII", b"00db", 0x10, 4 + i * (8 + frame_bytes), frame_bytes)
                    for i in range(count))
    body = hdrl + movi + chunk(b"idx1", idx1)
    with open(out, "wb") as f:
        f.write(riff_list(b"RIFF", b"AVI ", body))


# --- instrument names -------------------------------------------------------------------

def write_instruments(source, out):
    with open(source, encoding="utf-8") as f:
        names = [line.rstrip("\r\n") for line in f]
    while names and names[-1] == "":
        names.pop()
    if len(names) != INSTRUMENT_LINES:
        raise ValueError(f"{source}: {len(names)} names, wants {INSTRUMENT_LINES}")
    encoded = []
    for number, name in enumerate(names):
        data = name.encode("cp932")
        # The reader cuts a longer line and turns its rest into the next entry.
        if len(data) > NAME_FIELD_BYTES or not data:
            raise ValueError(f"{source}: name of program {number} is {len(data)} bytes")
        encoded.append(data + b"\r\n")
    with open(out, "wb") as f:
        f.write(b"".join(encoded))


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    kind, source, out = argv[1:]
    if kind == "icon":
        write_icon(Art(source), out)
    elif kind == "strip":
        write_strip(Art(source), out)
    elif kind == "clip":
        write_clip(Art(source), out)
    elif kind == "instruments":
        write_instruments(source, out)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
