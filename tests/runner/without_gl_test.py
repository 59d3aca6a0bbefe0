#!/usr/bin/env python3
"""The commands that draw nothing, where no OpenGL driver can be found.

The GL and EGL driver search paths point at an empty folder, so no context
can start: `render` must fail with its message and exit 1, which proves the
ground. There `stats`, `export` (.glb, .gltf, .obj) and `decode` must run as
they do anywhere else: the same report, messages and exit statuses, and files
byte for byte equal to the same commands' outputs with the drivers in place.
Every PNG an export writes holds the decoded MAT picture (what `decode`
gives), the checker's for a missing MAT, and a texture whose sides are not
powers of two keeps its own size and picture.

usage: without_gl_test.py TOOL SAMPLES_DIR SYSTEMTEX_DIR
"""
import filecmp
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import tga_png  # noqa: E402

TOOL, SAMPLES, SYSTEMTEX = sys.argv[1:4]
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL: " + message)


def run(arguments, cwd, env=None):
    return subprocess.run([TOOL] + arguments, cwd=cwd, env=env, capture_output=True, text=True)


def odd_sized_mat(path, width, height):
    """A MAT of random palette indices, width x height (docs/FORMATS.md)."""
    size = bytes(3) + struct.pack("<H", width) + bytes(2) + struct.pack("<H", height)
    pixels = bytes(random.Random(7).randrange(256) for _ in range(width * height))
    with open(path, "wb") as handle:
        handle.write(b"MAT 2" + bytes(108) + size + bytes(18) + pixels)


def rgb_rows(width, height, rgba):
    return [[tuple(rgba[(y * width + x) * 4:(y * width + x) * 4 + 3]) for x in range(width)]
            for y in range(height)]


def commands(folder, env):
    """Runs every GL-free command in folder; returns what each printed."""
    results = {}
    for name in ("robot", "missing_mat", "odd"):
        results["stats " + name] = run(["stats", name + ".3do"], folder, env)
        for extension in ("glb", "gltf", "obj"):
            out = "%s_out.%s" % (name, extension)
            results["export " + out] = run(["export", name + ".3do", "-o", out], folder, env)
    results["stats broken"] = run(["stats", "broken.3do"], folder, env)
    results["decode"] = run(["decode", "robot_panel.mat", "-o", "panel.tga"], folder, env)
    return results


def main():
    work = tempfile.mkdtemp(prefix="vistrel-without-gl-")
    try:
        empty = os.path.join(work, "no-drivers")
        os.mkdir(empty)
        no_gl = dict(os.environ, __EGL_VENDOR_LIBRARY_DIRS=empty, LIBGL_DRIVERS_PATH=empty,
                     LIBGL_ALWAYS_SOFTWARE="1")
        folders = {}
        for kind in ("with", "without"):
            folder = os.path.join(work, kind)
            shutil.copytree(SAMPLES, folder)
            # The robot with a 48 x 40 panel texture, and the robot cut in half.
            with open(os.path.join(folder, "robot.3do")) as handle:
                text = handle.read()
            with open(os.path.join(folder, "odd.3do"), "w") as handle:
                handle.write(text.replace("robot_panel.mat", "odd_panel.mat"))
            odd_sized_mat(os.path.join(folder, "odd_panel.mat"), 48, 40)
            with open(os.path.join(folder, "broken.3do"), "w") as handle:
                handle.write(text[:len(text) // 2])
            folders[kind] = folder

        drawn = run(["render", "robot.3do", "-o", "robot.tga"], folders["without"], no_gl)
        check(drawn.returncode == 1 and "could not create an offscreen OpenGL context"
              in drawn.stderr, "render without a GL driver: exit %d, %r"
              % (drawn.returncode, drawn.stderr))

        with_gl = commands(folders["with"], None)
        without = commands(folders["without"], no_gl)
        for name, result in with_gl.items():
            other = without[name]
            same = (result.returncode, result.stdout.replace(folders["with"], "F"),
                    result.stderr.replace(folders["with"], "F")) == (
                        other.returncode, other.stdout.replace(folders["without"], "F"),
                        other.stderr.replace(folders["without"], "F"))
            check(same, "%s prints differently without GL:\n%r\n%r" % (name, result, other))
        for name in ("robot", "missing_mat", "odd"):
            check(without["stats " + name].returncode == 0, "stats %s failed" % name)
        check(without["stats broken"].returncode == 1, "stats of a cut model did not fail")

        written = sorted(set(os.listdir(folders["with"])) - set(os.listdir(SAMPLES)))
        check(written == sorted(set(os.listdir(folders["without"])) - set(os.listdir(SAMPLES))),
              "the two runs wrote different files")
        for name in written:
            if name == "ModelStats.txt":
                continue  # it names the model's folder
            check(filecmp.cmp(os.path.join(folders["with"], name),
                              os.path.join(folders["without"], name), shallow=False),
                  "%s differs without GL" % name)

        # Each texture file of the .gltf exports holds its decoded picture.
        folder = folders["without"]
        pictures = {"robot_out_robot_panel.png": "robot_panel.mat",
                    "robot_out_robot_face.png": "robot_face.mat",
                    "missing_mat_out_checker.png": os.path.join(SYSTEMTEX, "checker.tga"),
                    "odd_out_odd_panel.png": "odd_panel.mat"}
        for png, source in pictures.items():
            check(os.path.exists(os.path.join(folder, png)), "%s was not written" % png)
            if not os.path.exists(os.path.join(folder, png)):
                continue
            decoded = run(["decode", source, "-o", png + ".tga"], folder, no_gl)
            check(decoded.returncode == 0, "decode %s: %s" % (source, decoded.stderr))
            width, height, rows = tga_png.read_tga(os.path.join(folder, png + ".tga"))
            png_width, png_height, rgba = tga_png.read_png(os.path.join(folder, png))
            check((png_width, png_height) == (width, height)
                  and rgb_rows(width, height, rgba) == rows,
                  "%s does not hold the picture of %s" % (png, source))
    finally:
        if FAILURES:
            print("files kept in " + work)
        else:
            shutil.rmtree(work)
    print("%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
