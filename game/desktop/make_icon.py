#!/usr/bin/env python3
"""Draws the game's desktop icon, kestravelle.png: the runtime's window icon (the falcon's
head over a diamond of tools/gen_data.py) at twice its size, black made transparent.
Run from the repository root:  python3 game/desktop/make_icon.py game/desktop/kestravelle.png
"""
import os
import struct
import sys
import zlib

sys.dont_write_bytecode = True  # leave no cache behind in tools/
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gen_data import ICON, ICON_COLOURS  # noqa: E402

SCALE = 2


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def icon_png():
    rows = b""
    for line in ICON:
        row = bytearray()
        for ch in line:
            r, g, b = ICON_COLOURS[ch]
            row += bytes((r, g, b, 0 if ch == "." else 255)) * SCALE
        rows += (b"\0" + bytes(row)) * SCALE  # filter type 0 on every scan line
    size = len(ICON) * SCALE
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    open(sys.argv[1], "wb").write(icon_png())
