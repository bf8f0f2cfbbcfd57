"""Includes go one way: platform headers only in the platform folders (and only their own
platform's), no folder reaches into a layer above it or into another half's platform code, the
public headers (include/qx/) stand on their own, and the game and the examples use nothing else
of the library. Given a build folder, it also checks that the build compiled the platform folders
of one platform only."""
import json
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SOURCE_FOLDERS = ("src/runtime", "src/gfx", "include/qx", "game", "tools", "examples", "bench")
LINUX_FOLDERS = ("runtime/posix/", "gfx/x11/", "gfx/terminal/")
WINDOWS_FOLDERS = ("runtime/win32/", "gfx/win32/")
PLATFORM_FOLDERS = LINUX_FOLDERS + WINDOWS_FOLDERS
LINUX_HEADER = re.compile(
    r'^\s*#\s*include\s*<(X11/[^>]+|dlfcn\.h|termios\.h|sys/[^>]+|unistd\.h|signal\.h|'
    r'fcntl\.h|poll\.h|pthread\.h|linux/[^>]+)>', re.M)
WINDOWS_HEADER = re.compile(r'^\s*#\s*include\s*<(windows\.h|ddraw\.h|dinput\.h|[a-z]+api\.h)>',
                            re.M | re.I)
GL_HEADER = re.compile(r'^\s*#\s*include\s*<(GL/[^>]+)>', re.M)
PROJECT_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
ANGLE_INCLUDE = re.compile(r'^\s*#\s*include\s*<([^>]+)>', re.M)
STANDARD_HEADER = re.compile(r"^[a-z_]+$")
# The public headers of the graphics half, which the runtime half must not lean on.
GFX_PUBLIC = ("qx/screen.h", "qx/drawing.h", "qx/palette.h", "qx/graphics_text.h",
              "qx/drivers.h", "qx/qx.h")
# Folders that reach the library through its public headers only.
PUBLIC_USERS = ("game/", "examples/")

# For each folder (longest prefix wins), the project folders it must not include from.
FORBIDDEN = (
    ("runtime/posix/", ("gfx/", "game/") + WINDOWS_FOLDERS),
    ("runtime/win32/", ("gfx/", "game/") + LINUX_FOLDERS),
    ("runtime/", ("gfx/", "game/") + PLATFORM_FOLDERS),
    ("gfx/x11/", ("game/", "runtime/posix/", "gfx/terminal/") + WINDOWS_FOLDERS),
    # The terminal driver shares the console's key decoder and its terminal restore.
    ("gfx/terminal/", ("game/", "gfx/x11/") + WINDOWS_FOLDERS),
    ("gfx/win32/", ("game/", "runtime/win32/") + LINUX_FOLDERS),
    ("gfx/", ("game/",) + PLATFORM_FOLDERS),
    ("game/", PLATFORM_FOLDERS),
)


def sources():
    for folder in SOURCE_FOLDERS:
        for directory, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                if name.endswith((".cpp", ".h", ".h.in")):
                    path = os.path.join(directory, name)
                    relative = os.path.relpath(path, ROOT).replace(os.sep, "/")
                    # Library folders are named as their includes name them, without src/.
                    yield relative.removeprefix("src/"), path


def problems_of(relative, text):
    found = []
    if relative.startswith("include/qx/"):
        for included in PROJECT_INCLUDE.findall(text):
            found.append('%s: public header includes "%s"' % (relative, included))
        for included in ANGLE_INCLUDE.findall(text):
            if not (included.startswith("qx/") or STANDARD_HEADER.match(included)):
                found.append("%s: public header includes <%s>" % (relative, included))
    if relative.startswith(PUBLIC_USERS):
        for included in PROJECT_INCLUDE.findall(text):
            if not (relative.startswith("game/") and included.startswith("game/")):
                found.append('%s: includes "%s" instead of <qx/...>' % (relative, included))
    if relative.startswith("runtime/"):
        for included in ANGLE_INCLUDE.findall(text):
            if included in GFX_PUBLIC:
                found.append("%s: includes <%s>" % (relative, included))
    linux_headers = LINUX_HEADER.findall(text)
    windows_headers = WINDOWS_HEADER.findall(text)
    if not relative.startswith(PLATFORM_FOLDERS):
        linux_headers += GL_HEADER.findall(text)
    if not relative.startswith(LINUX_FOLDERS):
        for header in linux_headers:
            found.append("%s: platform header <%s>" % (relative, header))
    if not relative.startswith(WINDOWS_FOLDERS):
        for header in windows_headers:
            found.append("%s: platform header <%s>" % (relative, header))
    rules = [banned for prefix, banned in FORBIDDEN if relative.startswith(prefix)]
    if rules:
        for included in PROJECT_INCLUDE.findall(text):
            if included.startswith(rules[0]):
                found.append('%s: includes "%s"' % (relative, included))
    return found


