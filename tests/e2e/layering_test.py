"""Includes go one way: platform headers only in the platform folders, no folder reaches into a
layer above it or into another half's platform code, the public headers (include/qx/) stand on
their own, and the game and the examples use nothing else of the library."""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SOURCE_FOLDERS = ("src/runtime", "src/gfx", "include/qx", "game", "tools", "examples", "bench")
PLATFORM_FOLDERS = ("runtime/posix/", "gfx/x11/", "gfx/terminal/")
PLATFORM_HEADER = re.compile(
    r'^\s*#\s*include\s*<(X11/[^>]+|GL/[^>]+|dlfcn\.h|termios\.h|sys/ioctl\.h)>', re.M)
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
    ("runtime/posix/", ("gfx/", "game/")),
    ("runtime/", ("gfx/", "game/", "runtime/posix/")),
    ("gfx/x11/", ("game/", "runtime/posix/", "gfx/terminal/")),
    # The terminal driver shares the console's key decoder and its terminal restore.
    ("gfx/terminal/", ("game/", "gfx/x11/")),
    ("gfx/", ("game/", "gfx/x11/", "gfx/terminal/", "runtime/posix/")),
    ("game/", ("runtime/posix/", "gfx/x11/", "gfx/terminal/")),
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
    if not relative.startswith(PLATFORM_FOLDERS):
        for header in PLATFORM_HEADER.findall(text):
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


def main():
    self_check()
    found = []
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
