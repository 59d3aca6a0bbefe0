#!/usr/bin/env python3
"""vistrel-tool export, checked by tools nobody here wrote.

For every sample and for the benchmark torus (small and large):
- the Khronos glTF validator (tests/export/validate.js) reports no error on
  the .glb and the .gltf;
- assimp reads the .glb, .gltf and .obj back with the triangles, vertices and
  materials the tool says it wrote;
- for each sample, f3d draws the .glb and the .obj from the camera of
  `vistrel-tool render`, and the pictures agree with ours on the outline
  (the pixels the model covers) and on the average colour of each textured
  part (every cell of a grid over the pixels both pictures cover), so a
  flipped texture, a mirrored axis or a misplaced node fails.
Models that fail to load (truncated samples) exit 1 and leave no file; the
loadable limit files of fuzz/make_seeds.py (deep chains, 20,000 parent
loops, 1,000 materials) are written and valid; an output that cannot be
written exits 1 and leaves nothing behind.

usage: export_test.py TOOL SAMPLES_DIR SOURCE_DIR [TORUS_PROGRAM]
Exits 77 (skipped) when node, the validator, assimp, f3d or Xvfb is missing.
With EXPORT_PICTURE=FILE.png set, also writes the README's picture: the robot
as the viewer shows it beside its exported .glb as f3d shows it.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import tga_png  # noqa: E402

TOOL, SAMPLES, SOURCE = sys.argv[1], sys.argv[2], sys.argv[3]
TORUS = sys.argv[4] if len(sys.argv) > 4 else ""
HERE = os.path.join(SOURCE, "tests", "export")
VALIDATOR = os.path.join(HERE, "node_modules", "gltf-validator")
MODELS = ["robot", "cube", "ngon", "glass", "missing_mat"]
FAILURES = []


def fail(message):
    FAILURES.append(message)
    print("FAIL: " + message)


def run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def export(model, out, cwd=None):
    """Runs the export; returns (exit status, counts from its summary line, stderr)."""
    result = run([TOOL, "export", model, "-o", out], cwd=cwd)
    found = re.search(r"\((\d+) triangles, (\d+) vertices, (\d+) materials", result.stdout)
    counts = tuple(int(n) for n in found.groups()) if found else None
    return result.returncode, counts, result.stderr


def assimp_counts(path):
    """(faces, vertices, materials) of assimp's raw import, no post-processing."""
    result = run(["assimp", "info", path, "-r"])
    values = {}
    for key in ("Faces", "Vertices", "Materials"):
        found = re.search(r"^%s:\s+(\d+)" % key, result.stdout, re.M)
        values[key] = int(found.group(1)) if found else None
    return values["Faces"], values["Vertices"], values["Materials"]


def check_counts(path, counts):
    faces, vertices, materials = assimp_counts(path)
    triangles, written_vertices, written_materials = counts
    # assimp adds a default material of its own to every scene.
    if path.endswith(".obj"):
        # Its OBJ reader makes one vertex per face corner; the vertices
        # written are the "v" lines.
        with open(path) as obj:
            lines = obj.read().splitlines()
        want = (triangles, 3 * triangles, written_materials + 1)
        if sum(1 for line in lines if line.startswith("v ")) != written_vertices:
            fail("%s: the v lines are not the %d vertices reported" % (path, written_vertices))
    else:
        want = (triangles, written_vertices, written_materials + 1)
    if (faces, vertices, materials) != want:
        fail("%s: assimp reads %s faces, vertices, materials; expected %s" %
             (path, (faces, vertices, materials), want))


def validate(paths):
    result = run(["node", os.path.join(HERE, "validate.js")] + paths)
    if result.returncode != 0:
        fail("glTF validator:\n" + result.stdout + result.stderr)


# --- pictures ---------------------------------------------------------------

