#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/,
or, with --limits FOLDER, the large files of the limit checks into
FOLDER/<target>/ (made at each run of scripts/fuzz.sh, never committed).

Every seed is made here, small and deliberate: valid files of each kind the
readers accept, plus a few that sit right on an edge (sizes of 0, a run
packet past the pixel count, hierarchy loops, indices out of range).
Run it from anywhere; it rewrites only the files it names.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"@@MAT@@"


OUT = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def mat(width, height, indices, size_width=None, size_height=None):
    """A MAT file: signature, 108 skipped bytes, the 9-byte size block, 18
    skipped bytes, then one palette index per pixel."""
    w = width if size_width is None else size_width
    h = height if size_height is None else size_height
    # Block bytes 3 and 4 hold the width, 7 and 8 the height; 5 and 6 never count.
    size_block = bytes([1, 2, 3]) + struct.pack("<H", w) + b"\x77\x77" + struct.pack("<H", h)
    return b"MAT 2" + bytes(range(108)) + size_block + bytes(18) + bytes(indices)


def tga(kind, width, height, bits, body):
    return bytes([0, 0, kind]) + bytes(9) + struct.pack("<HHBB", width, height, bits, 0) + body


def model_text(materials, meshes, nodes, comments=False):
    lines = ["SECTION: HEADER", "3DO 2.1", "SECTION: MODELRESOURCE",
             "MATERIALS %d" % len(materials)]
    lines += ["%d: %s" % (i, name) for i, name in enumerate(materials)]
    lines += ["SECTION: GEOMETRYDEF", "RADIUS 2.500000", "INSERT OFFSET 0.0 0.0 0.0",
              "GEOSETS 1", "GEOSET 0", "MESHES %d" % len(meshes)]
    for i, mesh in enumerate(meshes):
        lines += ["", "MESH %d" % i, "NAME %s" % mesh["name"], "RADIUS 1.200000",
                  "GEOMETRYMODE 4", "LIGHTINGMODE 3", "TEXTUREMODE 3",
                  "VERTICES %d" % len(mesh["verts"])]
        if comments:
            lines.append("# the vertices")
        lines += ["%d: %g %g %g" % ((j,) + v) for j, v in enumerate(mesh["verts"])]
        lines.append("TEXTURE VERTICES %d" % len(mesh["uvs"]))
        lines += ["%d: %g %g" % ((j,) + t) for j, t in enumerate(mesh["uvs"])]
        lines.append("VERTEX NORMALS")
        lines += ["%d: 0 0 1" % j for j in range(len(mesh["verts"]))]
        lines.append("FACES %d" % len(mesh["faces"]))
        for j, (material, ftype, corners) in enumerate(mesh["faces"]):
            pairs = " ".join("%d, %d" % c for c in corners)
            lines.append("%d: %d 0x%04d 1 3 0 0.0 %d %s" % (j, material, ftype, len(corners), pairs))
            if comments and j == 0:
                lines.append("# between faces")
        lines.append("FACE NORMALS")
        lines += ["%d: 0 0 1" % j for j in range(len(mesh["faces"]))]
    lines += ["", "SECTION: HIERARCHYDEF", "HIERARCHY NODES %d" % len(nodes)]
    for j, (mesh, parent, pos, pivot) in enumerate(nodes):
        lines.append("%d: 0x00 0x00 %d %d 0 1 0 %g %g %g 0 0 0 %g %g %g"
                     % ((j, mesh, parent) + pos + pivot))
    return ("\n".join(lines) + "\n").encode()


def base_lines():
    return (b"  \t\n#only a comment\n   # indented\nMATERIALS 3\n"
            b"INSERT OFFSET 1.25 -0.0 00012.5000\nHIERARCHY NODES 0x10\n"
            b"0: 0x00 0x00 0 -1 0 1 0 1.5 2.5 3.5 a b c 4 5 6 trailing\n")


SAMPLES = os.path.join(HERE, "..", "samples")
# fuzz_framing's view of the text seeds (framing_input.h): the thumbnail's
# turn of 30 and 35 degrees, a fill of 0.9 and a 32 x 32 picture.
FRAMING_VIEW = bytes([21, 25, 0, 229, 31, 31])


