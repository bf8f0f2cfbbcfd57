"""What a window program reads when input comes quickly (Xvfb, XTEST through xdotool): keys
typed 8 ms apart all arrive in order through wait_for_key, quick clicks each leave their press
and release with the place, and the close button during a line input reaches the program as
KEY_CLOSE right after it."""
import os
import sys
import time

from harness import Checks, Reports, XvfbSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
DEMO = os.path.join(BUILD, "tests", "input_demo")
TIMEOUT = 20.0
KEY_CLOSE = 0x6BFF
MOUSE_LEFT = 1

check = Checks()


class Demo(Reports):
    """input_demo with its reports read from stderr."""

    def __init__(self, session, *args):
        self.process = session.start([DEMO] + [str(a) for a in args], QXGFX="GDI")
        super().__init__(self.process.stderr.fileno())

    def wait_for(self, text):
        return text in self.read_until(lambda lines: text in lines)

    def ended(self):
        try:
            return self.process.wait(timeout=TIMEOUT)
        except Exception:
            return None


def start(session, *args):
    demo = Demo(session, *args)
    check(demo.wait_for("ready"), "%s: ready" % (args,))
    window = session.find_window("qxgfxclass_input_demo")
    check(window is not None, "%s: the window is there" % (args,))
    return demo, window


def fast_keys(session):
    typed = "abcdefghijklmnopqrstuvwxyz0123456789" + "qwertyuiopasdfghjklzxcvb"
    assert len(typed) == 60
    demo, window = start(session, "keys", len(typed))
    if window is None:
        return
    session.tool("xdotool", "type", "--delay", "8", typed)
    lines = demo.read_until(lambda lines: "done" in lines)
    codes = [int(line.split()[1]) for line in lines if line.startswith("key ")]
    check(codes == [ord(c) for c in typed],
          "60 keys 8 ms apart all read in order: got %d: %r" % (len(codes), codes))
    check(demo.ended() == 0, "the key reader ends")


def quick_clicks(session):
    demo, window = start(session, "clicks", 5)
    if window is None:
        return
    session.tool("xdotool", "mousemove", "--window", str(window), "40", "30")
    time.sleep(0.2)
    session.tool("xdotool", "click", "--repeat", "5", "--delay", "5", "1")
    lines = demo.read_until(lambda lines: "done" in lines)
    presses = [line for line in lines if line.startswith("press ")]
    releases = [line for line in lines if line.startswith("release ")]
    where = "press 40 30 %d 0" % MOUSE_LEFT
    check(presses == [where] * 5, "5 quick clicks give 5 presses where they were: %r" % lines)
    check(len(releases) == 5, "and 5 releases: %r" % lines)
    check(demo.ended() == 0, "the click reader ends")


def close_during_input(session):
    demo, window = start(session, "close")
    if window is None:
        return
    session.tool("xdotool", "type", "--delay", "20", "12")
    time.sleep(0.3)
    session.close_window(window)
    lines = demo.read_until(lambda lines: "done" in lines)
    check("input 0 12" in lines, "the close ends the input with the line as typed: %r" % lines)
    check("key %d" % KEY_CLOSE in lines, "the next key is the close: %r" % lines)
    check(demo.ended() == 0, "the input program ends")


def main():
    with XvfbSession(BUILD, "640x480x24") as session:
        fast_keys(session)
        quick_clicks(session)
        close_during_input(session)
    return check.result("window input tests passed")


if __name__ == "__main__":
    sys.exit(main())
