"""Each display driver under Wine, through a probe program and the game: the GDI and DirectX
windows show the framebuffer in its palette colours, and their close button and Alt+F4 post
the close key; OpenGL draws where the screen asks for it and is refused, with selection moving
on, where it does not; null opens no window."""
import os
import sys

from chase_window_test import goal_shows, quit_with, start_game
from wine_session import Checks, WineSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-windows"
GREEN_10, RED_12 = (0x55, 0xFF, 0x55), (0xFF, 0x55, 0x55)
SCREEN_OPENGL = 2
KEY_CLOSE = "key 0x6BFF"
check = Checks()


def probe(session, width, height, depth, flags, seconds, **extra):
    return session.start([session.program("tests/window_probe"), str(width), str(height),
                          str(depth), str(flags), str(seconds)], **extra)


def finish(child, timeout=15):
    """(exit code, stdout, stderr) as text; the code is None when the probe had to be killed."""
    try:
        out, err = child.communicate(timeout=timeout)
        code = child.returncode
    except Exception:
        child.kill()
        out, err = child.communicate()
        code = None
    return code, out.decode(errors="replace"), err.decode(errors="replace")


def window_drivers(session):
    for driver in ("GDI", "DirectX"):
        for how in ("close button", "Alt+F4"):
            child = probe(session, 320, 200, 8, 0, 20, QXGFX=driver)
            window = session.find_window("window_probe", (320, 200))
            if check(window is not None, "%s: a 320 x 200 window titled after the program"
                     % driver):
                if how == "close button":
                    got = []

                    def shown():
                        got[:] = session.pixels(window, [(10, 10), (310, 190)])
                        return got == [GREEN_10, RED_12]
                    check(session.wait_for(shown),
                          "%s: the window shows the framebuffer in its palette colours: %r"
                          % (driver, got))
                    session.close_window(window)
                else:
                    session.key(window, "alt+F4")
            code, out, _ = finish(child)
            check(code == 0 and ("driver " + driver) in out and KEY_CLOSE in out,
                  "%s: the %s posts the close key: %r %r" % (driver, how, code, out))


def opengl(session):
    child = probe(session, 320, 200, 8, 0, 20, QXGFX="OpenGL", QXLOG="1")
    window = session.find_window("window_probe", (320, 200))
    if window is not None:
        session.key(window, "q")
    code, out, err = finish(child)
    check("qx: OpenGL 320x200x8 window: only for screens that ask for OpenGL (SCREEN_OPENGL)"
          in err and "driver DirectX" in out,
          "QXGFX=OpenGL without the flag is refused and selection moves on: %r %r" % (out, err))
    check(window is not None and code == 0,
          "the fallen-back probe shows a window and ends on a key")

    child = probe(session, 320, 200, 32, SCREEN_OPENGL, 20)
    window = session.find_window("window_probe", (320, 200))
    if check(window is not None, "OpenGL: a screen that asks for it opens a 320 x 200 window"):
        check(session.wait_for(lambda: session.pixels(window, [(160, 100)]) == [(0, 255, 0)]),
              "OpenGL: the window shows what GL cleared to")
        session.key(window, "x")
    code, out, _ = finish(child)
    check(code == 0 and "driver OpenGL" in out and "key 0x0078" in out,
          "OpenGL: the screen is OpenGL's and a key reaches it: %r %r" % (code, out))


def null(session):
    code, out, _ = finish(probe(session, 320, 200, 8, 0, 0, QXGFX="null"))
    check(code == 0 and "driver Null" in out, "QXGFX=null opens the Null driver: %r" % out)


def game_on_drivers(session):
    for qxgfx in ("DirectX", "OpenGL"):
        console, window = start_game(session, qxgfx)
        if check(window is not None, "QXGFX=%s: the game's 640 x 480 window appears" % qxgfx):
            check(goal_shows(session, window), "QXGFX=%s: the goal picture shows" % qxgfx)
            code = quit_with(session, console, window, "q")
            check(code == 0, "QXGFX=%s: q ends the game with 0 (got %r)" % (qxgfx, code))
        console.close()


def main():
    if not os.path.exists(os.path.join(BUILD, "tests", "window_probe.exe")):
        print("missing tests/window_probe.exe in", BUILD)
        return 1
    with WineSession(BUILD) as session:
        window_drivers(session)
        opengl(session)
        null(session)
        game_on_drivers(session)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