def sample_input(name):
    """A sample in the model-input layout: the first three MAT files it names
    that exist become 0.mat, 1.mat and 2.mat, in order, followed by their
    bytes; any other keeps its name (and fails to load)."""
    with open(os.path.join(SAMPLES, name), "rb") as source:
        lines = source.read().split(b"\n")
    mats = {}
    left = 0
    for i, line in enumerate(lines):
        words = line.split()
        if left > 0 and len(words) == 2 and words[0].endswith(b":"):
            left -= 1
            mat_name = words[1].decode()
            if mat_name not in mats and len(mats) < 3 and \
                    os.path.exists(os.path.join(SAMPLES, mat_name)):
                mats[mat_name] = "%d.mat" % len(mats)
            if mat_name in mats:
                lines[i] = line.replace(words[1], mats[mat_name].encode())
        elif len(words) == 2 and words[0] == b"MATERIALS":
            left = int(words[1])
    parts = [b"\n".join(lines)]
    for mat_name in mats:
        with open(os.path.join(SAMPLES, mat_name), "rb") as source:
            parts.append(source.read())
    return SEP.join(parts)


def raw(value):
    """One number of a binary framing model: selector 128, then the float."""
    return b"\x80" + struct.pack("<f", value)


def framing_model(meshes, nodes, layout=0, radius=2.5, offset=(0, 0, 0), sides=(4,)):
    """A binary model of fuzz_framing (framing_input.h) after a text-mode-off
    byte and the thumbnail's view. A mesh is (vertices, faces), a face the
    three vertex indices; a node (mesh, parent, position, pivot)."""
    out = bytearray(b"\x00" + FRAMING_VIEW + bytes([layout]))
    out += raw(radius) + b"".join(raw(v) for v in offset)
    out += bytes([len(sides)]) + bytes(sides)
    out += bytes([len(meshes) - 1])
    for verts, faces in meshes:
        out += raw(1.0) + bytes([len(verts)])
        for v in verts:
            out += b"".join(raw(c) for c in v) + raw(0) + raw(0) + raw(1)
        out += bytes([4]) + b"".join(raw(c) for c in (0, 0, 4, 0, 4, 4, 0, 4))
        out += bytes([len(faces), 0])
        for corners in faces:
            out += bytes(c + 1 for c in corners) + bytes([1, 2, 3]) + bytes([1, 0])
            out += raw(0) + raw(0) + raw(1)
    out += bytes([len(nodes) - 1])
    for mesh, parent, pos, pivot in nodes:
        out += bytes([mesh + 1, parent + 1]) + b"".join(raw(c) for c in pos + pivot)
    return bytes(out)


def lists():
    """Lists of models for fuzz_batch_list."""
    write("batch_list", "crlf.txt", b"a.3do\r\nb/c.3do\r\n\r\nd.3do")
    write("batch_list", "blank_lines.txt", b"\n\n  \na.3do\n\n\nb.3do\n\n")
    write("batch_list", "case_duplicates.txt",
          b"x/Cube.3do\ny/cube.3do\nz/CUBE.3do\ncube-2.3do\nCube-2.3do\nq/cube.3DO\n")
    write("batch_list", "long_names.txt", b"a" * 1000 + b".3do\n" + b"d/" * 300 + b"m.3do\n")
    write("batch_list", "dot_dot.txt",
          b"../m.3do\na/../m.3do\n..\n/\ndir/\n./\nmodel.3do\n/../../model\n...\n")
    write("batch_list", "cr_only_and_nul.txt", b"a.3do\rb.3do\r\r\na\x00b.3do\nMODEL.3do\n")


