"""End-to-end scenarios of the viewer, each run in a session of its own:
python3 viewer_e2e.py SCENARIO --viewer build/bin/vistrel [--tool ...]
[--close-helper ...]. Each prints PASS or FAIL with the reason."""
import math
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from viewer_session import (Failure, difference, expect_different, expect_same,  # noqa: E402
                            run, status_bar_differs)


def expect_exit(session, code=0, escape=False):
    status = session.quit_viewer() if escape else session.wait_exit()
    if status != code:
        raise Failure("the viewer ended with %d, expected %d" % (status, code))


def start_with(session, sample):
    session.start_viewer()
    session.viewer_window()
    session.choose_file(os.path.join(session.samples, sample))
    session.viewer_window()


def first_frame(session):
    """The window's place and size, the first frame against vistrel-tool's
    picture of the same view, the report beside the model, Esc ends with 0."""
    start_with(session, "robot.3do")
    window = session.viewer_window()
    x, y, width, height = session.geometry(window)
    if (width, height) != (640, 480):
        raise Failure("client area is %dx%d, not 640x480" % (width, height))
    fx, fy, _, _ = session.geometry(window, frame=True)
    if (fx, fy) != (0, 0):
        raise Failure("the window's outer corner is at %d,%d, not 0,0" % (fx, fy))
    shot = session.screenshot()
    if shot[0:2] != (640, 480):
        raise Failure("screenshot is %dx%d" % shot[0:2])
    reference = session.render_reference(os.path.join(session.samples, "robot.3do"))
    expect_same(shot, reference, "first frame against vistrel-tool render", tolerance=0.01)
    stats = os.path.join(session.samples, "ModelStats.txt")
    if not os.path.exists(stats) or "robot.3do" not in open(stats).read():
        raise Failure("no ModelStats.txt for robot.3do beside the model")
    if session.stderr_lines():
        raise Failure("unexpected boxes: %r" % session.stderr_lines())
    expect_exit(session, escape=True)


def held_keys(session):
    """Held keys turn the model and move the camera by the time they are held;
    Space brings the first view back."""
    start_with(session, "robot.3do")
    first = session.screenshot()
    session.hold(["d"], 0.6)  # turn about y
    turned = session.screenshot()
    expect_different(first, turned, "holding D")
    if not status_bar_differs(first, turned):
        raise Failure("the rotation text did not change while D was held")
    session.hold(["s"], 0.6)  # camera backwards: the model gets smaller
    moved = session.screenshot()
    expect_different(turned, moved, "holding S")
    session.hold(["space"], 0.3)
    reset = session.screenshot()
    expect_same(first, reset, "Space after turning and moving")
    expect_exit(session, escape=True)


def toggles(session):
    """H cycles rate text, help page, no text; F5 cycles wire, flat, smooth;
    F6 to F8 switch texturing, lighting and the environment map. Each state
    is compared with vistrel-tool's picture of the same state."""
    start_with(session, "robot.3do")
    model = os.path.join(session.samples, "robot.3do")
    base = session.screenshot()

    def reference(*options):
        return session.render_reference(model, options)

    session.press_in_viewer("h")
    help_page = session.screenshot()
    expect_different(base, help_page, "H: help page", least=0.05)
    expect_same(help_page, reference("--text", "help"), "H: help page against vistrel-tool",
                tolerance=0.01)
    session.press_in_viewer("h")
    no_text = session.screenshot()
    expect_same(no_text, reference("--text", "none"), "H twice: no text", tolerance=0.01)
    if not status_bar_differs(base, no_text):
        raise Failure("H twice: the status bar is still drawn")
    session.press_in_viewer("h")
    expect_same(base, session.screenshot(), "H three times: the rate text again")

    session.press_in_viewer("F5")
    wire = session.screenshot()
    expect_different(base, wire, "F5: wire frame", least=0.05)
    expect_same(wire, reference("--mode", "wire"), "F5: wire frame against vistrel-tool",
                tolerance=0.01)
    session.press_in_viewer("F5")
    flat = session.screenshot()
    expect_same(flat, reference("--mode", "flat"), "F5 twice: flat against vistrel-tool",
                tolerance=0.01)
    session.press_in_viewer("F5")
    expect_same(base, session.screenshot(), "F5 three times: smooth again")

    for key, option in (("F6", "--no-texture"), ("F7", "--no-lighting"), ("F8", "--envmap")):
        session.press_in_viewer(key)
        changed = session.screenshot()
        expected = reference(option)
        if difference(base, expected)[0] > 0 and difference(base, changed)[0] == 0:
            raise Failure("%s did not change the picture" % key)
        expect_same(changed, expected, "%s against vistrel-tool %s" % (key, option), tolerance=0.01)
        session.press_in_viewer(key)
        expect_same(base, session.screenshot(), "%s twice" % key)
    expect_exit(session, escape=True)