def read_tga(path):
    """(width, height, RGBA bytes top row first) of a render of vistrel-tool."""
    with open(path, "rb") as handle:
        data = handle.read()
    width, height = struct.unpack_from("<HH", data, 12)
    rows = [data[18 + y * width * 4:18 + (y + 1) * width * 4] for y in range(height)]
    out = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            b, g, r, a = row[i:i + 4]
            out += bytes((r, g, b, a))
    return width, height, bytes(out)


def solid_mat(index, size=8):
    """A MAT file of one palette index (the layout of docs/FORMATS.md)."""
    size_block = bytes([0, 0, 0]) + struct.pack("<H", size) + bytes(2) + struct.pack("<H", size)
    return b"MAT 2" + bytes(108) + size_block + bytes(18) + bytes([index]) * (size * size)


def part_picture(name, work):
    """Which material each pixel of our first frame shows (a number per
    pixel, top row first): the model drawn unlit from a copy of the samples
    whose MAT files are each one flat colour of their own. Pixels of no
    single opaque material (the background, faces blended over others, the
    checker of a missing MAT) get -1."""
    folder = os.path.join(work, "parts")
    colours = os.path.join(folder, "colours.txt")
    if not os.path.exists(folder):
        shutil.copytree(SAMPLES, folder)
        known = []
        mats = sorted(f for f in os.listdir(folder) if f.endswith(".mat"))
        for k, mat in enumerate(mats):
            with open(os.path.join(folder, mat), "wb") as handle:
                handle.write(solid_mat(12 + 25 * k))
            decoded = os.path.join(folder, mat + ".tga")
            run([TOOL, "decode", os.path.join(folder, mat), "-o", decoded])
            with open(decoded, "rb") as handle:
                known.append(tuple(handle.read()[18:21]))  # blue, green, red
        with open(colours, "w") as handle:
            handle.write(repr(known))
    with open(colours) as handle:
        known = eval(handle.read())
    picture = os.path.join(folder, name + "_parts.tga")
    run([TOOL, "render", os.path.join(folder, name + ".3do"), "-o", picture, "--no-lighting",
         "--background", "0,0,0"])
    _, _, pixels = read_tga(picture)
    number = {(r, g, b): i for i, (b, g, r) in enumerate(known)}
    return [number.get(tuple(pixels[i:i + 3]), -1) for i in range(0, len(pixels), 4)]


GRID = 40  # pixels per side of the cells each part is cut into
OUTLINE_TOLERANCE = 0.02  # of the pixels either picture covers
COLOUR_TOLERANCE = 40  # largest difference of one channel's cell average, 0 to 255