def main():
    # MAT files.
    small = mat(4, 3, [0, 6, 31, 255, 192, 63, 16, 1, 2, 3, 4, 5])
    write("mat", "four_by_three.mat", small)
    write("mat", "two_by_one.mat", mat(2, 1, [6, 31]))
    write("mat", "zero_width.mat", mat(0, 3, [1, 2, 3]))
    write("mat", "short_indices.mat", mat(8, 8, [7] * 10))
    write("mat", "huge_claim.mat", mat(1, 1, [1], size_width=65535, size_height=65535))
    write("mat", "signature_only.mat", b"MAT 2")

    # TGA files: raw and run-length, 24 and 32 bits.
    write("tga", "raw24_3x2.tga", tga(2, 3, 2, 24, bytes(range(18))))
    write("tga", "raw32_2x2.tga", tga(2, 2, 2, 32, bytes(range(100, 116))))
    write("tga", "rle24_4x2.tga", tga(10, 4, 2, 24,
                                      b"\x82\x10\x20\x30" + b"\x01\x01\x02\x03\x04\x05\x06"
                                      + b"\x80\x40\x50\x60" + b"\x81\x70\x80\x90"))
    write("tga", "rle32_1x1.tga", tga(10, 1, 1, 32, b"\x80\x01\x02\x03\x04"))
    write("tga", "rle_run_past_end.tga", tga(10, 2, 1, 24, b"\x82\x01\x02\x03"))
    write("tga", "huge_claim.tga", tga(2, 65535, 65535, 32, bytes(8)))
    write("tga", "sixteen_bits.tga", tga(2, 1, 1, 16, b"\x00\x00"))

    # Models with their MAT files.
    quad = {"name": "box", "verts": [(0, 0, 0), (1, 0, 0), (1, 0, 1), (0, 0, 1)],
            "uvs": [(0, 0), (4, 0), (4, 3), (0, 3)],
            "faces": [(0, 0, [(0, 0), (1, 1), (2, 2), (3, 3)])]}
    fan = {"name": "fan", "verts": [(0, 0, 0), (1, 0, 0), (1.5, 0, 1), (0.5, 0, 1.5), (-0.5, 0, 1)],
           "uvs": [(0, 0), (2, 0), (2, 1)],
           "faces": [(1, 0, [(0, 0), (1, 1), (2, 2), (3, 0), (4, 1)]),
                     (0, 2, [(0, 0), (2, 1), (4, 2)])]}
    nodes = [(0, -1, (0, 0, 0), (0, 0, 0)), (-1, 0, (1, 0, 0), (0, 0, 0)),
             (1, 1, (0, 0, 1), (0.5, 0, 0))]
    two = model_text(["0.mat", "1.mat"], [quad, fan], nodes, comments=True)
    model_seed = two + SEP + small + SEP + mat(2, 1, [6, 31])
    write("model", "two_meshes.bin", model_seed)
    write("draw", "two_meshes.bin", model_seed)
    write("model", "missing_mat.bin", model_text(["absent.MAT"], [quad], nodes[:1]))
    loop_nodes = [(0, 1, (0, 0, 0), (0, 0, 0)), (0, 0, (1, 0, 0), (0, 0, 0))]
    bad = {"name": "bad", "verts": [(0, 0, 0), (1, 0, 0), (1, 0, 1)], "uvs": [],
           "faces": [(7, 0, [(0, 5), (1, 9), (99, 0)]), (-1, 2, [(0, 0), (1, 0), (2, 0)])]}
    write("draw", "parent_loop.bin", model_text(["0.mat"], [quad], loop_nodes) + SEP + small)
    write("draw", "bad_indices.bin",
          model_text(["0.mat"], [bad], [(0, -1, (0, 0, 0), (0, 0, 0)), (3, 9, (0, 0, 0), (0, 0, 0))])
          + SEP + mat(0, 0, []))
    write("model", "bad_indices.bin", model_text(["0.mat"], [bad], [(0, -1, (0, 0, 0), (0, 0, 0))]))

    # The text reading on its own (fuzz_scan): block size byte, operation
    # count, operations, then text with CRLF ends, long lines and the face
    # list's numbers in every spelling the scanner must match.
    face_text = (b"FACES 2\r\n0: 1 0x0002 1 3 0 0.0 4 0, 0 1,1 2 ,2 3, 3\r\n"
                 b"# comment\n1: -2 0x12 a b c d 3 +4,5 6, -7 8,9 #tail\n"
                 b"FACE NORMALS\n0: 1e3 -0.5e-2 .5\n1: nan inf -infinity\n"
                 b"2: 0x1.8p3 1e39 -1e-46 3.4028235e38\n" + b"x" * 300 + b"\r\n")
    write("scan", "faces_block3.bin", bytes([2, 6, 1, 2, 4, 5, 5, 0]) + face_text)
    write("scan", "model_block1.bin", bytes([0, 0]) + two.replace(b"\n", b"\r\n"))
    write("scan", "lines_block64.bin", bytes([63, 3, 0, 1, 3]) + base_lines())

    # Files that claim far more than they hold: each must fail quickly with
    # the reader's message and without allocating for the claim (fuzz.sh runs
    # every seed under a one-second and a per-allocation memory limit).
    base = model_text(["0.mat"], [quad], nodes[:1]).decode()
    claims = {
        "huge_material_count": ("MATERIALS 1", "MATERIALS 2000000000"),
        "huge_mesh_count": ("MESHES 1", "MESHES 2147483647"),
        "huge_vertex_count": ("VERTICES 4", "VERTICES 500000000"),
        "huge_tex_vertex_count": ("TEXTURE VERTICES 4", "TEXTURE VERTICES 400000000"),
        "huge_face_count": ("FACES 1", "FACES 300000000"),
        "huge_node_count": ("HIERARCHY NODES 1", "HIERARCHY NODES 2147483647"),
        "negative_vertex_count": ("VERTICES 4", "VERTICES -4"),
        "huge_corner_count": (" 4 0, 0", " 2000000000 0, 0"),
    }
    for name, (old, new) in claims.items():
        assert old in base, name
        write("model", name + ".bin", base.replace(old, new, 1).encode() + SEP + small)

    # Hierarchies built to break drawing: a long chain, every node its own
    # parent, and materials of size 0 (odd-sized draw inputs get a fallback
    # texture of size 0, as when the checker image is missing).
    chain = [(0, i - 1, (0.01, 0, 0), (0, 0, 0)) for i in range(150)]
    write("draw", "deep_chain.bin", model_text(["0.mat"], [quad], chain) + SEP + small)
    selfish = [(0, i, (0, 0, 0.01), (0, 0, 0)) for i in range(100)]
    write("draw", "self_parents.bin", model_text(["0.mat"], [quad], selfish) + SEP + small)
    zero = model_text(["none.mat", "0.mat"], [fan], nodes[:1]) + SEP + mat(0, 0, [])
    if len(zero) % 2 == 0:
        zero += b"\n"
    write("draw", "zero_sized_materials.bin", zero)

    # The export and framing of what loads: the samples, each model seed
    # above, and models whose numbers are huge, tiny or not numbers.
    hostile = {
        "huge_coordinates": [(1e38, 0, 0), (-1e38, 0, 1e38), (3.4028235e38, 1, -3.4028235e38)],
        "tiny_coordinates": [(1e-38, 0, 0), (0, 1e-45, 0), (0, 0, -1e-38)],
        "not_numbers": [(float("nan"), 0, 0), (1, float("inf"), 0), (0, 0, -float("inf"))],
        "all_equal": [(0.25, 0.25, 0.25)] * 3,
    }
    for name, verts in hostile.items():
        tri = {"name": "tri", "verts": verts, "uvs": [(0, 0), (4, 0), (4, 3)],
               "faces": [(0, 0, [(0, 0), (1, 1), (2, 2)])]}
        text = model_text(["0.mat"], [tri], [(0, -1, (0, 0, 0), (0, 0, 0)),
                                             (0, 0, (1e38, 0, 0), (0, 0, float("inf")))])
        write("export", name + ".bin", text + SEP + small)
        write("framing", name + "_text.bin", b"\x01" + FRAMING_VIEW + text + SEP + small)
    for target in ("model", "draw"):
        for name in sorted(os.listdir(os.path.join(OUT, target))):
            with open(os.path.join(OUT, target, name), "rb") as seed:
                data = seed.read()
            write("export", target + "_" + name, data)
            write("framing", target + "_" + name, b"\x01" + FRAMING_VIEW + data)
    for name in sorted(os.listdir(SAMPLES)):
        if name.endswith(".3do"):
            data = sample_input(name)
            write("export", name[:-4] + ".bin", data)
            # The framing's inputs hold up to 16 KB (scripts/fuzz.sh).
            if len(data) + 7 <= 16384:
                write("framing", name[:-4] + "_text.bin", b"\x01" + FRAMING_VIEW + data)

    # Binary framing models: every float exactly, NaN and infinities too.
    square = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
    two = [[0, 1, 2], [0, 2, 3]]
    root = [(0, -1, (0, 0, 0), (0, 0, 0))]
    write("framing", "square.bin", framing_model([(square, two)], root))
    for layout, name in ((1, "all_equal"), (2, "collinear"), (3, "flat")):
        write("framing", name + ".bin",
              framing_model([(square + [(0.5, 2, 3)], two + [[1, 2, 4]])], root, layout=layout))
    big = 3.4028235e38
    write("framing", "huge.bin",
          framing_model([([(big, 0, 0), (-big, big, 0), (0, -big, big)], [[0, 1, 2]])],
                        root + [(0, 0, (1e38, 1e38, 1e38), (big, 0, 0))]))
    write("framing", "tiny.bin",
          framing_model([([(1e-38, 0, 0), (0, 1e-45, 0), (0, 0, 1e-38)], [[0, 1, 2]])], root))
    write("framing", "not_numbers.bin",
          framing_model([(square[:3] + [(float("nan"), 0, float("inf"))], [[0, 1, 2], [1, 2, 3]])],
                        root + [(0, -1, (0, 0, 0), (0, float("inf"), 0))],
                        radius=float("nan"), offset=(float("inf"), 0, float("nan"))))
    write("framing", "far_apart_loop.bin",
          framing_model([(square, two), ([(1e30, 1e30, 1e30)] * 3, [[0, 1, 2]])],
                        [(0, 1, (1e37, 0, 0), (0, 0, 0)), (1, 0, (1e37, 0, 0), (0, 0, 1e-30))]))

    lists()


