#!/usr/bin/env python3
"""Compares two uncompressed TGA pictures (type 2, 24 or 32 bits), or two
8-bit RGB(A) PNG pictures, for the Windows end-to-end run: the viewer's F12
screenshot or the tool's picture made under Wine against the Linux tool's
picture of the same view.

usage: compare_tga.py A.tga B.tga [--ignore X0,Y0,X1,Y1]... [--tolerance N]
                      [--max-differing FRACTION] [--png OUT.png] [--alpha]

Rectangles to ignore are in window pixels, top-left origin, X1 and Y1
exclusive. A pixel differs when any of its red, green or blue values differs
by more than the tolerance (for PNG pictures, alpha too; a 32-bit TGA's
alpha with --alpha). Exit status 0 when the
sizes match and at most FRACTION of the compared pixels differ, 1 otherwise,
2 for unreadable input. --png writes A as a PNG (for looking at a failure).
"""
import argparse
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import tga_png  # noqa: E402


def read_tga(path, alpha=False):
    """Returns (width, height, rows) with rows top-down as lists of (r, g, b),
    or of (r, g, b, a) from a 32-bit picture when alpha is asked for."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 18:
        raise ValueError(f"{path}: shorter than a TGA header")
    id_length, colour_map_type, image_type = data[0], data[1], data[2]
    width, height = struct.unpack_from("<HH", data, 12)
    bits, descriptor = data[16], data[17]
    if image_type != 2 or colour_map_type != 0 or bits not in (24, 32):
        raise ValueError(f"{path}: not an uncompressed 24/32-bit true-colour TGA")
    step = bits // 8
    start = 18 + id_length
    if len(data) < start + width * height * step:
        raise ValueError(f"{path}: pixel data cut short")
    rows = []
    for y in range(height):
        base = start + y * width * step
        row = [(data[base + x * step + 2], data[base + x * step + 1], data[base + x * step])
               + ((data[base + x * step + 3],) if alpha and step == 4 else ())
               for x in range(width)]
        rows.append(row)
    if not descriptor & 0x20:  # bottom-up unless the top-left origin bit is set
        rows.reverse()
    return width, height, rows


def read_picture(path, alpha=False):
    """read_tga's result, or a PNG's with rows of (r, g, b, a)."""
    if not path.endswith(".png"):
        return read_tga(path, alpha)
    width, height, rgba = tga_png.read_png(path)
    rows = [[tuple(rgba[(y * width + x) * 4:(y * width + x) * 4 + 4]) for x in range(width)]
            for y in range(height)]
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("a")
    parser.add_argument("b")
    parser.add_argument("--ignore", action="append", default=[])
    parser.add_argument("--tolerance", type=int, default=8)
    parser.add_argument("--max-differing", type=float, default=0.005)
    parser.add_argument("--png")
    parser.add_argument("--alpha", action="store_true", help="compare a 32-bit TGA's alpha too")
    args = parser.parse_args()
    try:
        wa, ha, a = read_picture(args.a, args.alpha)
        wb, hb, b = read_picture(args.b, args.alpha)
        ignored = [tuple(int(v) for v in r.split(",")) for r in args.ignore]
    except (OSError, ValueError) as error:
        print(f"compare_tga: {error}", file=sys.stderr)
        return 2
    if args.png:
        write_png(args.png, wa, ha, [[px[:3] for px in row] for row in a])
    if (wa, ha) != (wb, hb):
        print(f"compare_tga: sizes differ: {wa}x{ha} against {wb}x{hb}")
        return 1
    compared = differing = 0
    worst = 0
    for y in range(ha):
        skip = [(x0, x1) for (x0, y0, x1, y1) in ignored if y0 <= y < y1]
        for x in range(wa):
            if any(x0 <= x < x1 for (x0, x1) in skip):
                continue
            compared += 1
            d = max(abs(p - q) for p, q in zip(a[y][x], b[y][x]))
            worst = max(worst, d)
            if d > args.tolerance:
                differing += 1
    fraction = differing / compared if compared else 0.0
    print(f"compare_tga: {differing} of {compared} pixels differ by more than "
          f"{args.tolerance} ({fraction:.4%}); largest difference {worst}")
    return 0 if fraction <= args.max_differing else 1


if __name__ == "__main__":
    sys.exit(main())