def load_another(session):
    """F9 loads another sample keeping the toggles; F9 then cancel changes
    nothing."""
    start_with(session, "cube.3do")
    textured = session.screenshot()
    session.press_in_viewer("F6")
    untextured = session.screenshot()
    expect_different(textured, untextured, "F6 on the cube", least=0.005)

    session.open_dialog("F9")
    session.choose_file(os.path.join(session.samples, "robot.3do"))
    robot = session.screenshot()
    expect_different(untextured, robot, "F9: the robot in place of the cube", least=0.05)
    stats = open(os.path.join(session.samples, "ModelStats.txt")).read()
    if "robot.3do" not in stats:
        raise Failure("F9: ModelStats.txt is not the robot's report")

    session.open_dialog("F9")
    session.choose_file(os.path.join(session.samples, "cube.3do"))
    cube_again = session.screenshot()
    expect_same(untextured, cube_again, "F9 keeps texturing off")

    session.open_dialog("F9")
    session.cancel_file_dialog()
    if not session.alive():
        raise Failure("F9 then cancel ended the viewer")
    expect_same(cube_again, session.screenshot(), "F9 then cancel")
    expect_exit(session, escape=True)


def close_requests(session):
    """The close box (WM_DELETE_WINDOW from the window manager's side) and
    Alt+F4 both end the viewer with 0."""
    start_with(session, "cube.3do")
    session.close_window(session.viewer_window())
    expect_exit(session)
    start_with(session, "cube.3do")
    session.focus(session.viewer_window())
    session.key("alt+F4")  # a window message, not a polled key
    expect_exit(session)


def cancel_first_dialog(session):
    """Cancelling the first dialog: the reader's box, then exit 0."""
    session.start_viewer()
    session.viewer_window()
    session.cancel_file_dialog()
    session.dismiss_box("ERROR", "Could not open 3do file")
    expect_exit(session)


def broken_config(session):
    """A config.txt without a colour line: the window opens and closes, no
    dialog, no box, exit 0."""
    with open(os.path.join(session.run_dir, "config.txt"), "w") as handle:
        handle.write("# only a comment\n\n   \n")
    session.start_viewer()
    expect_exit(session)
    if session.stderr_lines():
        raise Failure("unexpected output: %r" % session.stderr_lines())
    if session.find_windows("^Choose a 3do to Open$") or session.find_windows("^Error$"):
        raise Failure("a dialog or box was left open")


def minimise(session):
    """A minimised viewer draws nothing (it sleeps); restoring resumes the
    frames with the same picture."""
    start_with(session, "robot.3do")
    before = session.screenshot()
    window = session.viewer_window()
    session.x(["xdotool", "windowminimize", "--sync", str(window)])
    session.wait_cpu(True, "minimised, the viewer never stopped drawing")
    start = session.cpu_seconds()
    time.sleep(1.5)  # how long it must stay asleep
    idle = session.cpu_seconds() - start
    if idle > 0.15:
        raise Failure("minimised, the viewer still used %.2f s of CPU in 1.5 s" % idle)
    session.x(["xdotool", "windowactivate", str(window)])
    session.wait_cpu(False, "restored, the viewer drew no frames")
    expect_same(before, session.screenshot(), "after restoring")
    expect_exit(session, escape=True)


def toggle_signal(session):
    """SIGUSR1 asks for the other display mode: the window is made again
    (Xvfb refuses the mode change: the box), start-up runs again with its
    dialog; a second SIGUSR1 goes back to windowed without a box."""
    start_with(session, "robot.3do")
    first_window = session.viewer_window()
    session.process.send_signal(10)  # SIGUSR1
    session.dismiss_box("Error", "Mode Switch Failed.\\nRunning In Windowed Mode.")
    session.choose_file(os.path.join(session.samples, "cube.3do"))
    second_window = session.viewer_window()
    if second_window == first_window:
        raise Failure("SIGUSR1 did not make a new window")
    _, _, width, height = session.geometry(second_window)
    if (width, height) != (640, 480):
        raise Failure("the new window's client area is %dx%d" % (width, height))
    cube = session.screenshot()
    session.process.send_signal(10)
    session.choose_file(os.path.join(session.samples, "cube.3do"))
    expect_same(cube, session.screenshot(), "after the second SIGUSR1")
    boxes = [line for line in session.stderr_lines() if line.startswith("Error:")]
    if len(boxes) != 1:
        raise Failure("expected one mode-switch box, got %r" % boxes)
    expect_exit(session, escape=True)


