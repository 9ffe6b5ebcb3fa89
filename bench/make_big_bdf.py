#!/usr/bin/env python3
"""Writes the converter's bench BDF: 65,536 glyphs of 16 x 16 dots under the
codes 0 to 65535, about 10 MB, as large as any BDF in use. Its registry is
one of no symbol set, so every code is kept as it is. Always the same bytes.

    bench/make_big_bdf.py OUT.bdf
"""
import sys


def glyph_rows(code):
    # A few strokes that vary with the code: a frame, a bar and a diagonal,
    # so that rows differ as a text face's do.
    rows = []
    for y in range(16):
        row = 0x8001 if y not in (0, 15) else 0xFFFF
        row |= 1 << (15 - (code + y) % 16)
        if y == 4 + code % 8:
            row |= 0x3FFC
        rows.append(row)
    return rows


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = [
        "STARTFONT 2.1\n",
        "FONT -Kestrune-Bench-Medium-R-Normal--16-120-100-100-C-160-Kestrune-Bench\n",
        "SIZE 12 100 100\n",
        "FONTBOUNDINGBOX 16 16 0 -2\n",
        "STARTPROPERTIES 6\n",
        'FAMILY_NAME "Bench"\n',
        "PIXEL_SIZE 16\n",
        "FONT_ASCENT 14\n",
        "FONT_DESCENT 2\n",
        'CHARSET_REGISTRY "Kestrune"\n',
        'CHARSET_ENCODING "Bench"\n',
        "ENDPROPERTIES\n",
        "CHARS 65536\n",
    ]
    for code in range(65536):
        out.append(
            f"STARTCHAR g{code:04X}\nENCODING {code}\nSWIDTH 960 0\nDWIDTH 16 0\n"
            "BBX 16 16 0 -2\nBITMAP\n")
        out.append("".join(f"{row:04X}\n" for row in glyph_rows(code)))
        out.append("ENDCHAR\n")
    out.append("ENDFONT\n")
    with open(sys.argv[1], "w", newline="\n") as f:
        f.writelines(out)


if __name__ == "__main__":
    main()
