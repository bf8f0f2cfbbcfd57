#!/usr/bin/env python3
"""The "DirectX" and "OpenGL" drivers under a private Xvfb, seen through the examples and a
probe program: MIT-SHM windows and their fallback, full-screen mode search and centring, the
full-screen switch, the close button, GL windows and contexts, mode listing and keys."""
import os
import pty
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Checks, XvfbSession  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCREEN_FULLSCREEN, SCREEN_OPENGL, SCREEN_NO_SWITCH = 1, 2, 4
SCREEN_STENCIL_BUFFER, SCREEN_ACCUMULATION_BUFFER = 0x10, 0x20

check = Checks()


def near(colour, expected, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def dominant(colour, channel):
    return colour[channel] > 150 and all(colour[c] < colour[channel] - 80 for c in range(3) if c != channel)


def finish(child, timeout=10):
    try:
        out, _ = child.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        child.kill()
        out, _ = child.communicate(timeout=5)
        return None, (out or b"").decode(errors="replace")
    return child.returncode, (out or b"").decode(errors="replace")


def net_wm_state(session, window):
    return session.tool("xprop", "-id", str(window), "_NET_WM_STATE")


# Mesa unloads its driver when the display closes, before a leak checker looks: what the driver
# leaks then has no library left to be suppressed by. Programs that load it are not leak-checked.
GL = {"ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"}


def probe(session, *args, qxgfx=None):
    argv = [os.path.join(session.build, "tests", "screen_probe")] + [str(a) for a in args]
    extra = {"QXGFX": qxgfx} if qxgfx else {}
    if qxgfx == "OpenGL" or (len(args) > 3 and int(args[3]) & SCREEN_OPENGL):
        extra.update(GL)
    return session.start(argv, **extra)


GREEN_10, RED_12 = (0x55, 0xFF, 0x55), (0xFF, 0x55, 0x55)


def directx_window(session):
    child = probe(session, 320, 200, 8, 0, 20)
    window = session.find_window("qxgfxclass_screen_probe", (320, 200))
    check(window is not None, "an 8-bit screen opens a 320 x 200 window by default")
    if window is not None:
        check(session.geometry(window)[:2] == (160, 140), "the window is centred on the display")
        check(session.wait_for(lambda: session.pixels(window, [(10, 10), (310, 190)]) == [GREEN_10, RED_12]),
              "the window shows the framebuffer in its palette colours")
        session.close_window(window)  # posts the close key; the probe ends on any key
    code, out = finish(child)
    check(code == 0 and "driver DirectX" in out and "modes 1 640x480" in out,
          f"DirectX is chosen first, lists the display's modes and ends on the close key: {code} {out!r}")


def directx_full_screen(session):
    # 640 x 350 has no mode of its own: 640 x 480 with the picture 65 rows down.
    child = probe(session, 640, 350, 8, SCREEN_FULLSCREEN, 20)
    window = session.find_window("qxgfxclass_screen_probe", (640, 480))
    check(window is not None, "a 640 x 350 full-screen request covers the 640 x 480 display")
    if window is not None:
        check(session.geometry(window)[:2] == (0, 0), "the full-screen window starts at the corner")
        check("_NET_WM_STATE_FULLSCREEN" in net_wm_state(session, window), "it asks for full screen")
        expected = [(0, 0, 0), GREEN_10, GREEN_10, RED_12, (0, 0, 0)]
        points = [(10, 64), (10, 65), (10, 414), (630, 300), (10, 415)]
        got = []

        def centred():
            got[:] = session.pixels(window, points)
            return got == expected
        check(session.wait_for(centred), f"the picture is centred 65 rows down: {got}")
        # Mouse positions count from the picture's corner, not the display's.
        session.tool("xdotool", "mousemove", "100", "165")
        time.sleep(0.2)
        session.tool("xdotool", "key", "q")
    code, out = finish(child)
    check(code == 0 and "driver DirectX" in out, f"the full-screen probe ran on DirectX: {out!r}")
    check("mouse 100 100" in out, f"the full-screen mouse position is the picture's: {out!r}")

    # Taller than any mode: refused full screen, shown in a window instead.
    child = probe(session, 800, 1100, 8, SCREEN_FULLSCREEN, 20)
    window = session.find_window("qxgfxclass_screen_probe", (800, 1100))
    check(window is not None and "_NET_WM_STATE_FULLSCREEN" not in net_wm_state(session, window),
          "a full-screen request over 1023 rows ends in a window")
    if window is not None:
        session.tool("xdotool", "key", "q")
    finish(child)


def full_screen_window(session):
    for window in session.tool("xdotool", "search", "--onlyvisible", "--class",
                               "^qxgfxclass_screen_probe$").split():
        if "_NET_WM_STATE_FULLSCREEN" in net_wm_state(session, window):
            return int(window)
    return None


def directx_switch(session):
    # No mode fits 320 x 200 on this display: the switch falls back to a window again, which
    # shows the whole picture anew.
    child = probe(session, 320, 200, 8, 0, 20)
    window = session.find_window("qxgfxclass_screen_probe", (320, 200))
    if window is not None:
        session.tool("xdotool", "key", "alt+Return")
        time.sleep(0.5)
        again = session.find_window("qxgfxclass_screen_probe", (320, 200))
        check(again is not None and full_screen_window(session) is None,
              "Alt+Enter without a fitting mode leaves a window")
        if again is not None:
            check(session.wait_for(lambda: session.pixels(again, [(10, 10)]) == [GREEN_10]),
                  "the rebuilt window is repainted")
        session.tool("xdotool", "key", "q")
    check(finish(child)[0] == 0, "the probe ends after the switch")

    child = probe(session, 640, 480, 8, 0, 20)
    window = session.find_window("qxgfxclass_screen_probe", (640, 480))
    check(window is not None, "a 640 x 480 window opens")
    if window is not None:
        check(full_screen_window(session) is None, "it starts as a window")
        session.tool("xdotool", "key", "alt+Return")
        check(session.wait_for(lambda: full_screen_window(session) is not None),
              "Alt+Enter switches the window to full screen")
        full = full_screen_window(session)
        if full is not None:
            check(session.wait_for(lambda: session.pixels(full, [(10, 10)]) == [GREEN_10]),
                  "the full-screen picture is drawn anew")
        session.tool("xdotool", "key", "q")
    finish(child)

    # With SCREEN_NO_SWITCH the same key changes nothing.
    child = probe(session, 640, 480, 8, SCREEN_NO_SWITCH, 20)
    window = session.find_window("qxgfxclass_screen_probe", (640, 480))
    if window is not None:
        session.tool("xdotool", "key", "alt+Return")
        time.sleep(0.5)
        check(full_screen_window(session) is None, "Alt+Enter does nothing with SCREEN_NO_SWITCH")
        session.tool("xdotool", "key", "q")
    finish(child)


def no_mit_shm(build):
    with XvfbSession(build, "640x480x24", ["-extension", "MIT-SHM"]) as session:
        child = probe(session, 320, 200, 8, 0, 20)
        window = session.find_window("qxgfxclass_screen_probe", (320, 200))
        if window is not None:
            check(session.wait_for(lambda: session.pixels(window, [(10, 10)]) == [GREEN_10]),
                  "without MIT-SHM the picture still shows")
            session.tool("xdotool", "key", "q")
        code, out = finish(child)
        check(code == 0 and "driver GDI" in out, f"without MIT-SHM selection moves on to GDI: {out!r}")


def game(session, qxgfx):
    """Starts the game on a pty, answers 480 and 640, and returns the process and its window."""
    master, slave = pty.openpty()
    env = session.env(QXGFX=qxgfx, **(GL if qxgfx == "OpenGL" else {}))
    child = subprocess.Popen([os.path.join(session.build, "chase")], env=env,
                             stdin=slave, stdout=slave, stderr=slave)
    session.children.append(child)
    os.close(slave)
    for answer in (b"480\r", b"640\r"):
        time.sleep(0.3)
        os.write(master, answer)
    window = session.find_window("qxgfxclass_chase", (640, 480))
    return child, window, master


def game_on_drivers(session):
    child, window, master = game(session, "DirectX")
    check(window is not None, "QXGFX=DirectX: the game opens its 640 x 480 window")
    if window is not None:
        # The GDI window is fixed-size through the motif hints; this one keeps its maximise box.
        check("no such atom" in session.tool("xprop", "-id", str(window), "_MOTIF_WM_HINTS"),
              "the game's window is the DirectX driver's")
        check(session.wait_for(lambda: session.pixels(window, [(610, 50)]) == [GREEN_10]),
              "the goal picture shows in colour 10 through the shared image")
        session.tool("xdotool", "key", "q")
    code, _ = finish(child)
    os.close(master)
    check(code == 0, f"q ends the game on DirectX with code 0 (got {code})")

    child, window, master = game(session, "OpenGL")
    check(window is not None, "QXGFX=OpenGL: the game falls back and its window still appears")
    if window is not None:
        session.tool("xdotool", "key", "q")
    code, _ = finish(child)
    os.close(master)
    check(code == 0, f"q ends the fallen-back game with code 0 (got {code})")


def mouse_example(session):
    child = session.start([os.path.join(session.build, "examples", "qx_mouse")])
    window = session.find_window("qxgfxclass_qx_mouse", (640, 480))
    check(window is not None, "the mouse example opens its window")
    if window is not None:
        # The left button leaves a yellow trail where the pointer was; elsewhere stays black.
        session.tool("xdotool", "mousemove", "--window", str(window), "200", "150", "mousedown", "1")
        check(session.wait_for(lambda: session.pixels(window, [(200, 150)]) == [(0xFF, 0xFF, 0x55)]),
              "get_mouse reports the position with the left button down")
        session.tool("xdotool", "mouseup", "1")
        time.sleep(0.3)  # the release reaches the program before the pointer moves on
        session.tool("xdotool", "mousemove", "--window", str(window), "300", "300")
        time.sleep(0.3)
        check(session.pixels(window, [(300, 300)]) == [(0, 0, 0)], "without a button no trail is drawn")
        session.tool("xdotool", "key", "q")
    code, out = finish(child)
    check(code == 0, f"a key ends the mouse example: {code} {out!r}")


def modes_example(session):
    child = session.start([os.path.join(session.build, "examples", "qx_modes")])
    screens = [
        # size, points and the palette colours expected there
        ((320, 200), [(50, 25), (90, 25), (310, 25)], [(0, 0xAA, 0), (0xAA, 0, 0), (0xFF, 0xFF, 0xFF)]),
        ((640, 480), [(100, 200), (580, 200)], [(0, 0xAA, 0), (0xFF, 0xFF, 0x55)]),
        ((640, 350), [(180, 200), (380, 200)], [(0xAA, 0, 0), (0x55, 0x55, 0xFF)]),
    ]
    for size, points, expected in screens:
        window = session.find_window("qxgfxclass_qx_modes", size)
        check(window is not None, f"the modes example shows a {size} screen")
        if window is None:
            break
        got = []

        def shown():
            got[:] = session.pixels(window, points)
            return got == expected
        check(session.wait_for(shown), f"the {size} screen shows its palette: {got}")
        if size == (320, 200):
            # Colour 1 was reprogrammed through the DAC ports to 63, 32, 0.
            orange = session.pixels(window, [(30, 25)])
            check(orange and orange[0][0] > 0xF0 and 0x70 < orange[0][1] < 0x90 and orange[0][2] == 0,
                  f"the DAC ports changed colour 1: {orange}")
        session.tool("xdotool", "key", "space")
    code, out = finish(child)
    check(code == 0, f"the modes example ends after its third screen: {code} {out!r}")


def missing_extensions(build):
    # No GLX: the OpenGL screen is refused cleanly and the program tells the reason.
    with XvfbSession(build, "640x480x24", ["-extension", "GLX"]) as session:
        child = session.start([os.path.join(session.build, "examples", "qx_opengl")], **GL)
        code, out = finish(child)
        check(code == 1 and "no OpenGL screen here: " in out and "OpenGL: no GLX extension" in out,
              f"without GLX the opengl example ends cleanly and says why: {code} {out!r}")
    # No XRandR: a full-screen request cannot find its mode and ends in a window.
    with XvfbSession(build, "640x480x24", ["-extension", "RANDR"]) as session:
        child = probe(session, 640, 480, 8, SCREEN_FULLSCREEN, 20)
        window = session.find_window("qxgfxclass_screen_probe", (640, 480))
        check(window is not None and full_screen_window(session) is None,
              "without XRandR a full-screen request ends in a window")
        if window is not None:
            session.tool("xdotool", "key", "q")
        code, out = finish(child)
        check(code == 0 and "driver DirectX" in out and "modes 0" in out,
              f"without XRandR the window still uses DirectX and lists no modes: {out!r}")


def opengl_example(session):
    child = session.start([os.path.join(session.build, "examples", "qx_opengl")], **GL)
    window = session.find_window("qxgfxclass_qx_opengl")
    check(window is not None, "the opengl example opens a window of class qxgfxclass_qx_opengl")
    if window is None:
        return
    check(session.geometry(window)[2:] == (640, 480), "the opengl window is 640 x 480")
    # Background, and near each corner of the triangle its own colour.
    points = [(5, 5), (320, 90), (110, 420), (530, 420)]
    colours = []

    def triangle_shown():
        colours[:] = session.pixels(window, points)
        return len(colours) == 4 and near(colours[0], (0, 0, 0x40)) and dominant(colours[1], 0) \
            and dominant(colours[2], 1) and dominant(colours[3], 2)

    check(session.wait_for(triangle_shown), f"the triangle shows its colours: {colours}")
    session.tool("xdotool", "key", "x")
    code, out = finish(child)
    check(code == 0, f"a key ends the opengl example with code 0 (got {code}, output {out!r})")


def full_screen_requests(session):
    child = probe(session, 640, 480, 32, SCREEN_OPENGL | SCREEN_FULLSCREEN, 20)
    window = session.find_window("qxgfxclass_screen_probe")
    check(window is not None, "a full-screen OpenGL request opens a window")
    if window is not None:
        check(session.geometry(window) == (0, 0, 640, 480), "the full-screen window covers the display")
        check("_NET_WM_STATE_FULLSCREEN" in net_wm_state(session, window),
              "the full-screen window asks the window manager for full screen")
        check(session.wait_for(lambda: near(session.pixels(window, [(320, 240)])[0], (0, 255, 0))),
              "the full-screen window shows what GL drew")
        session.tool("xdotool", "key", "q")
    code, out = finish(child)
    check(code == 0 and "driver OpenGL" in out and "modes 1 640x480" in out,
          f"full-screen probe ends on a key and lists the display's mode: {code} {out!r}")

    # Alt+Enter switches an OpenGL window to full screen and keeps drawing into it.
    child = probe(session, 640, 480, 32, SCREEN_OPENGL, 20)
    window = session.find_window("qxgfxclass_screen_probe", (640, 480))
    if window is not None:
        check(full_screen_window(session) is None, "the OpenGL screen starts in a window")
        session.tool("xdotool", "key", "alt+Return")
        check(session.wait_for(lambda: full_screen_window(session) == window),
              "Alt+Enter turns the same OpenGL window full screen")
        check(session.wait_for(lambda: near(session.pixels(window, [(320, 240)])[0], (0, 255, 0))),
              "the context keeps drawing after the switch")
        session.tool("xdotool", "key", "q")
    check(finish(child)[0] == 0, "the switched OpenGL probe ends on a key")

    # A size the display does not show is refused full screen: selection ends in a window.
    child = probe(session, 320, 240, 32, SCREEN_OPENGL | SCREEN_FULLSCREEN, 20)
    window = session.find_window("qxgfxclass_screen_probe")
    check(window is not None, "a refused full-screen request still opens a window")
    if window is not None:
        check(session.geometry(window)[2:] == (320, 240), "the fallback window has the screen's size")
        check("_NET_WM_STATE_FULLSCREEN" not in net_wm_state(session, window),
              "the fallback window is not full screen")
        session.tool("xdotool", "key", "q")
    finish(child)


def buffers_and_selection(session):
    child = probe(session, 320, 200, 16, SCREEN_OPENGL | SCREEN_STENCIL_BUFFER | SCREEN_ACCUMULATION_BUFFER, 0)
    code, out = finish(child)
    check(code == 0 and "driver OpenGL" in out, f"stencil and accumulation buffers are served: {out!r}")

    # The OpenGL driver refuses a screen that does not ask for it, even when named; a window
    # still appears.
    child = probe(session, 320, 200, 8, 0, 20, qxgfx="OpenGL")
    window = session.find_window("qxgfxclass_screen_probe", (320, 200))
    check(window is not None, "QXGFX=OpenGL without the flag still opens a window")
    if window is not None:
        session.tool("xdotool", "key", "q")
    code, out = finish(child)
    check(code == 0 and "driver OpenGL" not in out, f"QXGFX=OpenGL without the flag falls back: {out!r}")


def no_server(build):
    # Without an X server the driver fails cleanly and the program goes on.
    env = dict(os.environ, DISPLAY=":1999")
    env.pop("QXGFX", None)
    result = subprocess.run([os.path.join(build, "tests", "screen_probe"), "320", "200", "32",
                             str(SCREEN_OPENGL), "0"], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, timeout=20)
    check(result.returncode == 0 and b"no screen" in result.stdout,
          f"no X server: the OpenGL screen is refused cleanly ({result.returncode}, {result.stdout!r})")


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    no_server(build)
    with XvfbSession(build, "1024x768x24") as session:
        game_on_drivers(session)
        mouse_example(session)
    with XvfbSession(build, "640x480x24") as session:
        directx_window(session)
        directx_full_screen(session)
        directx_switch(session)
        modes_example(session)
        opengl_example(session)
        full_screen_requests(session)
        buffers_and_selection(session)
    no_mit_shm(build)
    missing_extensions(build)
    return check.result("all checks passed")


if __name__ == "__main__":
    sys.exit(main())
