"""Reading the viewer's uncompressed TGA screenshots and writing PNG pictures,
with the standard library only."""
import struct
import zlib


def read_tga(path):
    """Returns (width, height, rows) with rows top to bottom, each a list of
    (r, g, b) tuples. Reads uncompressed true-colour files of 24 or 32 bits."""
    with open(path, "rb") as handle:
        data = handle.read()
    if len(data) < 18:
        raise ValueError("%s: too short for a TGA file" % path)
    id_length, colour_map_type, image_type = data[0], data[1], data[2]
    width, height = struct.unpack_from("<HH", data, 12)
    bits, descriptor = data[16], data[17]
    if image_type != 2 or colour_map_type != 0 or bits not in (24, 32):
        raise ValueError("%s: not an uncompressed 24/32-bit TGA" % path)
    step = bits // 8
    offset = 18 + id_length
    if len(data) < offset + width * height * step:
        raise ValueError("%s: pixel data cut short" % path)
    rows = []
    for y in range(height):
        start = offset + y * width * step
        row = []
        for x in range(width):
            b, g, r = data[start + x * step:start + x * step + 3]
            row.append((r, g, b))
        rows.append(row)
    if not descriptor & 0x20:  # origin at the bottom
        rows.reverse()
    return width, height, rows


def write_png(path, width, height, rows):
    """Writes rows (top to bottom, (r, g, b) tuples) as an 8-bit RGB PNG."""
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw.extend(pixel)

    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as handle:
        handle.write(b"\x89PNG\r\n\x1a\n")
        handle.write(chunk(b"IHDR", header))
        handle.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        handle.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    import sys
    if len(sys.argv) != 3:
        sys.exit("usage: tga_png.py IN.tga OUT.png")
    w, h, pixels = read_tga(sys.argv[1])
    write_png(sys.argv[2], w, h, pixels)
