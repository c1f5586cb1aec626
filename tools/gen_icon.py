#!/usr/bin/env python3
"""Draws the source's icon, a camera over a page of text, as an icon file
with a 16x16 and a 32x32 picture (32-bit with alpha).

usage: gen_icon.py <out.ico>
"""
import struct
import sys

# Shapes in drawing order (later ones cover earlier ones), in fractions of
# the icon's side: ("rect", left, top, right, bottom, colour) or
# ("circle", centre x, centre y, radius, colour). Colours are (red, green, blue).
PAGE_EDGE = (90, 90, 96)
PAGE = (250, 250, 246)
TEXT = (70, 110, 170)
BODY = (48, 54, 66)
LENS_RING = (130, 185, 235)
LENS = (28, 58, 108)
SHAPES = [
    ("rect", 0.10, 0.24, 0.74, 0.97, PAGE_EDGE),
    ("rect", 0.14, 0.28, 0.70, 0.93, PAGE),
    ("rect", 0.20, 0.47, 0.62, 0.53, TEXT),
    ("rect", 0.20, 0.60, 0.62, 0.66, TEXT),
    ("rect", 0.20, 0.73, 0.62, 0.79, TEXT),
    ("rect", 0.20, 0.86, 0.48, 0.90, TEXT),
    ("rect", 0.48, 0.03, 0.64, 0.10, BODY),
    ("rect", 0.40, 0.08, 0.96, 0.44, BODY),
    ("circle", 0.68, 0.26, 0.14, LENS_RING),
    ("circle", 0.68, 0.26, 0.075, LENS),
]
SAMPLES = 4  # per pixel and axis, for smooth edges


def colour_at(x, y):
    """The colour of the topmost shape at (x, y), or None where the icon is clear."""
    for shape in reversed(SHAPES):
        if shape[0] == "rect":
            _, left, top, right, bottom, colour = shape
            if left <= x < right and top <= y < bottom:
                return colour
        else:
            _, cx, cy, radius, colour = shape
            if (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2:
                return colour
    return None


def render(size):
    """Rows of (blue, green, red, alpha) pixels, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if colour is not None:
                        red, green, blue = red + colour[0], green + colour[1], blue + colour[2]
                        covered += 1
            if covered:
                row.append((blue // covered, green // covered, red // covered, covered * 255 // SAMPLES ** 2))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(size):
    """One picture of the icon file: a bitmap header of double height, the
    colour rows bottom-up, then the 1-bit mask (set where fully clear)."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = b"".join(bytes(channel for pixel in row for channel in pixel) for row in reversed(rows))
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for px, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + colours + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sizes = (16, 32)
    images = [icon_image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as ico:
        ico.write(out + b"".join(images))


if __name__ == "__main__":
    main()
