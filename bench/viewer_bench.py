"""Viewer benchmark: the real build/bin/vistrel in a private Xvfb with
openbox, its file dialog answered at once by a stand-in "zenity" on PATH.
Measures, through a preloaded swap counter (viewer_swap_probe.c):
  - time from process start to the first frame on screen (median of 5 runs,
    the robot sample);
  - frames per second on a generated 200,000-triangle model (100 textured
    meshes), over about 5 seconds;
  - the viewer's peak resident memory (VmHWM) for both.

Run: python3 bench/viewer_bench.py [build/bin/vistrel [LARGE.3do]]
LARGE.3do (with the MAT files beside it) replaces the generated grid model,
e.g. the 200,000-triangle torus of bench_make_torus.
Needs Xvfb, openbox and a C compiler (cc)."""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from viewer_session import Session  # noqa: E402


def write_large_model(folder, material):
    """100 meshes in a 10 x 10 grid, each a 25 x 40 grid of quads given as
    2000 triangle faces: 200,000 triangles in all."""
    columns, rows, meshes = 25, 40, 100
    lines = ["# generated benchmark model", "SECTION: HEADER", "3DO 2.1",
             "SECTION: MODELRESOURCE", "MATERIALS 1", "0: %s" % material,
             "SECTION: GEOMETRYDEF", "RADIUS 6.0", "INSERT OFFSET 0 0 0", "GEOSETS 1", "GEOSET 0",
             "MESHES %d" % meshes]
    for m in range(meshes):
        lines += ["MESH %d" % m, "NAME tile%d" % m, "RADIUS 0.7", "GEOMETRYMODE 4",
                  "LIGHTINGMODE 3", "TEXTUREMODE 3", "VERTICES %d" % ((columns + 1) * (rows + 1))]
        index = 0
        for j in range(rows + 1):
            for i in range(columns + 1):
                x = 0.9 * i / columns - 0.45
                z = 0.9 * j / rows - 0.45
                y = 0.05 * ((i % 5) - 2) * ((j % 7) - 3) / 6.0
                lines.append("%d: %.4f %.4f %.4f" % (index, x, z, y))
                index += 1
        lines.append("TEXTURE VERTICES %d" % ((columns + 1) * (rows + 1)))
        index = 0
        for j in range(rows + 1):
            for i in range(columns + 1):
                lines.append("%d: %.3f %.3f" % (index, 63.0 * i / columns, 63.0 * j / rows))
                index += 1
        lines.append("VERTEX NORMALS")
        for n in range((columns + 1) * (rows + 1)):
            lines.append("%d: 0 0 1" % n)
        lines.append("FACES %d" % (columns * rows * 2))
        face = 0
        for j in range(rows):
            for i in range(columns):
                a = j * (columns + 1) + i
                b, c, d = a + 1, a + columns + 2, a + columns + 1
                lines.append("%d: 0 0x0000 4 3 3 0 3 %d, %d %d, %d %d, %d" % (face, a, a, b, b, c, c))
                lines.append("%d: 0 0x0000 4 3 3 0 3 %d, %d %d, %d %d, %d" % (face + 1, a, a, c, c, d, d))
                face += 2
        lines.append("FACE NORMALS")
        for n in range(columns * rows * 2):
            lines.append("%d: 0 0 1" % n)
    lines += ["SECTION: HIERARCHYDEF", "HIERARCHY NODES %d" % meshes]
    for m in range(meshes):
        x = (m % 10) - 4.5
        z = (m // 10) - 4.5
        lines.append("%d: 0x00 0x00 %d -1 0 0 0 %.2f %.2f 0 0 0 0 0 0 0" % (m, m, x, z))
    path = os.path.join(folder, "large.3do")
    with open(path, "w") as handle:
        handle.write("\n".join(lines) + "\n")
    return path


def build_probe(folder):
    probe = os.path.join(folder, "viewer_swap_probe.so")
    subprocess.run(["cc", "-O2", "-shared", "-fPIC", "-o", probe,
                    os.path.join(HERE, "viewer_swap_probe.c"), "-ldl"], check=True)
    return probe


def fake_dialog(folder):
    """A "zenity" that answers the file dialog at once with $VISTREL_BENCH_MODEL
    and every box with OK."""
    bin_dir = os.path.join(folder, "fakebin")
    os.makedirs(bin_dir)
    script = os.path.join(bin_dir, "zenity")
    with open(script, "w") as handle:
        handle.write('#!/bin/sh\ncase "$1" in --file-selection) echo "$VISTREL_BENCH_MODEL";; esac\n'
                     "exit 0\n")
    os.chmod(script, 0o755)
    return bin_dir


def run_viewer(session, probe, bin_dir, model, seconds_after_first_frame):
    out = os.path.join(session.scratch, "probe.txt")
    if os.path.exists(out):
        os.remove(out)
    env = dict(session.env)
    env.update({"LD_PRELOAD": probe, "VISTREL_PROBE_OUT": out, "VISTREL_BENCH_MODEL": model,
                "PATH": bin_dir + os.pathsep + env.get("PATH", "")})
    start = time.time()
    process = subprocess.Popen([session.viewer], cwd=session.run_dir, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(seconds_after_first_frame)
    process.send_signal(signal.SIGTERM)  # the viewer closes its window and ends normally
    process.wait(timeout=30)
    with open(out) as handle:
        first, last, swaps, peak = handle.read().split()
    return start, float(first), float(last), int(swaps), int(peak)


def main():
    viewer = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build", "bin", "vistrel")
    if shutil.which("cc") is None:
        sys.exit("viewer_bench: needs a C compiler (cc)")
    session = Session(viewer)
    work = tempfile.mkdtemp(prefix="vistrel-bench-")
    try:
        probe = build_probe(work)
        bin_dir = fake_dialog(work)
        robot = os.path.join(session.samples, "robot.3do")
        startups = []
        peak_small = 0
        for _ in range(5):
            start, first, _, swaps, peak = run_viewer(session, probe, bin_dir, robot, 1.5)
            if swaps == 0:
                sys.exit("viewer_bench: the viewer drew no frame")
            startups.append(first - start)
            peak_small = max(peak_small, peak)
        if len(sys.argv) > 2:
            given = os.path.abspath(sys.argv[2])
            for name in os.listdir(os.path.dirname(given)):
                if name.lower().endswith(".mat"):
                    shutil.copy(os.path.join(os.path.dirname(given), name), session.samples)
            large = os.path.join(session.samples, os.path.basename(given))
            shutil.copy(given, large)
        else:
            shutil.copy(os.path.join(session.samples, "cube.mat"),
                        os.path.join(session.samples, "large.mat"))
            large = write_large_model(session.samples, "large.mat")
        _, first, last, swaps, peak_large = run_viewer(session, probe, bin_dir, large, 8.0)
        fps = (swaps - 1) / (last - first) if swaps > 1 and last > first else 0.0
        print("start to first frame (robot.3do, dialog answered at once): median %.0f ms "
              "(min %.0f, max %.0f, 5 runs)" % (statistics.median(startups) * 1000,
                                               min(startups) * 1000, max(startups) * 1000))
        print("frames per second, 200,000-triangle model, 640x480 under Xvfb/llvmpipe: %.1f "
              "(%d frames)" % (fps, swaps))
        print("peak resident memory: robot.3do %.1f MiB, 200,000-triangle model %.1f MiB"
              % (peak_small / 1024.0, peak_large / 1024.0))
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
