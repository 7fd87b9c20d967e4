#!/usr/bin/env python3
"""Draws Kivano's pictures and writes them beside this script, with nothing but the standard library.

- kivano.ico: the application icon, 32 x 32 in the standard 16-colour palette, with a transparency mask
  (and kivano.png, the same picture for Linux desktops; icon_*.bin, its parts as Win32 resources).
- about.gif: the About box's picture, 64 x 88, a 256-colour palette with index 4 transparent,
  10 frames of 50 ms, repeat count 1000.

Run it again after changing a drawing: python3 resources/make_pictures.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette, in its usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_CYAN, SILVER, GREY, WHITE, NAVY, YELLOW = 0, 6, 7, 8, 15, 4, 11

# An arrow cursor, as rows of '#' (outline), '.' (fill) and ' ' (nothing).
ARROW = [
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.....#####",
    "#..#..#",
    "#.# #..#",
    "##  #..#",
    "#    #..#",
    "     #..#",
    "      ##",
]


def draw_arrow(pixels, left, top, outline, fill):
    for y, row in enumerate(ARROW):
        for x, ch in enumerate(row):
            if ch != " " and 0 <= top + y < len(pixels) and 0 <= left + x < len(pixels[0]):
                pixels[top + y][left + x] = outline if ch == "#" else fill


def icon_pixels():
    """A white arrow over a dark cyan disc; None marks a transparent pixel."""
    size = 32
    px = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - 15.5, y - 15.5)
            if d <= 15.5:
                px[y][x] = NAVY if d > 14 else DARK_CYAN
    # small motion marks to the arrow's left
    for y, x0 in ((20, 4), (23, 6), (26, 9)):
        for x in range(x0, x0 + 4):
            px[y][x] = YELLOW
    draw_arrow(px, 11, 6, BLACK, WHITE)
    return px


def write_ico(path, px):
    size = len(px)
    xor_rows, and_rows = [], []
    for row in reversed(px):  # bitmaps are stored bottom-up
        nibbles = [0 if p is None else p for p in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        and_rows.append(bits.to_bytes(size // 8, "big"))  # 32 bits: already a multiple of 4 bytes
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA16)
    xor = b"".join(xor_rows)
    mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


def write_icon_resources(ico_path):
    """The icon's image and two icon groups as raw resources, so the .rc file can number each exactly:
    group 1 shows image 30001, group 101 shows image 1."""
    with open(ico_path, "rb") as f:
        ico = f.read()
    width, height, colours, _, planes, bits, size, offset = struct.unpack("<BBBBHHII", ico[6:22])
    with open(os.path.join(HERE, "icon_image.bin"), "wb") as f:
        f.write(ico[offset:offset + size])
    for group, image in ((1, 30001), (101, 1)):
        entry = struct.pack("<BBBBHHIH", width, height, colours, 0, planes, bits, size, image)
        with open(os.path.join(HERE, "icon_group%d.bin" % group), "wb") as f:
            f.write(struct.pack("<HHH", 0, 1, 1) + entry)


def write_png(path, px):
    """The icon again as a PNG with alpha, for desktop environments that take no .ico."""
    size = len(px)
    raw = b"".join(
        b"\x00" + b"".join(bytes((*VGA16[p], 255)) if p is not None else b"\x00\x00\x00\x00" for p in row)
        for row in px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def lzw(indices, min_code_size=8):
    """GIF's variable-length LZW, emitting a clear code whenever the table fills."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bit_buf, bit_len = bytearray(), 0, 0

    def emit(code, width):
        nonlocal bit_buf, bit_len
        bit_buf |= code << bit_len
        bit_len += width
        while bit_len >= 8:
            out.append(bit_buf & 0xFF)
            bit_buf >>= 8
            bit_len -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    prefix = b""
    for i in indices:
        candidate = prefix + bytes([i])
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = reset()
        prefix = bytes([i])
    if prefix:
        emit(table[prefix], width)
    emit(end, width)
    if bit_len:
        out.append(bit_buf & 0xFF)
    blocks = bytearray()
    for k in range(0, len(out), 255):
        chunk = out[k:k + 255]
        blocks += bytes([len(chunk)]) + chunk
    return bytes([min_code_size]) + bytes(blocks) + b"\x00"


TRANSPARENT = 4


def gif_palette():
    """256 colours: the 16 standard ones first (index 4 is the transparent key), then a blue ramp."""
    colours = list(VGA16)
    colours[TRANSPARENT] = (255, 0, 255)
    colours += [(i, min(255, 30 + i), min(255, 90 + i // 2)) for i in range(240)]
    return b"".join(bytes(c) for c in colours)


def about_frame(n):
    """Frame n of 10: a mouse whose cable waves, on a transparent background."""
    w, h = 64, 88
    px = [[TRANSPARENT] * w for _ in range(h)]
    # the mouse body: a rounded shape with a shade ramp
    for y in range(34, 84):
        for x in range(10, 54):
            dx, dy = (x - 32) / 22, (y - 59) / 25
            if dx * dx + dy * dy <= 1:
                px[y][x] = 16 + int(200 * (1 - (dy + 1) / 2))
    for y in range(34, 56):  # the two buttons' seam
        if px[y][32] != TRANSPARENT:
            px[y][32] = BLACK
    for x in range(12, 52):
        if px[52][x] != TRANSPARENT:
            px[52][x] = BLACK
    # the cable, waving with the frame
    for y in range(2, 35):
        x = 32 + int(6 * math.sin((y / 33) * 2 * math.pi + n * 2 * math.pi / 10))
        px[y][x] = GREY
        px[y][x + 1] = SILVER
    return [i for row in px for i in row]


def write_gif(path):
    w, h = 64, 88
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, 0xF7, 0, 0)  # global table of 256 colours
    out += gif_palette()
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 1000) + b"\x00"
    for n in range(10):
        # graphic control: restore to background, transparent index, 5 hundredths of a second
        out += b"\x21\xF9\x04" + bytes([(2 << 2) | 1]) + struct.pack("<H", 5) + bytes([TRANSPARENT]) + b"\x00"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, w, h, 0)
        out += lzw(about_frame(n))
    out += b"\x3B"
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    write_ico(os.path.join(HERE, "kivano.ico"), icon_pixels())
    write_png(os.path.join(HERE, "kivano.png"), icon_pixels())
    write_icon_resources(os.path.join(HERE, "kivano.ico"))
    write_gif(os.path.join(HERE, "about.gif"))
