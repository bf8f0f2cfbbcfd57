#!/usr/bin/env python3
"""Extracts the three code-page 437 fonts (8x8, 8x14, 8x16) from Debian's vgabios image.

The image stores each glyph row with its leftmost pixel in the high bit; our glyphs keep it
in bit 0, so every byte is reversed. Usage: extract_fonts.py [VGABIOS] OUTPUT
"""
import sys

VGABIOS = "/usr/share/vgabios/vgabios.bin"
# (cell height, byte offset in the image); 256 glyphs of one byte per row each.
FONTS = ((8, 3960), (14, 6008), (16, 9592))


def reverse_bits(byte):
    return int(f"{byte:08b}"[::-1], 2)


def extract_fonts(path=VGABIOS):
    """The 8x8, 8x14 and 8x16 fonts, one after the other (9728 bytes)."""
    with open(path, "rb") as image:
        data = image.read()
    out = bytearray()
    for height, offset in FONTS:
        size = 256 * height
        if offset + size > len(data):
            raise ValueError(f"{path}: too short for the {height}-row font")
        out += bytes(reverse_bits(b) for b in data[offset:offset + size])
    return bytes(out)


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    source = argv[1] if len(argv) == 3 else VGABIOS
    with open(argv[-1], "wb") as out:
        out.write(extract_fonts(source))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