def self_check():
    """The rules themselves catch what they are meant to catch."""
    assert problems_of("runtime/console_output.cpp", "#include <termios.h>\n")
    assert problems_of("gfx/screen.cpp", "  #  include <X11/Xlib.h>\n")
    assert problems_of("game/game_main.cpp", '#include "gfx/x11/x11_api.h"\n')
    assert problems_of("runtime/devices.cpp", '#include "runtime/posix/terminal_mode.h"\n')
    assert not problems_of("runtime/posix/terminal_mode.cpp", "#include <termios.h>\n")
    assert not problems_of("gfx/x11/x11_api.cpp", '#include <dlfcn.h>\n#include "gfx/screen.h"\n')
    assert not problems_of("gfx/win32/gdi_driver.cpp", "#include <windows.h>\n#include <GL/gl.h>\n")
    assert problems_of("gfx/win32/gdi_driver.cpp", "#include <unistd.h>\n")
    assert problems_of("gfx/x11/window_layer.cpp", "#include <windows.h>\n")
    assert problems_of("runtime/key_queue.cpp", "#include <Windows.h>\n")
    assert problems_of("gfx/screen.cpp", "#include <GL/gl.h>\n")
    assert problems_of("gfx/win32/window_layer.cpp", '#include "gfx/x11/window_layer.h"\n')
    assert problems_of("runtime/win32/console_input.cpp", '#include "runtime/posix/term_input.h"\n')
    assert problems_of("game/game_main.cpp", '#include "gfx/win32/window_layer.h"\n')
    assert not problems_of("game/game_main.cpp", '#include "game/chase.h"\n#include <qx/qx.h>\n')
    assert problems_of("game/game_main.cpp", '#include "gfx/screen.h"\n')
    assert problems_of("examples/modes.cpp", '#include "runtime/runtime.h"\n')
    assert problems_of("examples/modes.cpp", '#include "game/chase.h"\n')
    assert problems_of("include/qx/screen.h", '#include "gfx/screen.h"\n')
    assert problems_of("include/qx/keys.h", "#include <runtime/key_code.h>\n")
    assert problems_of("include/qx/drawing.h", "#include <X11/Xlib.h>\n")
    assert not problems_of("include/qx/drawing.h", "#include <bit>\n#include <qx/export.h>\n")
    assert problems_of("runtime/devices.h", "#include <qx/screen.h>\n")
    assert not problems_of("gfx/screen.h", "#include <qx/screen.h>\n")


def compiled_platform_folders(build):
    """The platform folders whose sources the build compiles, from its compile commands."""
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as commands:
        files = [os.path.normpath(entry["file"]) for entry in json.load(commands)]
    source = os.path.join(ROOT, "src") + os.sep
    relative = [f[len(source):].replace(os.sep, "/") for f in files if f.startswith(source)]
    return {folder for folder in PLATFORM_FOLDERS for name in relative if name.startswith(folder)}


def build_problems(folders):
    """One platform's folders, all of its runtime and none of the other's."""
    if folders & set(LINUX_FOLDERS) and folders & set(WINDOWS_FOLDERS):
        return ["the build compiles both platforms' folders: %s" % sorted(folders)]
    if not folders & {"runtime/posix/", "runtime/win32/"}:
        return ["the build compiles no platform runtime folder"]
    return []


def main():
    self_check()
    assert build_problems({"runtime/posix/", "gfx/win32/"})
    assert build_problems({"gfx/x11/"})
    assert not build_problems({"runtime/win32/", "gfx/win32/"})
    found = []
    if len(sys.argv) > 1 and os.path.exists(os.path.join(sys.argv[1], "compile_commands.json")):
        found += build_problems(compiled_platform_folders(sys.argv[1]))
    count = 0
    for relative, path in sources():
        with open(path, encoding="utf-8", errors="replace") as source:
            found += problems_of(relative, source.read())
        count += 1
    if count == 0:
        print("no sources under", ROOT)
        return 1
    for problem in found:
        print(problem)
    if found:
        return 1
    print("layering ok: %d files" % count)
    return 0


if __name__ == "__main__":
    sys.exit(main())
