#!/usr/bin/env python3
"""Why a screen does not open, as a program reads it from error_text(), and the QXLOG=1 lines on
standard error: no display, a dead display, QXGFX=OpenGL without the flag, an unknown QXGFX
name, sizes too large for memory or for X, a server without MIT-SHM or GLX."""
import os
import resource
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Checks, XvfbSession  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCREEN_OPENGL = 2

check = Checks()


def probe(build, *args, display=None, limit=None, **extra):
    """Runs screen_probe to its end: (stdout, stderr). display None: DISPLAY unset."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "QXGFX", "QXLOG")}
    if display is not None:
        env["DISPLAY"] = display
    env.update(extra)

    def limit_memory():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    result = subprocess.run([os.path.join(build, "tests", "screen_probe")] + [str(a) for a in args],
                            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=60,
                            preexec_fn=limit_memory if limit else None)
    return result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")


def error_line(out):
    """The text after "error 1: " when the probe reported a failed open, else None."""
    for line in out.splitlines():
        if line.startswith("error 1: "):
            return line[len("error 1: "):]
    return None


def unused_display():
    for number in range(1999, 2100):
        if not os.path.exists(f"/tmp/.X{number}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{number}"):
            return f":{number}"
    raise RuntimeError("no unused display number")


def sanitized(build):
    """A sanitizer build reserves its shadow memory at start: under a limit on the address
    space it would stop before main."""
    try:
        with open(os.path.join(build, "CMakeCache.txt")) as cache:
            return any(line.startswith("QX_SANITIZE:") and line.strip().split("=", 1)[1]
                       for line in cache)
    except OSError:
        return False


def without_a_server(build):
    out, _ = probe(build, 320, 200, 8, 0, 0)
    text = error_line(out)
    check(text is not None and text.startswith("no display driver opened 320x200x8 (window): "),
          f"DISPLAY unset: the text says no driver opened and for what: {out!r}")
    check(text is not None and "DirectX: no X display: DISPLAY is not set" in text
          and "GDI: no X display: DISPLAY is not set" in text,
          f"DISPLAY unset: each window driver gives the reason: {text!r}")
    check(text is not None and "OpenGL: only for screens that ask for OpenGL (SCREEN_OPENGL)" in text,
          f"without the flag the OpenGL driver says it needs it: {text!r}")

    dead = unused_display()
    out, _ = probe(build, 320, 200, 8, 0, 0, display=dead)
    text = error_line(out) or ""
    check(f"DirectX: cannot connect to the X server at {dead}" in text,
          f"a dead display is named in the text: {out!r}")

    out, _ = probe(build, 320, 200, 8, 0, 0, QXGFX="nonesuch")
    text = error_line(out) or ""
    check(text.startswith('QXGFX="nonesuch" names no display driver; no display driver opened'),
          f"an unknown QXGFX name leads the text: {out!r}")
    out, _ = probe(build, 320, 200, 8, 0, 0, QXGFX="x" * 300)
    text = error_line(out) or ""
    check(len(text) < 600 and text.startswith('QXGFX="' + "x" * 32 + '" names'),
          f"a long QXGFX value is cut in the text: {len(text)} {text[:60]!r}")

    # Failures decided before any driver is tried name the request.
    out, _ = probe(build, 100000, 100000, 32, 0, 0)
    check(error_line(out) == "100000x100000x32 screen, 1 page: more than 2147483647 bytes",
          f"a screen over the size bound is refused by its size: {out!r}")
    if not sanitized(build):
        out, _ = probe(build, 16000, 16000, 32, 0, 0, QXGFX="null", limit=512 << 20)
        check(error_line(out) == "16000x16000x32 screen, 1 page: out of memory (1024000000 bytes)",
              f"a screen larger than the memory the process may use is out of memory: {out!r}")
    out, _ = probe(build, 320, 200, 12, 0, 0)
    check(error_line(out) == "screen_res: depth 12 is not 8, 15, 16, 24 or 32",
          f"a bad depth is named: {out!r}")


def log_lines(err):
    return [line for line in err.splitlines() if line.startswith("qx: ")]


def with_a_server(build):
    with XvfbSession(build, "640x480x24") as session:
        out, err = probe(build, 320, 200, 8, 0, 0, display=session.display, QXGFX="OpenGL", QXLOG="1")
        lines = log_lines(err)
        check("driver DirectX" in out and lines == [
            "qx: OpenGL 320x200x8 window: only for screens that ask for OpenGL (SCREEN_OPENGL)"] * 2 + [
            "qx: DirectX 320x200x8 window: opened", "qx: display driver DirectX chosen"],
            f"QXGFX=OpenGL without the flag: refused twice, then DirectX, in the log: {lines}")
        check("qx:" not in out, f"log lines never reach standard output: {out!r}")

        out, err = probe(build, 320, 200, 8, 0, 0, display=session.display, QXGFX="nonesuch", QXLOG="1")
        lines = log_lines(err)
        check(lines[:1] == ['qx: QXGFX="nonesuch" names no display driver; trying them all']
              and lines[-1:] == ["qx: display driver DirectX chosen"] and "driver DirectX" in out,
              f"an unknown QXGFX name is logged and every driver tried: {lines}")

        for qxlog in (None, "0", "yes", ""):
            extra = {} if qxlog is None else {"QXLOG": qxlog}
            out, err = probe(build, 320, 200, 8, 0, 0, display=session.display, QXGFX="OpenGL", **extra)
            check(err == "" and "driver DirectX" in out, f"QXLOG={qxlog!r} logs nothing: {err!r}")

        out, err = probe(build, 320, 200, 8, -1, 0, display=session.display, QXLOG="1")
        check(log_lines(err) == ["qx: display driver Null chosen (flags -1)"],
              f"the Null driver by flags is logged alone: {err!r}")

        out, _ = probe(build, 40000, 100, 8, 0, 0, display=session.display)
        text = error_line(out) or ""
        check("DirectX: 40000x100: an X window is at most 32767 pixels on a side" in text,
              f"a screen too wide for X is refused with the limit: {out!r}")

    with XvfbSession(build, "640x480x24", ["-extension", "MIT-SHM", "-extension", "GLX"]) as session:
        out, err = probe(build, 320, 200, 8, 0, 0, display=session.display, QXLOG="1")
        check(f"qx: DirectX 320x200x8 window: no MIT-SHM extension on {session.display}" in err
              and "driver GDI" in out, f"without MIT-SHM the log says why DirectX failed: {err!r}")
        out, _ = probe(build, 320, 200, 32, SCREEN_OPENGL, 0, display=session.display)
        text = error_line(out) or ""
        check(f"OpenGL: no GLX extension on {session.display}" in text
              and "DirectX: the screen asks for OpenGL (SCREEN_OPENGL)" in text,
              f"without GLX the text says so: {out!r}")


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    without_a_server(build)
    with_a_server(build)
    return check.result("all checks passed")


if __name__ == "__main__":
    sys.exit(main())
