"""One end-to-end session with the real viewer: a private X server (Xvfb on
the first free display) with the openbox window manager, a throwaway HOME, a
scratch copy of the data beside the programs, and the viewer started there
and driven with xdotool the way a person uses it: typing into the real file
dialog, pressing and holding keys, answering message boxes."""
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback

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
    def __init__(self, viewer, tool=None, close_helper=None, evidence=None, screen="1024x768x24",
                 window_manager=True):
        require_tools()
        self.viewer = os.path.abspath(viewer)
        self.tool = tool and os.path.abspath(tool)
        self.close_helper = close_helper and os.path.abspath(close_helper)
        self.evidence = evidence and os.path.abspath(evidence)
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
        self.stderr_path = None
        self.xvfb = None
        self.openbox = None
        self.env = dict(os.environ)
        # Output of the X server, the window manager and the helpers, shown
        # when a scenario fails.
        self.logs = {}
        try:
            self._start_x(screen)
            if window_manager:
                self.openbox = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                                stdout=self._log("openbox"),
                                                stderr=subprocess.STDOUT)
                self._wait(self._window_manager_ready, 60, "openbox did not take the screen")
        except BaseException as failure:
            if isinstance(failure, Failure):
                self.report(failure)
            self.close()
            raise

    def _log(self, name):
        path = os.path.join(self.scratch, name + ".log")
        self.logs[name] = path
        return open(path, "w")

    # ---- X server -------------------------------------------------------------
    def _start_x(self, screen):
        """Xvfb on the first free display, told by -displayfd once it takes
        clients. -noreset: by default the server resets when its last client
        leaves, and refuses connections meanwhile (a first client that has
        come and gone would leave openbox no server to open). -r: no key
        repeat, so a key held down while the viewer is slow to see it is
        still one press."""
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp",
             "-noreset", "-r"], pass_fds=(write_end,), stdout=self._log("xvfb"),
            stderr=subprocess.STDOUT)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 60
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0, deadline - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise Failure("Xvfb did not start: %s" % self._read_log("xvfb"))
        self.env.update({
            "DISPLAY": ":" + number.decode().strip(),
            "HOME": self.home,
            "GSETTINGS_BACKEND": "memory",
            "NO_AT_BRIDGE": "1",
            "XDG_RUNTIME_DIR": self.home,
        })
        self.env.pop("WAYLAND_DISPLAY", None)
        self._wait(self._server_answers, 60, "Xvfb on %s takes no client" % self.env["DISPLAY"])

    def _server_answers(self):
        if self.xvfb.poll() is not None:
            raise Failure("Xvfb ended with %d: %s" % (self.xvfb.returncode, self._read_log("xvfb")))
        return subprocess.run(["xprop", "-root", "-len", "0", "_NET_SUPPORTING_WM_CHECK"],
                              env=self.env, capture_output=True, timeout=60).returncode == 0

    def _window_manager_ready(self):
        """True once openbox manages the screen: the root names its check
        window (_NET_SUPPORTING_WM_CHECK), which openbox sets last."""
        if self.openbox.poll() is not None:
            raise Failure("openbox ended with %d before it took the screen" %
                          self.openbox.returncode)
        root = self.x(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        if "window id #" not in root:
            return False
        check = root.split("#")[1].split()[0]
        return '"Openbox"' in self.x(["xprop", "-id", check, "_NET_WM_NAME"], check=False)

    def x(self, arguments, check=True):
        try:
            result = subprocess.run(arguments, env=self.env, capture_output=True, text=True,
                                    timeout=60)
        except subprocess.TimeoutExpired:
            raise Failure("%s did not end within 60 s" % " ".join(arguments))
        if check and result.returncode != 0:
            raise Failure("%s failed: %s" % (" ".join(arguments), result.stderr.strip()))
        return result.stdout

    @staticmethod
    def _wait(condition, timeout, message):
        """Polls condition until it holds; the timeout only bounds a failure."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            time.sleep(0.05)
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

    def wait_exit(self, timeout=60):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the viewer did not end within %d s" % timeout)

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def stderr_lines(self):
        if self.stderr_path is None:
            return []
        self.stderr.flush()
        with open(self.stderr_path) as handle:
            return [line.rstrip("\n") for line in handle]

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.process.pid) as handle:
            fields = handle.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def wait_cpu(self, idle, message):
        """Waits until the viewer sleeps (idle: under 0.02 s of CPU in half a
        second) or, with idle false, until it has used 0.2 s of CPU: frames
        being drawn."""
        state = {"last": self.cpu_seconds()}
        first = state["last"]

        def reached():
            if idle:
                time.sleep(0.5)
                now = self.cpu_seconds()
                used, state["last"] = now - state["last"], now
                return used < 0.02
            return self.cpu_seconds() - first >= 0.2
        self._wait(reached, 60, message)

    # ---- windows ----------------------------------------------------------------
    def find_windows(self, name):
        out = self.x(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
        return [int(line) for line in out.split()]

    def managed(self, window):
        """Whether the window manager has taken the window (ICCCM WM_STATE
        Normal): framed, placed and ready for focus. Without a window
        manager, mapped is all there is."""
        if self.openbox is None:
            return True
        return "Normal" in self.x(["xprop", "-id", str(window), "WM_STATE"], check=False)

    def wait_window(self, name, timeout=60):
        def found():
            for window in self.find_windows(name):
                if self.managed(window):
                    return window
            return None
        return self._wait(found, timeout, "no window named %r appeared" % name)

    def wait_no_window(self, name, timeout=60):
        self._wait(lambda: not self.find_windows(name), timeout,
                   "window named %r did not go away" % name)

    def viewer_window(self, timeout=60):
        return self.wait_window("^Vistrel$", timeout)

    def focused(self):
        out = self.x(["xdotool", "getwindowfocus"], check=False).strip()
        return int(out) if out.isdigit() else None

    def focus(self, window):
        """Gives the window the keyboard focus (through the window manager
        when there is one) and waits until the server says it has it: keys
        sent before would go to another window."""
        command = "windowactivate" if self.openbox is not None else "windowfocus"
        state = {"asked": 0.0}

        def has_focus():
            if self.focused() == window:
                return True
            if time.monotonic() - state["asked"] > 5:  # asked again if lost on the way
                self.x(["xdotool", command, str(window)], check=False)
                state["asked"] = time.monotonic()
            return False
        self._wait(has_focus, 60, "window %d did not get the keyboard focus" % window)

    def key(self, *keys):
        """Keys for the dialogs, which take each event as it comes."""
        self.x(["xdotool", "key", "--delay", "60"] + list(keys))

    def drag(self, window, button, start, end):
        """Presses the mouse button at start (client pixels), moves to end
        and lets go there, each a separate event; the viewer takes them in
        order, and the next screenshot waits for them."""
        self.x(["xdotool", "mousemove", "--window", str(window), str(start[0]), str(start[1])])
        self.x(["xdotool", "mousedown", str(button)])
        self.x(["xdotool", "mousemove", "--window", str(window), str(end[0]), str(end[1])])
        self.x(["xdotool", "mouseup", str(button)])

    # The viewer polls its keys once a frame: a press and release it takes
    # between two frames is never seen. So each key is held down until a
    # screenshot made after it has been written (F12 is polled after every
    # other key), which proves a frame has seen it, and only then let go.
    def _screenshots(self, folder):
        return set(f for f in os.listdir(folder) if f.startswith("screen"))

    def _probe(self, folder=None, keep=False):
        """F12 held until its picture is complete; the file's path, or None
        once removed."""
        folder = folder or self.samples
        before = self._screenshots(folder)
        self.x(["xdotool", "keydown", "F12"])
        try:
            new = self._wait(lambda: sorted(self._screenshots(folder) - before), 60,
                             "F12 wrote no screenshot in %s" % folder)
            path = os.path.join(folder, new[-1])

            def complete():
                with open(path, "rb") as handle:
                    header = handle.read(18)
                return len(header) == 18 and os.path.getsize(path) >= (
                    18 + 4 * (header[12] | header[13] << 8) * (header[14] | header[15] << 8))
            self._wait(complete, 60, "screenshot %s incomplete" % path)
        finally:
            self.x(["xdotool", "keyup", "F12"])
        if keep:
            return path
        os.remove(path)
        return None

    def hold(self, keys, seconds):
        """Holds keys down for seconds of frames: from a frame that has seen
        them down until one drawn seconds later."""
        self.focus(self.viewer_window())
        self.x(["xdotool", "keydown"] + list(keys))
        try:
            self._probe()
            time.sleep(seconds)
            self._probe()
        finally:
            self.x(["xdotool", "keyup"] + list(keys))

    def press_in_viewer(self, *keys):
        """One-shot keys (H, F5 to F8, PageDown, ...), each held until a
        frame has taken it."""
        self.focus(self.viewer_window())
        for key in keys:
            self.x(["xdotool", "keydown", key])
            try:
                self._probe()
            finally:
                self.x(["xdotool", "keyup", key])

    def open_dialog(self, key="F9"):
        """A key that opens the file dialog, held until the dialog is up."""
        self.focus(self.viewer_window())
        self.x(["xdotool", "keydown", key])
        try:
            self.wait_window("^Choose a 3do to Open$")
        finally:
            self.x(["xdotool", "keyup", key])

    def quit_viewer(self):
        """Esc, held until the viewer has ended; its exit status."""
        self.focus(self.viewer_window())
        self.x(["xdotool", "keydown", "Escape"])
        try:
            return self.wait_exit()
        finally:
            self.x(["xdotool", "keyup", "Escape"])

    def _answer(self, window, key, gone):
        """Presses key in a dialog until gone() holds. GTK's file chooser,
        given Return before it has looked up the folder of a typed path,
        opens that folder instead of answering, and a second Return answers;
        a press after the window has gone reaches no dialog."""
        state = {"pressed": 0.0}
        command = "windowactivate" if self.openbox is not None else "windowfocus"

        def answered():
            if gone():
                return True
            if time.monotonic() - state["pressed"] > 2:
                if self.focused() == window:
                    self.key(key)
                    state["pressed"] = time.monotonic()
                elif window in self.find_windows("."):
                    self.x(["xdotool", command, str(window)], check=False)
            return False
        self._wait(answered, 60, "window %d did not go on %s" % (window, key))

    def choose_file(self, path):
        """Types the path into the real "Choose a 3do to Open" dialog."""
        dialog = self.wait_window("^Choose a 3do to Open$")
        self.focus(dialog)
        self.key("ctrl+l")
        self.x(["xdotool", "type", "--delay", "25", path])
        self._answer(dialog, "Return", lambda: not self.find_windows("^Choose a 3do to Open$"))

    def cancel_file_dialog(self):
        dialog = self.wait_window("^Choose a 3do to Open$")
        self.focus(dialog)
        self.key("Escape")  # once: a second Escape would reach the viewer
        self.wait_no_window("^Choose a 3do to Open$")

    def dismiss_box(self, caption, text):
        """Waits for the message box, checks its line on standard error and
        presses its OK button with the keyboard."""
        box = self.wait_window("^%s$" % caption)
        line = "%s: %s" % (caption, text)
        self._wait(lambda: line in self.stderr_lines(), 60, "no box %r reported" % line)
        self.focus(box)
        self._answer(box, "Return", lambda: box not in self.find_windows("^%s$" % caption))

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
        subprocess.run([self.close_helper, str(window)], env=self.env, check=True, timeout=60)

    # ---- pictures ---------------------------------------------------------------
    def screenshot(self, folder=None):
        """F12 in the viewer; returns (width, height, rows) of the new file.
        A first F12 makes sure that a frame has been drawn since every event
        sent before (the second one's picture is the frame before it)."""
        self.focus(self.viewer_window())
        self._probe(folder)
        path = self._probe(folder, keep=True)
        return tga_png.read_tga(path)

    def render_reference(self, model, extra=()):
        """vistrel-tool's headless picture of the model's first view."""
        out = os.path.join(self.scratch, "reference.tga")
        result = subprocess.run([self.tool, "render", model, "-o", out, "--text", "fps"] + list(extra),
                                capture_output=True, text=True, timeout=120)
        if result.returncode != 0:
            raise Failure("vistrel-tool render failed (%d): %s" % (result.returncode, result.stderr))
        return tga_png.read_tga(out)

    # ---- evidence -----------------------------------------------------------------
    def _read_log(self, name):
        try:
            with open(self.logs[name], errors="replace") as handle:
                return handle.read()
        except (KeyError, OSError):
            return ""

    def report(self, failure):
        """What a failed scenario leaves: the X window tree, the processes
        with their state, every log, and a picture of the X screen saved as
        EVIDENCE-screen.png beside the test's log."""
        print("FAIL: %s" % failure)
        sections = []
        if self.xvfb is not None and self.xvfb.poll() is None and "DISPLAY" in self.env:
            sections.append(("X window tree", self.x(["xwininfo", "-root", "-tree"], check=False)))
            if self.evidence:
                picture = self.evidence + "-screen.png"
                try:
                    data = subprocess.run(["xwd", "-root", "-silent"], env=self.env,
                                          capture_output=True, timeout=60).stdout
                    tga_png.write_png(picture, *tga_png.read_xwd(data))
                    sections.append(("picture of the X screen", picture))
                except (OSError, ValueError, struct.error, subprocess.TimeoutExpired) as error:
                    sections.append(("picture of the X screen", "not taken: %s" % error))
        sections.append(("processes of this scenario", self._processes()))
        if self.process is not None:
            sections.append(("viewer", "exit status %r" % self.process.poll()))
            sections.append(("viewer stderr", "\n".join(self.stderr_lines())))
        for name in sorted(self.logs):
            sections.append((name + " output", self._read_log(name)))
        for title, text in sections:
            print("---- %s ----\n%s" % (title, text.rstrip()))

    @staticmethod
    def _processes():
        """This scenario's processes (the X server, the window manager, the
        viewer and its dialogs) with their state and what they wait in."""
        ps = subprocess.run(["ps", "-e", "--forest", "-o", "pid,ppid,stat,wchan:20,etime,time,args"],
                            capture_output=True, text=True)
        lines = ps.stdout.splitlines()
        ours = {os.getpid()}
        kept = lines[:1]
        for line in lines[1:]:  # --forest lists parents before their children
            fields = line.split()
            if int(fields[1]) in ours or int(fields[0]) in ours:
                ours.add(int(fields[0]))
                kept.append(line)
        return "\n".join(kept)

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
    prints PASS, or the failure with its evidence, and returns the exit
    status."""
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(scenarios))
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--tool")
    parser.add_argument("--close-helper")
    parser.add_argument("--evidence", help="path prefix of the files a failure leaves")
    args = parser.parse_args()
    test, session_args = scenarios[args.scenario]
    try:
        session = Session(args.viewer, args.tool, args.close_helper, args.evidence, **session_args)
    except Failure:
        return 1
    try:
        test(session)
        print("PASS")
        return 0
    except Exception as failure:  # noqa: BLE001 - every failure leaves its evidence
        if not isinstance(failure, Failure):
            traceback.print_exc(file=sys.stdout)
        session.report(failure)
        return 1
    finally:
        session.close()
