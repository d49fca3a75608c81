#!/usr/bin/env python3
"""Draws the About box picture: a letterboxed landscape, black bands above
and below, with arrows that stretch it to the edges. Writes a 32 x 32,
24-bit, uncompressed bottom-up BMP to the path given (about.bmp here)."""
import struct
import sys

SIZE = 32


def pixel(x, y):
    """Colour (r, g, b) of the pixel at column x, row y counted from the top."""
    if y < 7 or y >= SIZE - 7:
        # A white arrow in each band points outwards: the zoom.
        up = 2 <= y <= 4 and abs(x - 16) <= y - 2
        down = 27 <= y <= 29 and abs(x - 16) <= 29 - y
        return (255, 255, 255) if up or down else (0, 0, 0)
    # Sun in the sky, a green hill below it.
    if (x - 23) ** 2 + (y - 11) ** 2 <= 9:
        return (255, 210, 40)
    if y >= 20 + ((x - 10) ** 2) // 24:
        return (40, 150, 60)
    return (90, 160, 230)


def main(path):
    row_bytes = SIZE * 3  # already a multiple of 4, no padding
    rows = []
    for y in reversed(range(SIZE)):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(SIZE):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    assert row_bytes % 4 == 0
    with open(path, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "about.bmp")
