#!/usr/bin/env python3
"""Draws the application icon: an aircraft seen from above on a sky-blue square, as
16-colour images of the sizes given (default 32 and 16; scaled displays pick a 48), written
as one .ico file: make_icon.py OUTPUT [SIZE ...]."""
import struct
import sys

# The standard Windows 16-colour palette, as (blue, green, red).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
SKY, FRAME, BODY, SHADE = 14, 4, 15, 8  # cyan, dark blue, white, dark grey


def draw(size):
    """The picture as rows of palette indices, top row first, in a 32-unit design grid."""
    def grid(x, y):
        return x * 32 // size, y * 32 // size

    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            gx, gy = grid(x, y)
            colour = SKY
            if gx in (0, 31) or gy in (0, 31):
                colour = FRAME
            if 14 <= gx <= 17 and 4 <= gy <= 27:          # fuselage
                colour = BODY
            if 3 <= gx <= 28 and 11 <= gy <= 15 and abs(gx - 15.5) <= 12.5 - (gy - 11) * 0.5:  # wings
                colour = BODY
            if 10 <= gx <= 21 and 23 <= gy <= 25:         # tailplane
                colour = BODY
            if 15 <= gx <= 16 and 5 <= gy <= 7:           # cockpit
                colour = SHADE
            row.append(colour)
        pixels.append(row)
    return pixels


def bitmap(size):
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", blue, green, red, 0) for (blue, green, red) in PALETTE)
    xor = b""
    for row in reversed(pixels):  # bottom-up
        packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        xor += packed + b"\0" * (-len(packed) % 4)
    mask_row = b"\0" * ((size + 31) // 32 * 4)  # fully opaque
    return header + palette + xor + mask_row * size


def main():
    sizes = [int(size) for size in sys.argv[2:]] or [32, 16]
    images = [bitmap(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