def compare(ours, theirs, parts, label):
    """Fails unless the outlines agree and every textured part agrees in
    average colour, cell by cell of a GRID-pixel grid so that a texture
    turned within its part shows. f3d's physically based shading scales a
    texel and adds a little white reflection, so each part's f3d colours are
    first mapped back by the one scale and offset that fit the part best."""
    width, _, a = ours
    _, _, b = theirs
    covered_a = [a[i + 3] > 200 for i in range(0, len(a), 4)]
    covered_b = [b[i + 3] > 200 for i in range(0, len(b), 4)]
    union = sum(1 for x, y in zip(covered_a, covered_b) if x or y)
    differ = sum(1 for x, y in zip(covered_a, covered_b) if x != y)
    if union == 0 or differ > OUTLINE_TOLERANCE * union:
        fail("%s: outlines differ in %d of %d pixels" % (label, differ, union))
        return
    cells = {}
    fits = {}  # per part: n, sum x, sum y, sum xx, sum xy (x ours, y f3d)
    for p, part in enumerate(parts):
        if part < 0 or not (covered_a[p] and covered_b[p]):
            continue
        key = (part, (p % width) // GRID, (p // width) // GRID)
        cell = cells.setdefault(key, [0] * 7)
        fit = fits.setdefault(part, [0] * 5)
        cell[0] += 1
        for c in range(3):
            x, y = a[4 * p + c], b[4 * p + c]
            cell[1 + c] += x
            cell[4 + c] += y
            fit[0] += 1
            fit[1] += x
            fit[2] += y
            fit[3] += x * x
            fit[4] += x * y
    worst = (0.0, None, None, None)
    for key, cell in cells.items():
        if cell[0] < GRID * GRID // 8:
            continue
        n, sx, sy, sxx, sxy = fits[key[0]]
        spread = n * sxx - sx * sx
        scale = (n * sxy - sx * sy) / spread if spread > 0 else sy / max(sx, 1)
        scale = min(max(scale, 0.5), 2.0)
        offset = (sy - scale * sx) / n if spread > 0 else 0.0
        ours_mean = [cell[1 + c] / cell[0] for c in range(3)]
        theirs_mean = [(cell[4 + c] / cell[0] - offset) / scale for c in range(3)]
        distance = max(abs(o - t) for o, t in zip(ours_mean, theirs_mean))
        if distance > worst[0]:
            worst = (distance, key, ours_mean, theirs_mean)
    print("%s: outline differs in %d of %d pixels; %d cells of %d parts, largest colour "
          "difference %.1f" % (label, differ, union, len(cells), len(fits), worst[0]))
    if worst[0] > COLOUR_TOLERANCE:
        fail("%s: part %d cell %s averages %s here, %s in f3d" %
             (label, worst[1][0], worst[1][1:], [round(v) for v in worst[2]],
              [round(v) for v in worst[3]]))


def camera_of(model):
    """The start camera of the viewer: (0, 0, 2.3 x the model's radius)."""
    with open(model, errors="replace") as text:
        for line in text:
            if line.startswith("RADIUS"):
                return 2.3 * float(line.split()[1])
    raise ValueError("%s has no RADIUS line" % model)


def f3d_picture(path, distance, out, light):
    """f3d's picture of path from the viewer's start camera: the colours lit
    evenly by the white environment light, the alpha (what the model covers)
    from a second picture without a background (f3d draws the environment
    behind the model)."""
    camera = ["--resolution", "640,480", "--camera-position", "0,0,%r" % distance,
              "--camera-focal-point", "0,0,%r" % (distance - 10.0),
              "--camera-view-up", "0,1,0", "--camera-view-angle", "45"]
    pictures = []
    for options, name in ((["--hdri", light], out), (["--no-background"], out + ".alpha.png")):
        result = run(["f3d", path, "--output", name] + options + camera)
        if result.returncode != 0 or not os.path.exists(name):
            fail("f3d could not draw %s: %s" % (path, result.stderr))
            return None
        pictures.append(tga_png.read_png(name))
    width, height, colours = pictures[0]
    alpha = pictures[1][2]
    merged = bytearray(colours)
    merged[3::4] = alpha[3::4]
    return width, height, bytes(merged)


# --- the scenario ------------------------------------------------------------

def samples_and_pictures(work):
    shutil.copytree(SAMPLES, os.path.join(work, "samples"))
    out = os.path.join(work, "out")
    os.makedirs(out)
    # Both pictures unlit: ours without GL lighting, f3d's lit evenly from
    # every side by a white environment, so that a texel shows its own colour.
    light = os.path.join(work, "white.png")
    tga_png.write_png(light, 16, 8, [[(255, 255, 255)] * 16] * 8)
    for name in MODELS:
        model = os.path.join(work, "samples", name + ".3do")
        report = os.path.join(work, "samples", "ModelStats.txt")
        stats = run([TOOL, "stats", model])
        with open(report) as handle:
            stats_report = handle.read()
        written = []
        for extension in ("glb", "gltf", "obj"):
            path = os.path.join(out, "%s.%s" % (name, extension))
            status, counts, err = export(model, path)
            if status != 0 or counts is None:
                fail("export of %s to .%s: exit %d\n%s" % (name, extension, status, err))
                continue
            # The load is the one of stats: the same boxes, the same report.
            boxes = [line for line in err.splitlines() if not line.startswith("vistrel-tool")]
            with open(report) as handle:
                if handle.read() != stats_report or boxes != stats.stderr.splitlines():
                    fail("%s: the load differs from vistrel-tool stats:\n%s" % (name, err))
            check_counts(path, counts)
            written.append(path)
        validate([p for p in written if not p.endswith(".obj")])
        ours_tga = os.path.join(out, name + "_ours.tga")
        result = run([TOOL, "render", model, "-o", ours_tga, "--no-lighting"])
        if result.returncode != 0:
            fail("render of %s: %s" % (name, result.stderr))
            continue
        ours = read_tga(ours_tga)
        parts = part_picture(name, work)
        distance = camera_of(model)
        for extension in ("glb", "obj"):
            picture = f3d_picture(os.path.join(out, "%s.%s" % (name, extension)), distance,
                                  os.path.join(out, "%s_f3d_%s.png" % (name, extension)), light)
            if picture:
                compare(ours, picture, parts, "%s.%s" % (name, extension))
    if os.environ.get("EXPORT_PICTURE"):
        readme_picture(os.path.join(work, "samples", "robot.3do"), os.path.join(out, "robot.glb"),
                       os.path.abspath(os.environ["EXPORT_PICTURE"]))
    return out


def readme_picture(model, exported, path):
    """Ours as the viewer first shows it, f3d's view of the .glb beside it,
    both on the background of config.txt."""
    ours = path + ".ours.tga"
    theirs = path + ".f3d.png"
    distance = camera_of(model)
    run([TOOL, "render", model, "-o", ours, "--background", "0.2,0.25,0.3"])
    run(["f3d", exported, "--output", theirs,
         "--bg-color", "0.2,0.25,0.3", "--resolution", "640,480",
         "--camera-position", "0,0,%r" % distance, "--camera-focal-point",
         "0,0,%r" % (distance - 10.0), "--camera-view-up", "0,1,0", "--camera-view-angle", "45"])
    width, height, left = read_tga(ours)
    _, _, right = tga_png.read_png(theirs)
    rows = []
    for y in range(height):
        row = []
        for picture in (left, right):
            line = picture[4 * width * y:4 * width * (y + 1)]
            row += [tuple(line[i:i + 3]) for i in range(0, len(line), 4)]
        rows.append(row)
    tga_png.write_png(path, 2 * width, height, rows)
    os.remove(ours)
    os.remove(theirs)


def torus(work):
    if not TORUS:
        return
    for size in ("small", "large"):
        folder = os.path.join(work, "torus_" + size)
        os.makedirs(folder)
        if run([TORUS, folder, size]).returncode != 0:
            fail("bench_make_torus %s failed" % size)
            continue
        model = os.path.join(folder, "torus.3do")
        paths = []
        for extension in ("glb", "gltf", "obj"):
            path = os.path.join(folder, "export." + extension)
            status, counts, err = export(model, path)
            if status != 0 or counts is None:
                fail("export of the %s torus to .%s: exit %d\n%s" % (size, extension, status, err))
                continue
            check_counts(path, counts)
            paths.append(path)
        validate([p for p in paths if not p.endswith(".obj")])


def hostile(work):
    """Models that do not load leave nothing; loadable limit files export."""
    folder = os.path.join(work, "hostile")
    os.makedirs(folder)
    with open(os.path.join(SAMPLES, "robot.3do"), "rb") as handle:
        robot = handle.read()
    for cut in (40, len(robot) // 3, len(robot) - 200):
        with open(os.path.join(folder, "cut_%d.3do" % cut), "wb") as handle:
            handle.write(robot[:cut])
    out = os.path.join(work, "hostile_out")
    os.makedirs(out)
    for name in sorted(os.listdir(folder)):
        for extension in ("glb", "gltf", "obj"):
            status, _, _ = export(os.path.join(folder, name), os.path.join(out, "x." + extension))
            if status != 1:
                fail("%s to .%s: exit %d, expected 1" % (name, extension, status))
        if os.listdir(out):
            fail("%s left files behind: %s" % (name, os.listdir(out)))

    # The limit files of the fuzzing: each loads in the viewer, so each exports.
    limits = os.path.join(work, "limits")
    run([sys.executable, os.path.join(SOURCE, "fuzz", "make_seeds.py"), "--limits", limits])
    exported = []
    for name in ("chain_of_20000_nodes.bin", "20000_self_parent_nodes.bin",
                 "thousand_materials_one_mat.bin"):
        source = [os.path.join(limits, t, name) for t in ("draw", "model")
                  if os.path.exists(os.path.join(limits, t, name))]
        if not source:
            fail("make_seeds.py --limits made no %s" % name)
            continue
        model = os.path.join(folder, name.replace(".bin", ".3do"))
        shutil.copy(source[0], model)
        path = os.path.join(out, name.replace(".bin", ".glb"))
        status, counts, err = export(model, path)
        if status != 0 or counts is None:
            fail("%s: exit %d\n%s" % (name, status, err[-2000:]))
            continue
        check_counts(path, counts)
        exported.append(path)
    validate(exported)

    # Usage errors exit 2 and write nothing; the extension counts in any case.
    robot = os.path.join(work, "samples", "robot.3do")
    for arguments in ([robot], [robot, "-o", os.path.join(out, "x.png")], ["-o", "x.glb"]):
        if run([TOOL, "export"] + arguments).returncode != 2:
            fail("export %s: expected the usage error 2" % " ".join(arguments))
    status, _, _ = export(robot, os.path.join(out, "Upper.GLTF"))
    if status != 0 or not os.path.exists(os.path.join(out, "Upper.bin")):
        fail("export to Upper.GLTF: exit %d, files %s" % (status, sorted(os.listdir(out))))
    for name in os.listdir(out):
        if name.startswith("Upper"):
            os.remove(os.path.join(out, name))

    # An output that cannot be written: its folder is missing, or it is a folder.
    os.makedirs(os.path.join(out, "taken.glb"))
    for path in (os.path.join(out, "missing", "x.gltf"), os.path.join(out, "taken.glb")):
        before = sorted(os.listdir(out))
        status, _, _ = export(robot, path)
        if status != 1 or sorted(os.listdir(out)) != before:
            fail("%s: exit %d and %s, expected 1 and nothing new" %
                 (path, status, sorted(os.listdir(out))))


def start_x():
    """One private X server for every f3d run (f3d draws through X).
    -displayfd names the first free display once the server takes clients;
    -noreset keeps it from resetting, and refusing clients meanwhile, each
    time an f3d run has left."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "1024x768x24", "-nolisten", "tcp", "-noreset"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as display:
        number = display.readline().strip()  # empty when the server ended
    if not number:
        server.wait()
        raise SystemExit("FAIL: Xvfb did not start (exit %s)" % server.returncode)
    os.environ["DISPLAY"] = ":" + number
    return server


def main():
    for tool in ("node", "assimp", "f3d", "Xvfb"):
        if shutil.which(tool) is None:
            print("skipped: %s is not installed (scripts/install-deps.sh)" % tool)
            return 77
    if not os.path.isdir(VALIDATOR):
        print("skipped: %s is missing (scripts/install-deps.sh runs npm ci)" % VALIDATOR)
        return 77
    work = tempfile.mkdtemp(prefix="vistrel-export-")
    server = start_x()
    try:
        samples_and_pictures(work)
        torus(work)
        hostile(work)
    finally:
        server.terminate()
        server.wait()
        if FAILURES or os.environ.get("KEEP_EXPORT_TEST"):
            print("pictures and files kept in " + work)
        else:
            shutil.rmtree(work)
    print("%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
