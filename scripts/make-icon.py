#!/usr/bin/env python3
"""Draws Kestrun's application icon and writes src/app/kestrun.ico.

One icon group of 18 images: 64, 48, 40, 32 and 16 pixels square at 4 and at 8 bits per
pixel, and 256, 128, 96, 64, 48, 40, 32 and 16 pixels square at 32 bits per pixel (the
256-pixel one PNG-compressed, as Windows expects). Only the standard library is used.
"""
import struct
import zlib
from pathlib import Path

NAVY = (0x0B, 0x25, 0x45)
TEAL = (0x13, 0x80, 0x7A)
WHITE = (0xFF, 0xFF, 0xFF)

# The wing mark of the logo, in a unit square.
WING = [(0.16, 0.78), (0.40, 0.22), (0.54, 0.42), (0.76, 0.14), (0.68, 0.78), (0.54, 0.62)]
TAIL = [(0.54, 0.62), (0.68, 0.78), (0.40, 0.88)]


def inside(polygon, x, y):
    result = False
    j = len(polygon) - 1
    for i, (xi, yi) in enumerate(polygon):
        xj, yj = polygon[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def sample(x, y):
    """Colour and coverage at a point of the unit square: a rounded navy tile with the mark."""
    r = 0.18
    cx, cy = min(max(x, r), 1 - r), min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    if inside(WING, x, y):
        return WHITE
    if inside(TAIL, x, y):
        return TEAL
    return NAVY


def render(size, samples=4):
    """RGBA rows, top to bottom, supersampled for smooth edges."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = sample((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    if c:
                        hits += 1
                        acc = [a + b for a, b in zip(acc, c)]
            alpha = round(255 * hits / samples ** 2)
            row.append(tuple(a // hits for a in acc) + (alpha,) if hits else (0, 0, 0, 0))
        rows.append(row)
    return rows


def palette(bits):
    if bits == 4:
        base = [NAVY, TEAL, WHITE, (0, 0, 0), (0x80, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
                (0x3A, 0x5F, 0x86), (0x8F, 0xC9, 0xC4)]
        return base + [(0, 0, 0)] * (16 - len(base))
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    return [NAVY, TEAL] + cube + [(v, v, v) for v in range(0, 256, 7)][: 256 - 2 - len(cube)]


def nearest(colours, rgb):
    return min(range(len(colours)), key=lambda i: sum((a - b) ** 2 for a, b in zip(colours[i], rgb)))


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(rows):
    out = b""
    for row in reversed(rows):
        bits = 0
        data = bytearray()
        for i, px in enumerate(row):
            bits = bits << 1 | (px[3] < 128)
            if i % 8 == 7:
                data.append(bits)
                bits = 0
        if len(row) % 8:
            data.append(bits << (8 - len(row) % 8))
        out += pad4(bytes(data))
    return out


def bmp_image(rows, bits):
    size = len(rows)
    colours = palette(bits) if bits < 32 else []
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(colours), 0)
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in colours)
    pixels = b""
    for row in reversed(rows):
        if bits == 32:
            pixels += b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in row)
        else:
            indices = [nearest(colours, px[:3]) if px[3] >= 128 else 3 for px in row]
            if bits == 4:
                indices += [0] * (len(indices) % 2)
                pixels += pad4(bytes(indices[i] << 4 | indices[i + 1] for i in range(0, len(indices), 2)))
            else:
                pixels += pad4(bytes(indices))
    return header + table + pixels + and_mask(rows), len(colours) if bits == 4 else 0


def png_image(rows):
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = len(rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    images = [(s, 4) for s in (64, 48, 40, 32, 16)] + [(s, 8) for s in (64, 48, 40, 32, 16)]
    images += [(s, 32) for s in (256, 128, 96, 64, 48, 40, 32, 16)]
    cache = {}
    entries, blobs = [], []
    for size, bits in images:
        rows = cache.setdefault(size, render(size, 2 if size > 64 else 4))
        if size == 256:
            data, count = png_image(rows), 0
        else:
            data, count = bmp_image(rows, bits)
        entries.append((size, bits, count, data))
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    for size, bits, count, data in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, count, 0, 1, bits, len(data), offset)
        offset += len(data)
        blobs.append(data)
    target = Path(__file__).resolve().parent.parent / "src" / "app" / "kestrun.ico"
    target.write_bytes(directory + b"".join(blobs))


if __name__ == "__main__":
    main()
