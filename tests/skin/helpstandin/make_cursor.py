"""Writes a 32 x 32 monochrome cursor file: a plain pointing shape with its hot spot at (5, 0)."""
import struct
import sys

SIZE = 32


def inside(x, y):
    # A finger over a palm: enough to tell it from the arrow.
    return (4 <= x <= 7 and y <= 16) or (4 <= x <= 18 and 12 <= y <= 26)


def main(path):
    xor_rows, and_rows = [], []
    for y in range(SIZE - 1, -1, -1):   # bottom-up rows
        xor_bits = and_bits = 0
        for x in range(SIZE):
            bit = 1 << (SIZE - 1 - x)
            if inside(x, y):
                xor_bits |= bit if (x in (4, 7, 18) or y in (0, 26)) else 0
            else:
                and_bits |= bit
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, 5, 0, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main(sys.argv[1])
