"""Reading the viewer's uncompressed TGA screenshots and xwd's pictures of an
X screen, reading and writing PNG pictures, with the standard library only."""
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


def read_xwd(data):
    """(width, height, rows) of an xwd picture (ZPixmap of a true-colour
    screen, as `xwd -root` writes of Xvfb), rows top to bottom."""
    fields = struct.unpack(">25I", data[:100])
    header_size, pixmap_format, width, height = fields[0], fields[2], fields[4], fields[5]
    byte_order, bits, line_bytes, colours = fields[7], fields[11], fields[12], fields[19]
    step = bits // 8
    if pixmap_format != 2 or step not in (3, 4):
        raise ValueError("not a true-colour ZPixmap xwd picture")
    offset = header_size + 12 * colours
    rows = []
    for y in range(height):
        line = data[offset + y * line_bytes:offset + (y + 1) * line_bytes]
        if byte_order == 0:  # least significant byte first: blue, green, red
            rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, width * step, step)])
        else:
            rows.append([(line[i + step - 3], line[i + step - 2], line[i + step - 1])
                         for i in range(0, width * step, step)])
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


def read_png(path):
    """(width, height, RGBA bytes top row first) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as handle:
        data = handle.read()
    pos, chunks, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks.append(body)
        pos += 12 + length
    width, height, depth, colour = header[0], header[1], header[2], header[3]
    if depth != 8 or colour not in (2, 6) or header[6] != 0:
        raise ValueError("%s: not an 8-bit RGB(A) PNG" % path)
    step = 4 if colour == 6 else 3
    raw = zlib.decompress(b"".join(chunks))
    stride = width * step
    previous = bytearray(stride)
    out = bytearray()
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(step, stride):
                row[i] = (row[i] + row[i - step]) & 255
        elif kind == 2:
            row = bytearray((a + b) & 255 for a, b in zip(row, previous))
        elif kind == 3:
            for i in range(stride):
                left = row[i - step] if i >= step else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 255
        elif kind == 4:
            for i in range(stride):
                a = row[i - step] if i >= step else 0
                b = previous[i]
                c = previous[i - step] if i >= step else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        if step == 3:
            out += b"".join(bytes(row[i:i + 3]) + b"\xff" for i in range(0, stride, 3))
        else:
            out += row
        previous = row
    return width, height, bytes(out)


if __name__ == "__main__":
    import sys
    if len(sys.argv) != 3:
        sys.exit("usage: tga_png.py IN.tga OUT.png")
    w, h, pixels = read_tga(sys.argv[1])
    write_png(sys.argv[2], w, h, pixels)
