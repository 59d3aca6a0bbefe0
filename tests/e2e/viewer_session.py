"""One end-to-end session with the real viewer: a private X server (Xvfb on
the first free display) with the openbox window manager, a throwaway HOME, a
scratch copy of the data beside the programs, and the viewer started there
and driven with xdotool the way a person uses it: typing into the real file
dialog, pressing and holding keys, answering message boxes."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tga_png  # noqa: E402

SKIP = 77  # CTest's skip code for a machine without the X tools

STATUS_BAR_ROWS = 24  # the bottom rows that hold the frame-rate text


class Failure(Exception):
    pass


def require_tools():
    missing = [t for t in ("Xvfb", "openbox", "xdotool", "xwininfo", "zenity")
               if shutil.which(t) is None]
    if missing:
        print("SKIPPED: missing " + ", ".join(missing))
        sys.exit(SKIP)


class Session:
    def __init__(self, viewer, tool=None, close_helper=None, screen="1024x768x24", window_manager=True):
        require_tools()
        self.viewer = os.path.abspath(viewer)
        self.tool = tool and os.path.abspath(tool)
        self.close_helper = close_helper and os.path.abspath(close_helper)
        self.program_dir = os.path.dirname(os.path.abspath(viewer))
        self.scratch = tempfile.mkdtemp(prefix="vistrel-e2e-")
        self.home = os.path.join(self.scratch, "home")
        self.run_dir = os.path.join(self.scratch, "run")
        os.makedirs(self.home)
        os.makedirs(self.run_dir)
        for item in ("config.txt", "systemtex", "samples"):
            source = os.path.join(self.program_dir, item)
            target = os.path.join(self.run_dir, item)
            if os.path.isdir(source):
                shutil.copytree(source, target)
            else:
                shutil.copy(source, target)
        self.samples = os.path.join(self.run_dir, "samples")
        self.process = None
        self.xvfb = None
        self.openbox = None
        self.env = dict(os.environ)
        try:
            self._start_x(screen)
            if window_manager:
                self.openbox = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                                stdout=subprocess.DEVNULL,
                                                stderr=subprocess.DEVNULL)
                self._wait(lambda: self._root_has("Openbox"), 20, "openbox did not start")
        except BaseException:
            self.close()
            raise

    # ---- X server -------------------------------------------------------------
    def _start_x(self, screen):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.time() + 15
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise Failure("Xvfb did not start")
        self.env.update({
            "DISPLAY": ":" + number.decode().strip(),
            "HOME": self.home,
            "GSETTINGS_BACKEND": "memory",
            "NO_AT_BRIDGE": "1",
            "XDG_RUNTIME_DIR": self.home,
        })
        self.env.pop("WAYLAND_DISPLAY", None)

    def _root_has(self, text):
        tree = self.x(["xwininfo", "-root", "-tree"], check=False)
        return text in tree

    def x(self, arguments, check=True):
        result = subprocess.run(arguments, env=self.env, capture_output=True, text=True, timeout=20)
        if check and result.returncode != 0:
            raise Failure("%s failed: %s" % (" ".join(arguments), result.stderr.strip()))
        return result.stdout

    @staticmethod
    def _wait(condition, timeout, message):
        deadline = time.time() + timeout
        while time.time() < deadline:
            value = condition()
            if value:
                return value
            time.sleep(0.1)
        raise Failure(message)

    # ---- the viewer -----------------------------------------------------------
    def start_viewer(self, arguments=(), cwd=None, program=None):
        self.stdout = open(os.path.join(self.scratch, "viewer.out"), "w")
        self.stderr_path = os.path.join(self.scratch, "viewer.err")
        self.stderr = open(self.stderr_path, "w")
        env = dict(self.env)
        # In a sanitizer build, leaks of the system libraries are not ours.
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                    "lsan_system_libraries.supp")
        env["LSAN_OPTIONS"] = ":".join(filter(None, [env.get("LSAN_OPTIONS"),
                                                     "suppressions=" + suppressions,
                                                     "print_suppressions=0"]))
        self.process = subprocess.Popen([program or self.viewer] + list(arguments),
                                        cwd=cwd or self.run_dir, env=env,
                                        stdout=self.stdout, stderr=self.stderr)

    def wait_exit(self, timeout=15):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the viewer did not end within %d s" % timeout)

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def stderr_lines(self):
        self.stderr.flush()
        with open(self.stderr_path) as handle:
            return [line.rstrip("\n") for line in handle]

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.process.pid) as handle:
            fields = handle.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    # ---- windows ----------------------------------------------------------------
    def find_windows(self, name):
        out = self.x(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
        return [int(line) for line in out.split()]

    def wait_window(self, name, timeout=15):
        return self._wait(lambda: (self.find_windows(name) or [None])[0], timeout,
                          "no window named %r appeared" % name)

    def wait_no_window(self, name, timeout=10):
        self._wait(lambda: not self.find_windows(name), timeout,
                   "window named %r did not go away" % name)

    def viewer_window(self, timeout=15):
        return self.wait_window("^Vistrel$", timeout)

    def focus(self, window):
        self.x(["xdotool", "windowfocus", "--sync", str(window)], check=False)
        time.sleep(0.2)

    def key(self, *keys):
        self.x(["xdotool", "key", "--delay", "60"] + list(keys))

    def drag(self, window, button, start, end):
        """Presses the mouse button at start (client pixels), moves to end
        and lets go there, each a separate event."""
        self.x(["xdotool", "mousemove", "--window", str(window), str(start[0]), str(start[1])])
        time.sleep(0.1)
        self.x(["xdotool", "mousedown", str(button)])
        time.sleep(0.1)
        self.x(["xdotool", "mousemove", "--window", str(window), str(end[0]), str(end[1])])
        time.sleep(0.1)
        self.x(["xdotool", "mouseup", str(button)])
        time.sleep(0.3)

    def hold(self, keys, seconds):
        self.x(["xdotool", "keydown"] + list(keys))
        time.sleep(seconds)
        self.x(["xdotool", "keyup"] + list(keys))

    def press_in_viewer(self, *keys):
        self.focus(self.viewer_window())
        self.key(*keys)
        time.sleep(0.3)

    def choose_file(self, path):
        """Types the path into the real "Choose a 3do to Open" dialog."""
        dialog = self.wait_window("^Choose a 3do to Open$")
        time.sleep(0.3)
        self.focus(dialog)
        self.key("ctrl+l")
        time.sleep(0.3)
        self.x(["xdotool", "type", "--delay", "25", path])
        time.sleep(0.3)
        self.key("Return")
        self.wait_no_window("^Choose a 3do to Open$")

    def cancel_file_dialog(self):
        dialog = self.wait_window("^Choose a 3do to Open$")
        time.sleep(0.3)
        self.focus(dialog)
        self.key("Escape")
        self.wait_no_window("^Choose a 3do to Open$")

    def dismiss_box(self, caption, text):
        """Waits for the message box, checks its line on standard error and
        presses its OK button with the keyboard."""
        box = self.wait_window("^%s$" % caption)
        line = "%s: %s" % (caption, text)
        self._wait(lambda: line in self.stderr_lines(), 5, "no box %r reported" % line)
        time.sleep(0.3)
        self.focus(box)
        self.key("Return")
        self.wait_no_window("^%s$" % caption)

    def geometry(self, window, frame=False):
        """Client area (x, y, width, height) on the screen; with frame, the
        outer rectangle including the window manager's frame."""
        out = self.x(["xwininfo", "-id", str(window)])
        values = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":")[1])
        x, y = values["Absolute upper-left X"], values["Absolute upper-left Y"]
        width, height = values["Width"], values["Height"]
        if frame:
            extents = self.x(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], check=False)
            if "=" in extents:
                left, right, top, bottom = [int(v) for v in extents.split("=")[1].split(",")]
                x, y = x - left, y - top
                width, height = width + left + right, height + top + bottom
        return x, y, width, height

    def close_window(self, window):
        subprocess.run([self.close_helper, str(window)], env=self.env, check=True, timeout=10)

    # ---- pictures ---------------------------------------------------------------
    def screenshot(self, folder=None):
        """F12 in the viewer; returns (width, height, rows) of the new file."""
        folder = folder or self.samples
        before = set(f for f in os.listdir(folder) if f.startswith("screen"))
        self.press_in_viewer("F12")
        new = self._wait(lambda: sorted(set(f for f in os.listdir(folder)
                                            if f.startswith("screen")) - before), 5,
                         "F12 wrote no screenshot in %s" % folder)
        path = os.path.join(folder, new[-1])

        def complete():
            with open(path, "rb") as handle:
                header = handle.read(18)
            return len(header) == 18 and os.path.getsize(path) >= (
                18 + 4 * (header[12] | header[13] << 8) * (header[14] | header[15] << 8))
        self._wait(complete, 5, "screenshot incomplete")
        time.sleep(0.1)
        return tga_png.read_tga(path)

    def render_reference(self, model, extra=()):
        """vistrel-tool's headless picture of the model's first view."""
        out = os.path.join(self.scratch, "reference.tga")
        result = subprocess.run([self.tool, "render", model, "-o", out, "--text", "fps"] + list(extra),
                                capture_output=True, text=True, timeout=60)
        if result.returncode != 0:
            raise Failure("vistrel-tool render failed (%d): %s" % (result.returncode, result.stderr))
        return tga_png.read_tga(out)

    def close(self):
        for process in (self.process, self.openbox, self.xvfb):
            if process is not None and process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if os.environ.get("VISTREL_E2E_KEEP"):
            print("scratch kept in " + self.scratch)
        else:
            shutil.rmtree(self.scratch, ignore_errors=True)


