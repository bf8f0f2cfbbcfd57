"""Console colours, clears, named keys and number input, and a window's quick input, under Wine.
The menu example on a tmux console: its colours reach the terminal, a clear leaves nothing of
the old text, Up and Down move the choice, a number is asked until one is typed; through pipes
it writes no escape sequence. input_demo's window: keys typed 8 ms apart all arrive in order,
quick clicks each leave their press and release where they were, and the close button during a
number input ends it with the line as typed, then reads as KEY_CLOSE."""
import os
import select
import sys
import time

from wine_session import Checks, WineSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-windows"
TIMEOUT = 20.0
KEY_CLOSE, KEY_UP, KEY_LEFT, KEY_F1, KEY_ESCAPE = 0x6BFF, 0x48FF, 0x4BFF, 0x3BFF, 27
MOUSE_LEFT = 1
check = Checks()


def row_with(rows, text):
    return next((row for row in rows if text in row), "")


def wait_for(console, text, gone=None):
    """True once text is on the console (and, when given, gone no longer is)."""
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        shown = "\n".join(console.screen())
        if text in shown and (gone is None or gone not in shown):
            return True
        time.sleep(0.1)
    print("screen:\n" + "\n".join(console.screen()), flush=True)
    return False


def coloured(console):
    """The pane's rows with the escape sequences tmux would draw them with."""
    return console.tmux("capture-pane", "-p", "-e").split("\n")


def menu_on_a_console(session):
    console = session.console([session.program("examples/qx_menu")])
    check(wait_for(console, "> Say hello"), "the menu is shown")
    rows = coloured(console)
    # Black on cyan for the chosen item, bright white on blue for the others, bright yellow for
    # the title: Wine's console draws each of the 16 colours with a sequence of its own.
    chosen, other = row_with(rows, "> Say hello"), row_with(rows, "Pick a number")
    check("\x1b[30m" in chosen and "\x1b[46m" in chosen,
          "the chosen item in black on cyan: %r" % chosen)
    check("\x1b[97m" in other and "\x1b[44m" in other,
          "the other items in white on blue: %r" % other)
    title = row_with(rows, "QX menu")
    check("\x1b[93m" in title, "the title in yellow: %r" % title)

    console.keys("Down")
    check(wait_for(console, "> Pick a number"), "Down moves the choice")
    check("\x1b[46m" in row_with(coloured(console), "> Pick a number"),
          "the new choice is coloured")
    console.keys("Up")
    check(wait_for(console, "> Say hello"), "Up moves it back")
    console.keys("Enter")
    check(wait_for(console, "Hello!", gone="Say hello"), "the clear takes the menu away")
    check("Pick a number" not in "\n".join(console.screen()), "nothing of the menu is left")
    console.type("x")
    check(wait_for(console, "> Say hello", gone="Hello!"), "back to the menu after a key")

    console.keys("Down", "Enter")
    check(wait_for(console, "A number from 1 to 100:", gone="Say hello"), "the number is asked")
    console.type("abc")
    console.keys("Enter")
    check(wait_for(console, "Not a number."), "letters are not a number")
    console.type("500")
    console.keys("Enter")
    check(wait_for(console, "Not from 1 to 100."), "a number out of range is refused")
    console.type("42")
    console.keys("Enter")
    check(wait_for(console, "You picked 42."), "a number in range is taken")
    console.type("x")
    check(wait_for(console, "> Pick a number", gone="You picked"), "back to the menu")

    console.keys("Escape")
    code = console.wait_exit()
    check(code == 0, "Escape ends the menu with 0 (got %r)" % code)
    # The pane outlives the program (tmux scrolls one row for its notice): the menu is cleared.
    check("Pick a number" not in "\n".join(console.screen()),
          "the menu is cleared at the end: %r" % console.screen())


def menu_through_pipes(session):
    code, out, err = session.run([session.program("examples/qx_menu")], b"q")
    check(code == 0 and b"Say hello" in out and b"Bye." in out,
          '"q" through pipes ends the menu with 0 after its text: %r %r' % (code, out))
    check(b"\x1b" not in out and err == b"", "no escape sequence through pipes: %r" % out)


