#!/usr/bin/python3
"""Draws the tray's nine mode icons and the dialog's logo and writes them as Windows resources.

Each icon is a single 16 x 16 image in 24-bit colour, fully opaque, so the notification area
shows exactly these pixels. The modes are told apart by colour family (grey for Bypass, blues and
greens for the matrix decoders, violet and wine for the headphone modes, oranges for the
encoders) and by a short label in a 3 x 5 pixel font. The logo is a 24-bit bitmap.

Pure Python with no imaging library, so running it again gives the same bytes:

    /usr/bin/python3 tools/ui/make_icons.py foo_dsp_ambiora/resources
"""
import struct
import sys
from pathlib import Path

# 3 x 5 glyphs, one string per row, '#' = ink.
FONT3 = {
    "A": ["###", "#.#", "###", "#.#", "#.#"],
    "S": ["###", "#..", "###", "..#", "###"],
    "R": ["##.", "#.#", "##.", "#.#", "#.#"],
    "C": ["###", "#..", "#..", "#..", "###"],
    "E": ["###", "#..", "##.", "#..", "###"],
    "N": ["##.", "#.#", "#.#", "#.#", "#.#"],
    "B": ["##.", "#.#", "##.", "#.#", "##."],
    "Y": ["#.#", "#.#", ".#.", ".#.", ".#."],
    "P": ["##.", "#.#", "##.", "#..", "#.."],
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
    "/": ["..#", "..#", ".#.", "#..", "#.."],
    "+": ["...", ".#.", "###", ".#.", "..."],
    "-": ["...", "...", "###", "...", "..."],
}

# 5 x 7 glyphs for the logo.
FONT5 = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "I": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
}

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def text(self, x, y, label, colour, font=FONT3, scale=1):
        for ch in label:
            glyph = font[ch]
            for gy, row in enumerate(glyph):
                for gx, cell in enumerate(row):
                    if cell == "#":
                        self.rect(x + gx * scale, y + gy * scale,
                                  x + gx * scale + scale - 1, y + gy * scale + scale - 1, colour)
            x += (len(glyph[0]) + 1) * scale

    def centred_text(self, y, label, colour):
        width = 4 * len(label) - 1
        self.text((self.width - width) // 2, y, label, colour)


def shade(colour, factor):
    return tuple(max(0, min(255, int(c * factor))) for c in colour)


def badge(colour):
    """A filled square with a darker rim, the common frame of every mode icon."""
    c = Canvas(16, 16, colour)
    rim = shade(colour, 0.55)
    c.rect(0, 0, 15, 0, rim)
    c.rect(0, 15, 15, 15, rim)
    c.rect(0, 0, 0, 15, rim)
    c.rect(15, 0, 15, 15, rim)
    return c


def two_line_icon(colour, top, bottom):
    c = badge(colour)
    c.centred_text(2, top, WHITE)
    c.centred_text(9, bottom, WHITE)
    return c


def bypass_icon():
    # A straight arrow through a grey square: the sound passes untouched.
    c = badge((120, 120, 120))
    c.centred_text(2, "BYP", WHITE)
    c.rect(3, 11, 11, 11, WHITE)
    for d in range(3):
        c.rect(12 - d, 11 - d, 12 - d, 11 + d, WHITE)
    return c


def headphone_icon(colour, movie):
    # A headband over two ear cups; the movie variant adds a film frame between the cups.
    c = badge(colour)
    for x in range(4, 12):
        c.put(x, 2, WHITE)
    c.put(3, 3, WHITE)
    c.put(12, 3, WHITE)
    c.rect(2, 4, 2, 8, WHITE)
    c.rect(13, 4, 13, 8, WHITE)
    c.rect(2, 8, 4, 13, WHITE)
    c.rect(11, 8, 13, 13, WHITE)
    if movie:
        c.rect(6, 8, 9, 13, WHITE)
        for y in (9, 11):
            c.put(6, y, colour)
            c.put(9, y, colour)
        c.rect(7, 9, 8, 12, shade(colour, 0.6))
    return c


# Resource id -> (mode, picture). The ids do not run in mode order; the tray maps them.
def mode_icons():
    return {
        110: bypass_icon(),                                      # 0 Bypass
        111: two_line_icon((40, 90, 200), "+C", "3/1"),          # 1 Ambiora+C
        107: two_line_icon((20, 120, 175), "AS", "3/1"),         # 2 Ambiora-AS
        108: two_line_icon((15, 135, 120), "ASR", "3/2"),        # 3 Ambiora-ASr
        109: two_line_icon((30, 140, 50), "AS2", "3/2"),         # 4 Ambiora-AS2
        114: headphone_icon((120, 50, 175), movie=False),        # 5 Ambiora Headphone
        115: headphone_icon((160, 30, 80), movie=True),          # 6 Ambiora Headphone Movie
        113: two_line_icon((215, 120, 15), "ENC", "1"),          # 7 Ambiora Encode
        112: two_line_icon((200, 65, 20), "ENC", "2"),           # 8 Ambiora Encode2
    }


def dib_rows(canvas):
    """24-bit DIB pixel rows, bottom-up, BGR, each padded to four bytes."""
    out = bytearray()
    pad = (-canvas.width * 3) % 4
    for row in reversed(canvas.pixels):
        for r, g, b in row:
            out += bytes((b, g, r))
        out += b"\0" * pad
    return bytes(out)


def ico_bytes(canvas):
    xor = dib_rows(canvas)
    and_stride = ((canvas.width + 31) // 32) * 4
    and_mask = b"\0" * (and_stride * canvas.height)  # every pixel opaque
    header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height * 2, 1, 24, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", canvas.width, canvas.height, 0, 0, 1, 24, len(image),
                        6 + 16)
    return directory + entry + image


def bmp_bytes(canvas):
    pixels = dib_rows(canvas)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(pixels),
                       2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + 40)
    return file_header + info + pixels


def logo():
    # "AMBIORA" in white over a blue-to-violet band with a thin wave line beneath.
    width, height = 146, 33
    c = Canvas(width, height, BLACK)
    left, right = (20, 70, 160), (110, 40, 150)
    for x in range(width):
        t = x / (width - 1)
        col = tuple(int(left[i] + (right[i] - left[i]) * t) for i in range(3))
        c.rect(x, 0, x, height - 1, col)
    c.text(11, 4, "AMBIORA", shade(left, 0.4), FONT5, 3)
    c.text(10, 3, "AMBIORA", WHITE, FONT5, 3)
    for x in range(8, width - 8):
        y = 28 + round(2 * ((x // 6) % 2 * 2 - 1) * (1 if (x % 6) in (2, 3) else 0.5))
        c.put(x, y, (200, 210, 255))
    return c


def main(argv):
    out = Path(argv[1] if len(argv) > 1 else "foo_dsp_ambiora/resources")
    out.mkdir(parents=True, exist_ok=True)
    for resource_id, canvas in mode_icons().items():
        (out / f"mode_{resource_id}.ico").write_bytes(ico_bytes(canvas))
    (out / "logo_108.bmp").write_bytes(bmp_bytes(logo()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
