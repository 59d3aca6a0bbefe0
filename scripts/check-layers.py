#!/usr/bin/env python3
"""Fails when a file includes from a layer above its own (docs/ARCHITECTURE.md).

Layers, bottom up: platform/ · image/ · model/ · overlay/ · render/ ·
interchange/ · app/ · runner/ · the programs (tools/vistrel_tool/). A file
includes only from its own layer or below. Ports (platform/<port>/,
platform/win32/headless/ belonging to win32) never include one another, and
platform/ itself includes no port. A port's entry point
(platform/<port>/<port>_main.cpp) may include the shell (app/). Operating-
system and windowing headers are included only in ports; GL and GLU only by
platform/gl.h. tests/, fuzz/ and bench/ stand outside the layers; nothing in
a layer includes them.

usage: check-layers.py [ROOT]   (default: the repository holding this script)
"""
import os
import re
import sys

LAYERS = ["platform", "image", "model", "overlay", "render", "interchange", "app", "runner", "tools"]
OUTSIDE = ("tests", "fuzz", "bench")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>')
# Headers of an operating system or a windowing system: only ports use them.
OS_HEADERS = re.compile(
    r"^(windows\.h|winuser\.h|winbase\.h|shellapi\.h|shlobj\.h|commdlg\.h|objbase\.h|"
    r"io\.h|direct\.h|process\.h|unistd\.h|fcntl\.h|dirent\.h|signal\.h|pthread\.h|"
    r"dlfcn\.h|poll\.h|termios\.h|pwd\.h|limits\.h|sys/.*|SDL.*|X11/.*|EGL/.*|"
    r"GL/glx.*|wayland.*)$")
# GL itself: only platform/gl.h includes it.
GL_HEADERS = re.compile(r"^(GL/(gl|glu|glext)\.h|OpenGL/.*|GLES.*/.*)$")
SOURCE_ENDINGS = (".h", ".hpp", ".c", ".cc", ".cpp")


def port_of(path):
    """The port folder of a file under platform/, or None for platform/ itself."""
    parts = path.split("/")
    return parts[1] if parts[0] == "platform" and len(parts) > 2 else None


def problems_of(root):
    found = []
    for layer in LAYERS:
        for folder, _, files in os.walk(os.path.join(root, layer)):
            for name in sorted(files):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
                level = LAYERS.index(layer)
                entry_point = port_of(path) is not None and name.endswith("_main.cpp")
                with open(os.path.join(root, path), encoding="utf-8", errors="replace") as text:
                    for number, line in enumerate(text, 1):
                        system = SYSTEM_INCLUDE.match(line)
                        if system:
                            header = system.group(1)
                            where = f"{path}:{number}: includes <{header}>"
                            if GL_HEADERS.match(header) and path != "platform/gl.h":
                                found.append(f"{where}: GL only through platform/gl.h")
                            elif OS_HEADERS.match(header) and port_of(path) is None:
                                found.append(f"{where}: OS headers only in ports")
                            continue
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = match.group(1)
                        top = target.split("/")[0]
                        where = f"{path}:{number}: includes {target}"
                        if top in OUTSIDE:
                            found.append(f"{where}: {top}/ is outside the layers")
                        elif top in LAYERS:
                            if LAYERS.index(top) > level and not (entry_point and top == "app"):
                                found.append(f"{where}: {top}/ is above {layer}/")
                            elif top == "platform" and layer == "platform":
                                mine, theirs = port_of(path), port_of(target)
                                if theirs is not None and mine != theirs:
                                    owner = f"the {mine} port" if mine else "platform/ itself"
                                    found.append(f"{where}: {owner} includes the {theirs} port")
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    found = problems_of(root)
    for problem in found:
        print(problem)
    if found:
        print(f"layering: {len(found)} include(s) against docs/ARCHITECTURE.md")
        return 1
    print("layering: every include stays in its own layer or below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
