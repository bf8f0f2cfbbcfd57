"""The graphics window under Xvfb: placement, names, pixels at each depth, keys, the close
protocol, palette changes, ending, and a server that goes away under a running program."""
import os
import pty
import signal
import subprocess
import sys
import termios
import time

from harness import Checks, Reports, XvfbSession, kill

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
DEMO = os.path.join(BUILD, "tests", "window_demo")
TIMEOUT = 15.0
SCREEN_W, SCREEN_H = 1024, 768

check = Checks()


class Demo:
    """window_demo on a pty (so the runtime takes the terminal) with its reports on a pipe."""

    def __init__(self, display, depth, driver="GDI"):
        self.master, self.slave = pty.openpty()
        read_end, write_end = os.pipe()
        env = dict(os.environ, DISPLAY=display, QXGFX=driver)
        self.process = subprocess.Popen([DEMO, str(depth)], stdin=self.slave, stdout=self.slave,
                                        stderr=write_end, env=env)
        os.close(write_end)
        self.reports = Reports(read_end, drain=[self.master])

    def wait_for(self, text):
        return self.reports.take(text, TIMEOUT)

    def end(self):
        kill(self.process)
        for fd in (self.master, self.slave, self.reports.fd):
            os.close(fd)


def pixel(session, window, x, y):
    """The colour at (x, y) of the window as 0xRRGGBB, or None."""
    found = session.pixels(window, [(x, y)])
    return found[0][0] << 16 | found[0][1] << 8 | found[0][2] if found else None


def settle(session, window, x, y, wanted, seconds=3.0):
    """The pixel once it equals wanted (the update thread shows changes within frames)."""
    session.wait_for(lambda: pixel(session, window, x, y) == wanted, seconds)
    return pixel(session, window, x, y)


def indexed_window(session):
    demo = Demo(session.display, 8)
    try:
        check(demo.wait_for("driver GDI"), "QXGFX=GDI opens the GDI driver")
        check(demo.wait_for("ready"), "8-bit demo ready")
        window = session.find_window("qxgfxclass_window_demo", timeout=TIMEOUT)
        check(window is not None, "window with class qxgfxclass_window_demo")
        if window is None:
            return
        info = session.tool("xwininfo", "-id", str(window))
        check("Width: 640" in info and "Height: 480" in info, "client area 640 x 480")
        check("Absolute upper-left X:  192" in info and "Absolute upper-left Y:  144" in info,
              "window centred: " + info)
        names = session.tool("xprop", "-id", str(window), "WM_CLASS", "WM_NAME")
        check('"window_demo", "qxgfxclass_window_demo"' in names, "WM_CLASS: " + names)
        green = settle(session, window, 100, 50, 0x55FF55)
        check(green is not None and (green >> 8 & 0xFF) > 0xC0 and (green & 0xFF) < 0x70,
              "box of colour 10 is light green: %r" % green)
        check(settle(session, window, 320, 240, 0xFFFFFF) == 0xFFFFFF, "white circle")
        check(settle(session, window, 600, 20, 0) == 0, "background black")

        session.tool("xdotool", "key", "6")
        check(demo.wait_for("key 54"), "digit 6 arrives as its character")
        session.tool("xdotool", "key", "Up")
        check(demo.wait_for("key %d" % 0x48FF), "Up arrives as an extended key")
        session.tool("xdotool", "key", "alt+F4")
        check(demo.wait_for("key %d" % 0x6BFF), "Alt+F4 posts the close key")
        session.close_window(window)
        check(demo.wait_for("key %d" % 0x6BFF), "close button posts the close key")
        check(session.find_window("qxgfxclass_window_demo", timeout=TIMEOUT) == window, "window stays")

        session.tool("xdotool", "key", "p")
        check(settle(session, window, 100, 50, 0x0000FF) == 0x0000FF,
              "palette change reaches the whole picture")
        session.tool("xdotool", "key", "d")
        red = settle(session, window, 450, 350, 0xAA0000)
        check(red is not None and (red >> 16) > 0x80 and (red & 0xFFFF) == 0, "red box drawn")
        session.tool("xdotool", "key", "t")
        check(demo.wait_for("key 116"), "t typed")
        deadline = time.time() + 3
        title = ""
        while "Fen\u00eatre" not in title and time.time() < deadline:
            title = session.tool("xprop", "-id", str(window), "_NET_WM_NAME")
            time.sleep(0.05)
        check("Fen\u00eatre" in title, "title in UTF-8: " + title)

        session.tool("xdotool", "key", "q")
        try:
            code = demo.process.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "q ends with exit code 0 (got %r)" % code)
        time.sleep(0.2)
        check(not session.tool("xdotool", "search", "--class", "qxgfxclass_window_demo").split(),
              "window gone after the end")
    finally:
        demo.end()


def direct_colour_window(session, depth, green):
    demo = Demo(session.display, depth)
    try:
        check(demo.wait_for("ready"), "%d-bit demo ready" % depth)
        window = session.find_window("qxgfxclass_window_demo", timeout=TIMEOUT)
        if window is None:
            check(False, "%d-bit window" % depth)
            return
        check(settle(session, window, 100, 50, green) == green, "%d-bit box colour" % depth)
        check(settle(session, window, 320, 240, 0xFFFFFF) in (0xFFFFFF, 0xF8FCF8),
              "%d-bit white circle" % depth)
        session.tool("xdotool", "key", "q")
        check(demo.process.wait(timeout=TIMEOUT) == 0, "%d-bit demo ends" % depth)
    finally:
        demo.end()


def server_goes_away():
    with XvfbSession(BUILD, "%dx%dx24" % (SCREEN_W, SCREEN_H)) as session:
        demo = Demo(session.display, 8)
        try:
            lost_server_ends_demo(session.server, demo)
        finally:
            demo.end()


def lost_server_ends_demo(server, demo):
    check(demo.wait_for("ready"), "demo ready before the server goes")
    server.kill()
    server.wait(timeout=TIMEOUT)
    try:
        code = demo.process.wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        code = None
    check(code == -signal.SIGHUP, "lost server ends the program as a hang-up (got %r)" % code)
    mode = termios.tcgetattr(demo.slave)
    check(mode[3] & termios.ECHO and mode[3] & termios.ICANON, "terminal restored")


def oversized_screens(display):
    """A picture too large to convert or show fails every window driver; the program goes on."""
    probe = os.path.join(BUILD, "tests", "screen_probe")
    for driver in ("GDI", "DirectX"):
        for width, height in ((20000, 20000), (32000, 32000)):
            result = subprocess.run([probe, str(width), str(height), "8", "0", "0"],
                                    env=dict(os.environ, DISPLAY=display, QXGFX=driver),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    timeout=TIMEOUT * 2)
            check(result.returncode == 0 and b"no screen" in result.stdout,
                  "%s refuses %d x %d cleanly: %r" % (driver, width, height, result))


def main():
    with XvfbSession(BUILD, "%dx%dx24" % (SCREEN_W, SCREEN_H)) as session:
        oversized_screens(session.display)
        indexed_window(session)
        direct_colour_window(session, 32, 0x55FF55)
        direct_colour_window(session, 16, 0x50FC50)
    server_goes_away()
    return check.result("window tests passed")


if __name__ == "__main__":
    sys.exit(main())
