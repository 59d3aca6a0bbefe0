#!/usr/bin/env python3
"""The layering check passes on the tree and catches each kind of wrong include
planted in a copy: a layer including from above, a port including another
port, platform/ including a port, a layer including tests/, an OS header outside
a port, GL outside platform/gl.h (a test too), a narrow path outside the ports
(fopen, a file stream, a filesystem path made from or read as a narrow string).
A port's entry point may include the shell, and a port or a generator may
include OS headers and open files with fopen."""
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

source = Path(sys.argv[1])
check = source / "scripts" / "check-layers.py"
failures = 0


def run(root):
    return subprocess.run([sys.executable, str(check), str(root)], capture_output=True, text=True)


def expect(name, result, code, text=""):
    global failures
    if result.returncode != code or text not in result.stdout:
        failures += 1
        print(f"FAILED {name}: exit {result.returncode}\n{result.stdout}{result.stderr}")


expect("the tree", run(source), 0)
plants = [
    ("image/screenshot.cpp", '#include "app/viewer.h"', 1, "app/ is above image/"),
    ("render/frame.cpp", '#include "app/key_state.h"', 1, "app/ is above render/"),
    ("platform/sdl/sdl_window.cpp", '#include "platform/headless/headless.h"', 1,
     "the sdl port includes the headless port"),
    ("platform/message_queue.cpp", '#include "platform/sdl/sdl_port.h"', 1,
     "platform/ itself includes the sdl port"),
    ("model/model.cpp", '#include "tests/support/test_support.h"', 1, "outside the layers"),
    ("platform/sdl/sdl_main.cpp", '#include "app/viewer.h"', 0, ""),
    ("runner/batch.cpp", "#include <unistd.h>", 1, "OS headers only in ports"),
    ("platform/message_queue.cpp", "#include <sys/stat.h>", 1, "OS headers only in ports"),
    ("render/frame.cpp", "#include <GL/gl.h>", 1, "GL only through platform/gl.h"),
    ("platform/posix/posix_files.cpp", "#include <signal.h>", 0, ""),
    ("tests/support/test_support.cpp", "#include <GL/gl.h>", 1, "GL only through platform/gl.h"),
    ("tools/generators/make_samples.cpp", "#include <sys/stat.h>", 0, ""),
    ("app/config_file.cpp", 'static FILE* f = std::fopen("a", "r");', 1, "a narrow path"),
    ("runner/batch.cpp", "static std::ifstream list;", 1, "a narrow path"),
    ("image/resolve_path.cpp", 'static auto p = fs::path(std::string("a"));', 1, "a narrow path"),
    ("tools/vistrel_tool/tool_render.cpp", "static auto t = fs::path().string();", 1,
     "a narrow path"),
    ("image/resolve_path.cpp", "// std::fopen in a comment", 0, ""),
    ("platform/posix/posix_files.cpp", 'static FILE* f = std::fopen("a", "r");', 0, ""),
    ("tools/generators/make_samples.cpp", 'static FILE* f = std::fopen("a", "r");', 0, ""),
]
for path, line, code, text in plants:
    with tempfile.TemporaryDirectory() as scratch:
        root = Path(scratch)
        for layer in ["platform", "image", "model", "overlay", "render", "interchange", "app",
                      "runner", "tools", "tests", "fuzz", "bench"]:
            shutil.copytree(source / layer, root / layer)
        planted = root / path
        planted.write_text(line + "\n" + planted.read_text())
        expect(f"{line} in {path}", run(root), code, text)
print(f"{len(plants) + 1 - failures} passed, {failures} failed")
sys.exit(1 if failures else 0)
