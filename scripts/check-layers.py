#!/usr/bin/env python3
"""Fails when a file includes from a layer above its own (docs/ARCHITECTURE.md).

Layers, bottom up: platform/ · image/ · model/ · overlay/ · render/ ·
interchange/ · app/ · runner/ · the programs (tools/vistrel_tool/). A file
includes only from its own layer or below. Ports (platform/<port>/,
platform/win32/headless/ belonging to win32) never include one another, and
platform/ itself includes no port. A port's entry point
(platform/<port>/<port>_main.cpp) may include the shell (app/). Operating-
system and windowing headers are included only in ports; GL and GLU only by
platform/gl.h. tests/, fuzz/, bench/ and tools/generators/ stand outside the
layers: nothing in a layer includes them, they may include OS headers, and
they too take GL through platform/gl.h. Paths are UTF-8 outside the ports:
no fopen or file stream (platformOpenFile), no std::filesystem path made from
or read as a narrow string in the ANSI code page (u8path, u8string()).

usage: check-layers.py [ROOT]   (default: the repository holding this script)
"""
import os
import re
import sys

LAYERS = ["platform", "image", "model", "overlay", "render", "interchange", "app", "runner", "tools"]
OUTSIDE = ("tests", "fuzz", "bench")
# Folders outside the layers that may include OS headers (the generators run
# at build time on the build machine only).
OS_ALLOWED = ("tests/", "fuzz/", "bench/", "tools/generators/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>')
# Headers of an operating system or a windowing system: only ports use them.
# Win32 names in any case, as Windows spells them both ways.
OS_HEADERS = re.compile(
    r"^((?i:win[a-z0-9_]*\.h|shellapi\.h|shlobj\.h|shlwapi\.h|commdlg\.h|commctrl\.h|"
    r"objbase\.h|ole[a-z0-9]*\.h|mmsystem\.h|tchar\.h|io\.h|direct\.h|process\.h|conio\.h)|"
    r"unistd\.h|fcntl\.h|dirent\.h|signal\.h|pthread\.h|dlfcn\.h|poll\.h|termios\.h|pwd\.h|"
    r"spawn\.h|sched\.h|semaphore\.h|fnmatch\.h|glob\.h|libgen\.h|syslog\.h|malloc\.h|"
    r"(sys|linux|asm|arpa|netinet|mach|mach-o)/.*|"
    r"SDL.*|X11/.*|xcb/.*|EGL/.*|KHR/.*|GL/(glx|wgl).*|wayland.*)$")
# GL itself: only platform/gl.h includes it.
GL_HEADERS = re.compile(r"^(GL/(gl|glu|glext)\.h|OpenGL/.*|GLES.*/.*)$")
SOURCE_ENDINGS = (".h", ".hpp", ".c", ".cc", ".cpp")
# What takes a path in the ANSI code page on Windows, outside the ports.
NARROW_PATH = re.compile(
    r"(?<![\w:])(std::)?fopen\s*\(|\b(std::)?[io]?fstream\b|"
    r"\b(fs|std::filesystem)::path\s*\(\s*[^)\s]|\.(generic_)?string\(\)")


def port_of(path):
    """The port folder of a file under platform/, or None for platform/ itself."""
    parts = path.split("/")
    return parts[1] if parts[0] == "platform" and len(parts) > 2 else None


def system_problem(path, header):
    """Why path may not include <header>, or None."""
    if GL_HEADERS.match(header) and path != "platform/gl.h":
        return "GL only through platform/gl.h"
    if OS_HEADERS.match(header) and port_of(path) is None and not path.startswith(OS_ALLOWED):
        return "OS headers only in ports"
    return None


def sources_of(root, folder):
    for where, _, files in os.walk(os.path.join(root, folder)):
        for name in sorted(files):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.relpath(os.path.join(where, name), root).replace(os.sep, "/")


def lines_of(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as text:
        yield from enumerate(text, 1)


def problems_of(root):
    found = []
    for outside in OUTSIDE:  # outside the layers: only the GL rule
        for path in sources_of(root, outside):
            for number, line in lines_of(root, path):
                system = SYSTEM_INCLUDE.match(line)
                reason = system and system_problem(path, system.group(1))
                if reason:
                    found.append(f"{path}:{number}: includes <{system.group(1)}>: {reason}")
    for layer in LAYERS:
        level = LAYERS.index(layer)
        for path in sources_of(root, layer):
            entry_point = port_of(path) is not None and path.endswith("_main.cpp")
            narrow_allowed = port_of(path) is not None or path.startswith(OS_ALLOWED)
            for number, line in lines_of(root, path):
                code = line.split("//")[0]
                if not narrow_allowed and NARROW_PATH.search(code):
                    found.append(f"{path}:{number}: a narrow path: use platformOpenFile, "
                                 "std::filesystem::u8path and u8string() (platform/files.h)")
                system = SYSTEM_INCLUDE.match(line)
                if system:
                    reason = system_problem(path, system.group(1))
                    if reason:
                        found.append(f"{path}:{number}: includes <{system.group(1)}>: {reason}")
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
        print(f"layering: {len(found)} problem(s) against docs/ARCHITECTURE.md")
        return 1
    print("layering: every include stays in its own layer or below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
