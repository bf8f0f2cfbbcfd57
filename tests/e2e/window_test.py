"""The graphics window under Xvfb: placement, names, pixels at each depth, keys, the close
protocol, palette changes, ending, and a server that goes away under a running program."""
import ctypes
import os
import pty
import select
import signal
import subprocess
import sys
import termios
import time

from xvfb_session import XvfbSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
DEMO = os.path.join(BUILD, "tests", "window_demo")
TIMEOUT = 15.0
SCREEN_W, SCREEN_H = 1024, 768

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_uint8)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XGetImage.restype = ctypes.POINTER(XImage)
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
xlib.XFlush.argtypes = [ctypes.c_void_p]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]


def stop(process):
    if process.poll() is None:
        process.kill()
    process.wait(timeout=TIMEOUT)


def tool(display, *args):
    result = subprocess.run(list(args), env=dict(os.environ, DISPLAY=display),
                            capture_output=True, text=True, timeout=TIMEOUT)
    return result.stdout


class Demo:
    """window_demo on a pty (so the runtime takes the terminal) with its reports on a pipe."""

    def __init__(self, display, depth, driver="GDI"):
        self.master, self.slave = pty.openpty()
        read_end, write_end = os.pipe()
        env = dict(os.environ, DISPLAY=display, QXGFX=driver)
        self.process = subprocess.Popen([DEMO, str(depth)], stdin=self.slave, stdout=self.slave,
                                        stderr=write_end, env=env)
        os.close(write_end)
        self.reports = read_end
        self.pending = b""
        self.lines = []

    def wait_for(self, text):
        deadline = time.time() + TIMEOUT
        while True:
            for index, line in enumerate(self.lines):
                if line == text:
                    del self.lines[:index + 1]
                    return True
            if time.time() > deadline:
                return False
            ready, _, _ = select.select([self.reports, self.master], [], [], 0.1)
            if self.master in ready:
                try:
                    os.read(self.master, 4096)
                except OSError:
                    pass
            if self.reports in ready:
                chunk = os.read(self.reports, 4096)
                if not chunk:
                    return False
                self.pending += chunk
                *complete, self.pending = self.pending.split(b"\n")
                self.lines += [line.decode("latin-1") for line in complete]

    def end(self):
        stop(self.process)
        for fd in (self.master, self.slave, self.reports):
            os.close(fd)


def find_window(display, name):
    deadline = time.time() + TIMEOUT
    while time.time() < deadline:
        found = tool(display, "xdotool", "search", "--class", name).split()
        if found:
            return int(found[0])
        time.sleep(0.1)
    return None


def pixel_reader(display):
    connection = xlib.XOpenDisplay(display.encode())

    def read(window, x, y):
        image = xlib.XGetImage(connection, window, x, y, 1, 1, 0xFFFFFFFF, 2)
        if not image:
            return None
        data = image.contents.data
        return data[0] | data[1] << 8 | data[2] << 16

    return connection, read


def settle(read, window, x, y, wanted, seconds=3.0):
    """The pixel once it equals `wanted` (the update thread shows changes within frames)."""
    deadline = time.time() + seconds
    value = read(window, x, y)
    while value != wanted and time.time() < deadline:
        time.sleep(0.05)
        value = read(window, x, y)
    return value


def close_button(connection, window):
    event = ClientMessage()
    event.type = 33  # ClientMessage
    event.window = window
    event.message_type = xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    xlib.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
    xlib.XFlush(connection)


def indexed_window(display):
    demo = Demo(display, 8)
    try:
        check(demo.wait_for("driver GDI"), "QXGFX=GDI opens the GDI driver")
        check(demo.wait_for("ready"), "8-bit demo ready")
        window = find_window(display, "qxgfxclass_window_demo")
        check(window is not None, "window with class qxgfxclass_window_demo")
        if window is None:
            return
        info = tool(display, "xwininfo", "-id", str(window))
        check("Width: 640" in info and "Height: 480" in info, "client area 640 x 480")
        check("Absolute upper-left X:  192" in info and "Absolute upper-left Y:  144" in info,
              "window centred: " + info)
        names = tool(display, "xprop", "-id", str(window), "WM_CLASS", "WM_NAME")
        check('"window_demo", "qxgfxclass_window_demo"' in names, "WM_CLASS: " + names)
        connection, read = pixel_reader(display)
        green = settle(read, window, 100, 50, 0x55FF55)
        check(green is not None and (green >> 8 & 0xFF) > 0xC0 and (green & 0xFF) < 0x70,
              "box of colour 10 is light green: %r" % green)
        check(settle(read, window, 320, 240, 0xFFFFFF) == 0xFFFFFF, "white circle")
        check(settle(read, window, 600, 20, 0) == 0, "background black")

        tool(display, "xdotool", "key", "6")
        check(demo.wait_for("key 54"), "digit 6 arrives as its character")
        tool(display, "xdotool", "key", "Up")
        check(demo.wait_for("key %d" % 0x48FF), "Up arrives as an extended key")
        tool(display, "xdotool", "key", "alt+F4")
        check(demo.wait_for("key %d" % 0x6BFF), "Alt+F4 posts the close key")
        close_button(connection, window)
        check(demo.wait_for("key %d" % 0x6BFF), "close button posts the close key")
        check(find_window(display, "qxgfxclass_window_demo") == window, "window stays")

        tool(display, "xdotool", "key", "p")
        check(settle(read, window, 100, 50, 0x0000FF) == 0x0000FF,
              "palette change reaches the whole picture")
        tool(display, "xdotool", "key", "d")
        red = settle(read, window, 450, 350, 0xAA0000)
        check(red is not None and (red >> 16) > 0x80 and (red & 0xFFFF) == 0, "red box drawn")
        tool(display, "xdotool", "key", "t")
        check(demo.wait_for("key 116"), "t typed")
        deadline = time.time() + 3
        title = ""
        while "Fen\u00eatre" not in title and time.time() < deadline:
            title = tool(display, "xprop", "-id", str(window), "_NET_WM_NAME")
            time.sleep(0.05)
        check("Fen\u00eatre" in title, "title in UTF-8: " + title)
        xlib.XCloseDisplay(connection)

        tool(display, "xdotool", "key", "q")
        try:
            code = demo.process.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "q ends with exit code 0 (got %r)" % code)
        time.sleep(0.2)
        check(not tool(display, "xdotool", "search", "--class", "qxgfxclass_window_demo").split(),
              "window gone after the end")
    finally:
        demo.end()


def direct_colour_window(display, depth, green):
    demo = Demo(display, depth)
    try:
        check(demo.wait_for("ready"), "%d-bit demo ready" % depth)
        window = find_window(display, "qxgfxclass_window_demo")
        if window is None:
            check(False, "%d-bit window" % depth)
            return
        connection, read = pixel_reader(display)
        check(settle(read, window, 100, 50, green) == green, "%d-bit box colour" % depth)
        check(settle(read, window, 320, 240, 0xFFFFFF) in (0xFFFFFF, 0xF8FCF8),
              "%d-bit white circle" % depth)
        xlib.XCloseDisplay(connection)
        tool(display, "xdotool", "key", "q")
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
        indexed_window(session.display)
        direct_colour_window(session.display, 32, 0x55FF55)
        direct_colour_window(session.display, 16, 0x50FC50)
    server_goes_away()
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("window tests passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