def full_screen(session):
    """On a display that offers 640 x 480, SIGUSR1 switches to a borderless
    full-screen window of that size with no box."""
    start_with(session, "cube.3do")
    session.process.send_signal(10)
    session.choose_file(os.path.join(session.samples, "cube.3do"))
    window = session.viewer_window()
    x, y, width, height = session.geometry(window, frame=True)
    if (x, y, width, height) != (0, 0, 640, 480):
        raise Failure("full-screen window at %d,%d size %dx%d" % (x, y, width, height))
    if session.stderr_lines():
        raise Failure("unexpected boxes: %r" % session.stderr_lines())
    session.screenshot()
    expect_exit(session, escape=True)


def command_line(session):
    """vistrel MODEL.3do from a folder without config.txt: no dialog, the data
    from beside the program, the first frame as vistrel-tool draws it, the
    screenshot beside the model; a relative path; a missing file gets the
    reader's box; --help, --version and a bad option."""
    elsewhere = os.path.join(session.scratch, "elsewhere")
    os.makedirs(elsewhere)
    robot = os.path.join(session.samples, "robot.3do")
    for argument in (robot, os.path.relpath(robot, elsewhere)):
        session.start_viewer([argument], cwd=elsewhere)
        session.viewer_window()
        shot = session.screenshot()  # drawn frames: start-up, and any dialog of it, is over
        if session.find_windows("^Choose a 3do to Open$"):
            raise Failure("a file dialog opened although %s was given" % argument)
        reference = session.render_reference(robot)
        expect_same(shot, reference, "first frame of %s against vistrel-tool render" % argument,
                    tolerance=0.01)
        if os.listdir(elsewhere):
            raise Failure("files written in the start folder: %r" % os.listdir(elsewhere))
        expect_exit(session, escape=True)
    # The installed layout: PREFIX/bin/vistrel with its data in
    # PREFIX/share/vistrel, started from $HOME.
    prefix = os.path.join(session.scratch, "prefix")
    share = os.path.join(prefix, "share", "vistrel")
    os.makedirs(os.path.join(prefix, "bin"))
    shutil.copytree(os.path.join(session.program_dir, "systemtex"), os.path.join(share, "systemtex"))
    shutil.copy(os.path.join(session.program_dir, "config.txt"), share)
    installed = os.path.join(prefix, "bin", "vistrel")
    shutil.copy(session.viewer, installed)
    session.start_viewer([robot], cwd=session.home, program=installed)
    session.viewer_window()
    expect_same(session.screenshot(), session.render_reference(robot),
                "first frame of the installed layout against vistrel-tool render", tolerance=0.01)
    expect_exit(session, escape=True)
    session.start_viewer([os.path.join(session.samples, "absent.3do")], cwd=elsewhere)
    session.dismiss_box("ERROR", "Could not open 3do file")
    expect_exit(session)
    for arguments, code, stream in ((["--help"], 0, "stdout"), (["--version"], 0, "stdout"),
                                    (["--bogus"], 2, "stderr"), ([robot, robot], 2, "stderr")):
        result = subprocess.run([session.viewer] + arguments, capture_output=True, text=True,
                                timeout=20, env=session.env)
        text = getattr(result, stream)
        if result.returncode != code or "vistrel" not in text:
            raise Failure("vistrel %s: exit %d, %s %r" % (" ".join(arguments), result.returncode,
                                                           stream, text))


def model_radius(session):
    for line in open(os.path.join(session.samples, "ModelStats.txt")):
        if line.startswith("Model Radius = "):
            return float(line.split("=")[1])
    raise Failure("no model radius in ModelStats.txt")


def mouse(session):
    """A left drag of 64 x 32 pixels turns the model 18 degrees about y and 9
    about x; two wheel notches forward and a right drag of 48 x 24 pixels move
    the camera; each picture against vistrel-tool's of those numbers."""
    start_with(session, "robot.3do")
    window = session.viewer_window()
    robot = os.path.join(session.samples, "robot.3do")
    session.drag(window, 1, (200, 200), (264, 232))
    expect_same(session.screenshot(), session.render_reference(robot, ["--rotate", "9,18,0"]),
                "left drag against vistrel-tool --rotate 9,18,0", tolerance=0.01)
    session.x(["xdotool", "mousemove", "--window", str(window), "320", "240"])
    session.x(["xdotool", "click", "--repeat", "2", "--delay", "100", "4"])
    session.drag(window, 3, (300, 200), (348, 224))
    z = 1.9 * model_radius(session)
    step = 2 * z * math.tan(math.radians(22.5)) / 480
    camera = "%f,%f,%f" % (-48 * step, 24 * step, z)
    expect_same(session.screenshot(),
                session.render_reference(robot, ["--rotate", "9,18,0", "--camera", camera]),
                "wheel and right drag against vistrel-tool --camera " + camera, tolerance=0.01)
    expect_exit(session, escape=True)