class Demo:
    """input_demo with its reports read from stderr, one line each."""

    def __init__(self, session, *args):
        self.process = session.start([session.program("tests/input_demo")] +
                                     [str(a) for a in args], QXGFX="GDI")
        self.pending = b""
        self.lines = []

    def read_until(self, text):
        deadline = time.monotonic() + TIMEOUT
        stream = self.process.stderr
        while text not in self.lines and time.monotonic() < deadline:
            ready, _, _ = select.select([stream], [], [], 0.1)
            if stream in ready:
                chunk = os.read(stream.fileno(), 4096)
                if not chunk:
                    break
                self.pending += chunk
                *complete, self.pending = self.pending.split(b"\n")
                self.lines += [line.decode("latin-1").rstrip("\r") for line in complete]
        return self.lines

    def ended(self):
        try:
            return self.process.wait(timeout=TIMEOUT)
        except Exception:
            return None


def start_demo(session, *args):
    """The demo and its focused window, or None for the window when it did not show."""
    demo = Demo(session, *args)
    check("ready" in demo.read_until("ready"), "%s: ready" % (args,))
    window = session.find_window("input_demo", (320, 200))
    if check(window is not None, "%s: the 320 x 200 window is there" % (args,)):
        session.tool("xdotool", "windowfocus", str(window))
        time.sleep(0.2)
    return demo, window


def fast_keys(session):
    typed = "abcdefghijklmnopqrstuvwxyz0123456789" + "qwertyuiopasdfghjklzxcvb"
    named = [KEY_UP, KEY_LEFT, KEY_F1, KEY_ESCAPE]
    demo, window = start_demo(session, "keys", len(typed) + len(named))
    if window is None:
        return
    session.tool("xdotool", "type", "--delay", "8", typed)
    session.tool("xdotool", "key", "--delay", "8", "Up", "Left", "F1", "Escape")
    lines = demo.read_until("done")
    codes = [int(line.split()[1]) for line in lines if line.startswith("key ")]
    check(codes == [ord(c) for c in typed] + named,
          "60 keys 8 ms apart, then 4 named ones, all read in order: got %d: %r"
          % (len(codes), codes))
    check(demo.ended() == 0, "the key reader ends with 0")


def quick_clicks(session):
    demo, window = start_demo(session, "clicks", 5)
    if window is None:
        return
    session.tool("xdotool", "mousemove", "--window", str(window), "40", "30")
    time.sleep(0.2)
    session.tool("xdotool", "click", "--repeat", "5", "--delay", "5", "1")
    lines = demo.read_until("done")
    presses = [line for line in lines if line.startswith("press ")]
    releases = [line for line in lines if line.startswith("release ")]
    check(presses == ["press 40 30 %d 0" % MOUSE_LEFT] * 5,
          "5 quick clicks give 5 presses where they were: %r" % lines)
    check(len(releases) == 5, "and 5 releases: %r" % lines)
    check(demo.ended() == 0, "the click reader ends with 0")


def close_during_input(session):
    demo, window = start_demo(session, "close")
    if window is None:
        return
    session.tool("xdotool", "type", "--delay", "20", "12")
    time.sleep(0.3)
    session.close_window(window)
    lines = demo.read_until("done")
    check("input 0 12" in lines, "the close ends the input with the line as typed: %r" % lines)
    check("key %d" % KEY_CLOSE in lines, "the next key is the close: %r" % lines)
    check(demo.ended() == 0, "the input program ends with 0")


def main():
    for name in ("examples/qx_menu", "tests/input_demo"):
        if not os.path.exists(os.path.join(BUILD, name + ".exe")):
            print("missing %s.exe in %s" % (name, BUILD))
            return 1
    with WineSession(BUILD) as session:
        menu_on_a_console(session)
        menu_through_pipes(session)
        fast_keys(session)
        quick_clicks(session)
        close_during_input(session)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
