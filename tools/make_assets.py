#!/usr/bin/env python3
"""Builds Kadenzo's binary assets from the readable sources in res/.

  make_assets.py icon        ART  OUT.ico   pictures "16" and "32" of a pixel-art file, and the same
                                           picture drawn at 48, 64 and 256 pixels
  make_assets.py strip       ART  OUT.bmp   the 18 menu pictures side by side, 8-bit, at the
                                           size the art draws them (16, 24 or 32 pixels square)
  make_assets.py clip        ART  OUT.avi   the looping animation, uncompressed 8-bit
  make_assets.py clip150     ART  OUT.avi   the same for 150 % screens (clip200: 200 %)
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
    """One icon image of the pixel art."""
    return icon_image_from_rows([[art.palette[ch] for ch in row] for row in art.picture(name, size, size)])


# The larger icon images are drawn from the shapes of the 32-pixel picture, at their own size: a
# ring turning clockwise (lit at the top left, shaded at the bottom right) that ends in an arrow
# head at the top, and an eighth note inside it. Lengths are in the 32-pixel picture's pixels.
ICON_DRAWN_SIZES = (48, 64, 256)
RING_CENTRE, RING_INNER_RADIUS, RING_OUTER_RADIUS = (15.5, 16.5), 9.6, 13.2
RING_GAP = (-98.0, -24.0)         # degrees, y down: the ring is open between its head and tail
ARROW_TIP_ANGLE, ARROW_REACH = -72.0, 2.9
RING_LIT, RING_MIDDLE, RING_SHADED, NOTE = (0x6a, 0xa8, 0xff), (0x2a, 0x6b, 0xd6), (0x18, 0x43, 0x8f), (0x16, 0x16, 0x16)
NOTE_STEM = (16.0, 8.0, 18.0, 21.5)                                      # left, top, right, bottom
NOTE_FLAG_THROUGH = [(17.0, 8.6), (19.6, 10.6), (21.4, 13.0), (21.7, 15.2), (20.7, 17.3)]
NOTE_FLAG_HALF_WIDTH = 0.95
NOTE_HEAD = (13.6, 20.7, 4.4, 3.0, -30.0)                               # centre, radii, turn


def smooth_line(points, steps=8):
    """A Catmull-Rom curve through the points, as short segments."""
    ends = [points[0]] + points + [points[-1]]
    line = []
    for p0, p1, p2, p3 in zip(ends, ends[1:], ends[2:], ends[3:]):
        for i in range(steps):
            t = i / steps
            line.append(tuple(0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t * t +
                                     (3 * b - a - 3 * c + d) * t ** 3) for a, b, c, d in zip(p0, p1, p2, p3)))
    return line + [points[-1]]


NOTE_FLAG = smooth_line(NOTE_FLAG_THROUGH)


def point_on_ring(angle, radius):
    a = math.radians(angle)
    return RING_CENTRE[0] + radius * math.cos(a), RING_CENTRE[1] + radius * math.sin(a)


def inside_triangle(p, a, b, c):
    def side(u, v, w):
        return (u[0] - w[0]) * (v[1] - w[1]) - (v[0] - w[0]) * (u[1] - w[1])
    d1, d2, d3 = side(p, a, b), side(p, b, c), side(p, c, a)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


def distance_to_segment(p, a, b):
    ax, ay = b[0] - a[0], b[1] - a[1]
    t = max(0.0, min(1.0, ((p[0] - a[0]) * ax + (p[1] - a[1]) * ay) / (ax * ax + ay * ay)))
    return math.hypot(p[0] - a[0] - t * ax, p[1] - a[1] - t * ay)


def ring_colour(angle):
    """Lit at the top left, shaded at the bottom right."""
    t = (1 - math.cos(math.radians(angle + 135.0))) / 2
    low, high, t = (RING_LIT, RING_MIDDLE, t / 0.5) if t < 0.5 else (RING_MIDDLE, RING_SHADED, (t - 0.5) / 0.5)
    return tuple(round(l + (h - l) * t) for l, h in zip(low, high))


def icon_colour_at(x, y):
    """The colour of the drawing at (x, y), or None where it is transparent."""
    hx, hy, rx, ry, turn = NOTE_HEAD
    c, s = math.cos(math.radians(turn)), math.sin(math.radians(turn))
    u, v = (x - hx) * c + (y - hy) * s, -(x - hx) * s + (y - hy) * c
    stem = NOTE_STEM[0] <= x <= NOTE_STEM[2] and NOTE_STEM[1] <= y <= NOTE_STEM[3]
    flag = any(distance_to_segment((x, y), a, b) <= NOTE_FLAG_HALF_WIDTH for a, b in zip(NOTE_FLAG, NOTE_FLAG[1:]))
    if stem or flag or (u / rx) ** 2 + (v / ry) ** 2 <= 1:
        return NOTE
    dx, dy = x - RING_CENTRE[0], y - RING_CENTRE[1]
    radius, angle = math.hypot(dx, dy), math.degrees(math.atan2(dy, dx))
    middle, half = (RING_INNER_RADIUS + RING_OUTER_RADIUS) / 2, (RING_OUTER_RADIUS - RING_INNER_RADIUS) / 2
    if RING_INNER_RADIUS <= radius <= RING_OUTER_RADIUS and not RING_GAP[0] < angle < RING_GAP[1]:
        return ring_colour(angle)
    if math.dist((x, y), point_on_ring(RING_GAP[1], middle)) <= half:  # the tail's round end
        return ring_colour(RING_GAP[1])
    head = (point_on_ring(RING_GAP[0], RING_INNER_RADIUS - ARROW_REACH),
            point_on_ring(RING_GAP[0], RING_OUTER_RADIUS + ARROW_REACH), point_on_ring(ARROW_TIP_ANGLE, middle))
    if inside_triangle((x, y), *head):
        return ring_colour(RING_GAP[0])
    return None


def drawn_icon_rows(size):
    """Rows of (r, g, b, a): each pixel the share of its area the drawing covers, sampled finely."""
    samples = 4 if size > 100 else 8
    unit = 32 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            covered = []
            for sy in range(samples):
                for sx in range(samples):
                    colour = icon_colour_at((px + (sx + 0.5) / samples) * unit, (py + (sy + 0.5) / samples) * unit)
                    if colour:
                        covered.append(colour)
            if covered:
                mix = tuple(round(sum(c[i] for c in covered) / len(covered)) for i in range(3))
                row.append(mix + (round(255 * len(covered) / samples ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image_from_rows(rows):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, then the 1-bit AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + mask


def write_icon(art, out):
    sizes = [16, 32] + list(ICON_DRAWN_SIZES)
    images = [icon_image(art, str(size), size) for size in (16, 32)]
    images += [icon_image_from_rows(drawn_icon_rows(size)) for size in ICON_DRAWN_SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        side = size % 256  # a directory entry says 0 for 256
        data += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
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

# The clip's geometry at 100 %; the clips for 150 % and 200 % screens scale it and draw their own
# note (pictures "note-150" and "note-200"), so nothing in them is the small clip stretched.
CLIP_WIDTH, CLIP_HEIGHT, CLIP_FRAMES, CLIP_FRAME_MICROSECONDS = 80, 40, 40, 80000
CLIP_SCALES = {100: "note", 150: "note-150", 200: "note-200"}
STAFF_LINES = (8, 14, 20, 26, 32)     # y of the five lines, bottom line last
NOTE_SPACING = 20                     # pixels between notes; they move one pixel a frame
RING_X, RING_Y, RING_OUTER, RING_INNER = 40, 20, 13.0, 10.0


def ring_covers(x, y, frame, scale):
    """Three arcs around the ring, turning a third of a circle over the whole clip."""
    dx, dy = x + 0.5 - RING_X * scale, y + 0.5 - RING_Y * scale
    distance = math.hypot(dx, dy)
    inner, outer = RING_INNER * scale, RING_OUTER * scale
    if not inner - 0.5 <= distance <= outer + 0.5:
        return None
    turn = 120.0 * frame / CLIP_FRAMES
    angle = (math.degrees(math.atan2(dy, dx)) - turn) % 120.0
    if angle > 84.0:
        return None
    inside = inner <= distance <= outer and 6.0 <= angle <= 78.0
    return "R" if inside else "r"


def note_place(n, frame):
    """Left and top of note n at 100 % and how far it has risen: it rises one staff line while it
    passes the ring."""
    left = -12 + NOTE_SPACING * n + frame
    head_y = STAFF_LINES[4] - 3 - 6 * (n % 2)          # a space, or the space above the next line
    centre = left + 4
    rise = min(max((centre - (RING_X - 6)) / 12.0, 0.0), 1.0)
    return left, head_y - 12, 6 * rise, centre >= RING_X


def clip_size(percent):
    return CLIP_WIDTH * percent // 100, CLIP_HEIGHT * percent // 100


def clip_frames(art, percent):
    """The frames as rows of palette indices: staff, turning ring, then the walking notes."""
    index = {ch: i for i, ch in enumerate(art.order)}
    note = art.pictures[CLIP_SCALES[percent]]
    scale = percent / 100
    width, height = clip_size(percent)
    line = max(1, int(scale))  # staff lines and frame: one pixel at 100 % and 150 %, two at 200 %
    frames = []
    for frame in range(CLIP_FRAMES):
        canvas = [[index["P"]] * width for _ in range(height)]
        for y in STAFF_LINES:
            for row in range(round(y * scale), round(y * scale) + line):
                canvas[row][2 * line:width - 2 * line] = [index["S"]] * (width - 4 * line)
        for y in range(height):
            for x in range(width):
                part = ring_covers(x, y, frame, scale)
                if part:
                    canvas[y][x] = index[part]
        # Moving two spacings over the clip, note n ends where note n+2 began: the loop is seamless.
        for n in range(-1, 6):
            left, top, raised, changed = note_place(n, frame)
            left, top = round(left * scale), round(top * scale) - round(raised * scale)
            colour = index["B" if changed else "K"]
            for y, row in enumerate(note):
                for x, ch in enumerate(row):
                    if ch != "." and line <= left + x < width - line and 0 <= top + y < height:
                        canvas[top + y][left + x] = colour
        for edge in range(line):
            for x in range(width):
                canvas[edge][x] = canvas[height - 1 - edge][x] = index["F"]
            for y in range(height):
                canvas[y][edge] = canvas[y][width - 1 - edge] = index["F"]
        frames.append(canvas)
    return frames


def chunk(fourcc, payload):
    return fourcc + struct.pack("<I", len(payload)) + payload + (b"\0" if len(payload) % 2 else b"")


def riff_list(kind, fourcc, payload):
    return kind + struct.pack("<I", len(payload) + 4) + fourcc + payload


def write_clip(art, out, percent=100):
    width, height = clip_size(percent)
    frames = [dib_rows(frame, width) for frame in clip_frames(art, percent)]
    frame_bytes = len(frames[0])
    count = len(frames)
    avih = struct.pack("<10I4I", CLIP_FRAME_MICROSECONDS,
                       frame_bytes * 1000000 // CLIP_FRAME_MICROSECONDS, 0, 0x10, count, 0, 1,
                       frame_bytes, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0,
                       CLIP_FRAME_MICROSECONDS, 1000000, 0, count, frame_bytes, 0xFFFFFFFF, 0,
                       0, 0, width, height)
    # A positive height: the rows are stored bottom-up, the only kind the animation control draws.
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, frame_bytes,
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
    elif kind.startswith("clip") and kind[4:] in ("", "150", "200"):
        write_clip(Art(source), out, int(kind[4:] or 100))
    elif kind == "instruments":
        write_instruments(source, out)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