def page_keys(session):
    """PageDown and PageUp load the next and previous model of the samples
    folder by name (cube, glass, missing_mat, ngon, robot), wrapping."""
    start_with(session, "robot.3do")
    stats = os.path.join(session.samples, "ModelStats.txt")
    for key, model in (("Next", "cube.3do"), ("Prior", "robot.3do"), ("Prior", "ngon.3do")):
        session.press_in_viewer(key)
        session._wait(lambda: model in open(stats).read(), 5,
                      "%s did not load %s: %r" % (key, model, open(stats).readline()))
    expect_exit(session, escape=True)


def resized_screenshots(session):
    """F12 in a window resized to 400 x 300 and to 900 x 700 writes a picture
    of that size, equal to vistrel-tool's render at that size."""
    start_with(session, "robot.3do")
    window = session.viewer_window()
    robot = os.path.join(session.samples, "robot.3do")
    for width, height in ((400, 300), (900, 700)):
        session.x(["xdotool", "windowsize", "--sync", str(window), str(width), str(height)])
        shot = session.screenshot()
        if shot[0:2] != (width, height):
            raise Failure("F12 in a %dx%d window wrote %dx%d" % ((width, height) + shot[0:2]))
        expect_same(shot, session.render_reference(robot, ["--size", "%dx%d" % (width, height)]),
                    "%dx%d window against vistrel-tool --size" % (width, height), tolerance=0.01)
    expect_exit(session, escape=True)


def drag_files(session, paths):
    """Drags paths from another X client (drag_source.py) onto the viewer's
    window, in steps, as a person would, and waits for the source to say
    how the drag ended."""
    log = os.path.join(session.scratch, "drag-source.log")
    session.logs["drag source"] = log
    with open(log, "w") as out:
        source = subprocess.Popen(["/usr/bin/python3", os.path.join(os.path.dirname(
            os.path.abspath(__file__)), "drag_source.py")] + paths, env=session.env,
            stdout=out, stderr=subprocess.STDOUT)
    said = lambda word: word in open(log).read().split()  # noqa: E731
    try:
        session._wait(lambda: said("ready"), 60, "the drag source drew no window")
        button = session.wait_window("^Vistrel drag source$")
        viewer = session.viewer_window()
        session.x(["xdotool", "mousemove", "--window", str(button), "100", "50"])
        session.x(["xdotool", "mousedown", "1"])
        for step in range(1, 11):
            session.x(["xdotool", "mousemove", "--window", str(viewer), str(30 * step),
                       str(20 * step)])
        session.x(["xdotool", "mouseup", "1"])
        session._wait(lambda: said("ended"), 60, "the drag did not end")
        if said("cancelled"):
            raise Failure("the drag source says the drop failed")
    finally:
        source.terminate()
        source.wait()


def drop(session):
    """Files dragged from another program onto the window: a text file with
    cube.3do loads the cube; the text file alone gets the box, nothing else."""
    if subprocess.run(["/usr/bin/python3", "-c", "import gi; gi.require_version('Gtk', '3.0')"],
                      capture_output=True).returncode != 0:
        print("SKIPPED: python3-gi with GTK 3 missing")
        sys.exit(77)
    start_with(session, "robot.3do")
    notes = os.path.join(session.scratch, "notes.txt")
    open(notes, "w").write("not a model\n")
    cube = os.path.join(session.samples, "cube.3do")
    drag_files(session, [notes, cube])
    stats = os.path.join(session.samples, "ModelStats.txt")
    session._wait(lambda: "cube.3do" in open(stats).readline(), 60,
                  "the dropped cube.3do was not loaded")
    drag_files(session, [notes])
    session.dismiss_box("Error", "The dropped file is not a 3DO model.")
    expect_same(session.screenshot(), session.render_reference(cube), "the dropped cube",
                tolerance=0.01)
    expect_exit(session, escape=True)


SCENARIOS = {
    "first_frame": (first_frame, {}),
    "held_keys": (held_keys, {}),
    "toggles": (toggles, {}),
    "load_another": (load_another, {}),
    "close_requests": (close_requests, {}),
    "cancel_first_dialog": (cancel_first_dialog, {}),
    "broken_config": (broken_config, {}),
    "minimise": (minimise, {}),
    "toggle_signal": (toggle_signal, {}),
    "full_screen": (full_screen, {"screen": "640x480x24"}),
    "command_line": (command_line, {}),
    "mouse": (mouse, {}),
    "page_keys": (page_keys, {}),
    "resized_screenshots": (resized_screenshots, {}),
    "drop": (drop, {}),
}

if __name__ == "__main__":
    sys.exit(run(SCENARIOS))
