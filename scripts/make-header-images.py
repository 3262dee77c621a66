#!/usr/bin/env python3
"""Writes the two GIF images that the agent's header description names
(html/Images/VXALogo.gif, 159x70, and html/Images/Line1.gif, 623x7).

The GIF encoder sends literal LZW codes only and a clear code before the code
table could widen, so every code stays 8 bits wide: simple and valid."""
import os
import struct

BRAND, ACCENT, WHITE, MUTED = 0, 1, 2, 3
PALETTE = [(0x0B, 0x4F, 0x6C), (0xF2, 0x9E, 0x1F), (0xFF, 0xFF, 0xFF), (0x6B, 0x77, 0x85)]

FONT = {  # 5x7 capitals
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    " ": ["00000"] * 7,
}


def gif(width, height, pixels):
    min_code = 7
    clear, end = 1 << min_code, (1 << min_code) + 1
    codes = []
    for i, p in enumerate(pixels):
        if i % 100 == 0:
            codes.append(clear)
        codes.append(p)
    codes.append(end)
    data = bytearray()
    acc = bits = 0
    for code in codes:  # 8-bit codes, least significant bit first
        acc |= code << bits
        bits += 8
        while bits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    palette = b"".join(bytes(c) for c in PALETTE)
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | 0x01, 0, 0)  # 4-colour global table
    out += palette
    out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    out.append(min_code)
    for i in range(0, len(data), 255):
        block = data[i:i + 255]
        out.append(len(block))
        out += block
    out += b"\x00\x3B"
    return bytes(out)


def text(canvas, width, x, y, line, scale, colour):
    for ch in line:
        for row, bits in enumerate(FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            canvas[(y + row * scale + dy) * width + x + col * scale + dx] = colour
        x += 6 * scale


def logo():
    width, height = 159, 70
    canvas = [WHITE] * (width * height)
    for top in (14, 29, 44):  # three stacked drives with their lights
        for y in range(top, top + 11):
            for x in range(8, 42):
                canvas[y * width + x] = BRAND
        for y in range(top + 4, top + 7):
            for x in range(35, 38):
                canvas[y * width + x] = ACCENT
    text(canvas, width, 52, 18, "TARVION", 2, BRAND)
    text(canvas, width, 52, 40, "STORAGE", 1, MUTED)
    text(canvas, width, 52, 50, "MANAGER", 1, MUTED)
    return gif(width, height, canvas)


def line():
    width, height = 623, 7
    canvas = [BRAND if y < 4 else ACCENT for y in range(height) for _ in range(width)]
    return gif(width, height, canvas)


if __name__ == "__main__":
    images = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "html", "Images")
    with open(os.path.join(images, "VXALogo.gif"), "wb") as f:
        f.write(logo())
    with open(os.path.join(images, "Line1.gif"), "wb") as f:
        f.write(line())