# ---- picture comparisons ------------------------------------------------------
def difference(a, b, skip_status_bar=True):
    """Share of pixels (outside the status bar) whose channels differ by more
    than 24, and the largest channel difference."""
    wa, ha, ra = a
    wb, hb, rb = b
    if (wa, ha) != (wb, hb):
        raise Failure("picture sizes differ: %dx%d and %dx%d" % (wa, ha, wb, hb))
    rows = ha - STATUS_BAR_ROWS if skip_status_bar else ha
    changed = 0
    largest = 0
    for y in range(rows):
        for pa, pb in zip(ra[y], rb[y]):
            d = max(abs(pa[0] - pb[0]), abs(pa[1] - pb[1]), abs(pa[2] - pb[2]))
            largest = max(largest, d)
            if d > 24:
                changed += 1
    return changed / float(wa * rows), largest


def status_bar_differs(a, b):
    _, h, ra = a
    _, _, rb = b
    return any(ra[y] != rb[y] for y in range(h - STATUS_BAR_ROWS, h))


def expect_same(a, b, what, tolerance=0.002):
    share, largest = difference(a, b)
    if share > tolerance:
        raise Failure("%s: %.2f%% of the pixels differ (largest %d)" % (what, share * 100, largest))


def expect_different(a, b, what, least=0.01):
    share, _ = difference(a, b)
    if share < least:
        raise Failure("%s: the picture did not change (%.3f%% differ)" % (what, share * 100))


def run(scenarios):
    """Runs the scenario named on the command line in its own session;
    prints PASS or the failure and returns the exit status."""
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(scenarios))
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--tool")
    parser.add_argument("--close-helper")
    args = parser.parse_args()
    test, session_args = scenarios[args.scenario]
    try:
        session = Session(args.viewer, args.tool, args.close_helper, **session_args)
    except Failure as failure:
        print("FAIL: %s" % failure)
        return 1
    try:
        test(session)
        print("PASS")
        return 0
    except Failure as failure:
        print("FAIL: %s" % failure)
        if session.process is not None:
            print("viewer stderr:\n  " + "\n  ".join(session.stderr_lines()))
        return 1
    finally:
        session.close()