def limits():
    """Files far larger than the fuzzing's inputs, each of which must still
    load, decode or draw within the per-input second and memory limits."""
    tri = {"name": "tri", "verts": [(0, 0, 0), (0.01, 0, 0), (0, 0, 0.01)], "uvs": [(0, 0)],
           "faces": [(0, 0, [(0, 0), (1, 0), (2, 0)])]}
    count = 20000
    # A chain of 20,000 nodes (1 MB), and as many nodes that are their own
    # parents, every 20th showing a mesh: a pass must cost the nodes, not
    # the nodes times the depth of their chains.
    def shown(i):
        return 0 if i % 20 == 19 else -1
    write("draw", "chain_of_20000_nodes.bin",
          model_text([], [tri], [(shown(i), i - 1, (0.001, 0, 0), (0, 0, 0)) for i in range(count)]))
    write("draw", "20000_self_parent_nodes.bin",
          model_text([], [tri], [(shown(i), i, (0.001, 0, 0), (0, 0, 0)) for i in range(count)]))
    # 1,000 materials (14 KB) naming one 64 KB MAT file: the textures must not
    # grow with the product of the two.
    big = mat(256, 256, [(i * 7) % 256 for i in range(256 * 256)])
    write("model", "thousand_materials_one_mat.bin",
          model_text(["0.mat"] * 1000, [tri], [(0, -1, (0, 0, 0), (0, 0, 0))]) + SEP + big)
    # Large images of either reader, decoded and uploaded whole.
    write("mat", "large_1024x1024.mat", mat(1024, 1024, [i % 251 for i in range(1024 * 1024)]))
    runs = b"".join(bytes([0xFF, i % 256, 7, 9, 255]) for i in range(1024 * 1024 // 128))
    write("tga", "large_rle32_1024x1024.tga", tga(10, 1024, 1024, 32, runs))
    write("tga", "large_raw24_1024x1024.tga",
          tga(2, 1024, 1024, 24, bytes(i % 253 for i in range(1024 * 1024 * 3))))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--limits":
        OUT = sys.argv[2]
        limits()
    else:
        main()
