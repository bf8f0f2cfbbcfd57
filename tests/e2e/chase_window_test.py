"""chase in a GDI window under Xvfb: answered 480 and 640 in its terminal, it opens a centred
640 x 480 window named after it, shows the goal picture and the balls, moves the player on
"6", keeps its window on the close button and Alt+F4, and ends with 0 on "q".

The game runs as fast as the machine allows and the chasers catch the player within about a
second, so while the checks run the game is let run only a tenth of the time."""
import os
import signal
import sys
import threading
import time

from dialogue_test import answer
from harness import Checks, Pty, XvfbSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
GREEN_10, RED_12, WHITE = (0x55, 0xFF, 0x55), (0xFF, 0x55, 0x55), (0xFF, 0xFF, 0xFF)
CLASS = "qxgfxclass_chase"

check = Checks()


def longest_run(colours, wanted):
    best = run = 0
    for colour in colours:
        run = run + 1 if colour == wanted else 0
        best = max(best, run)
    return best


class Throttle:
    """Stops and continues a process in turn so that it runs `share` of the time."""

    def __init__(self, pid, share=0.1, period=0.02):
        self.pid, self.running = pid, True
        self.on, self.off = period * share, period * (1 - share)
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        try:
            while self.running:
                os.kill(self.pid, signal.SIGSTOP)
                time.sleep(self.off)
                os.kill(self.pid, signal.SIGCONT)
                time.sleep(self.on)
        except ProcessLookupError:
            pass

    def stop(self):
        self.running = False
        self.thread.join()
        try:
            os.kill(self.pid, signal.SIGCONT)
        except ProcessLookupError:
            pass


def start_game(session):
    term = Pty(os.path.join(BUILD, "chase"), DISPLAY=session.display, QXGFX="GDI")
    answer(term, "480", "640")
    return term


def player_moves(session, window):
    session.tool("xdotool", "key", "6")
    # The player's disc (radius 20) crosses row 300 in one white run of about 40 pixels.
    row = [(x, 300) for x in range(640)]
    check(session.wait_for(lambda: longest_run(session.pixels(window, row), WHITE) >= 30, 3.0),
          '"6" makes the white player appear on row 300')


def close_requests_keep_the_window(session, term, window):
    session.close_window(window)
    session.tool("xdotool", "key", "alt+F4")
    time.sleep(0.3)
    check(term.proc.poll() is None, "the close button and Alt+F4 do not end the game")
    check(session.find_window(CLASS, (640, 480), timeout=1.0) == window,
          "the window stays after the close button and Alt+F4")


def pictures(session, window):
    check(session.wait_for(lambda: session.pixels(window, [(610, 50)]) == [GREEN_10]),
          "the goal picture's box shows in colour 10")
    # Each frame draws the box before the ellipse: the update thread may show either moment.
    check(session.wait_for(lambda: session.pixels(window, [(615, 40)]) == [WHITE]),
          "the goal picture's small ellipse shows in white")
    across = [(x, y) for y in range(0, 480, 4) for x in range(0, 640, 16)]
    check(session.wait_for(lambda: RED_12 in session.pixels(window, across)),
          "the balls show in light red")


def names_and_place(session, window):
    check(session.geometry(window) == (192, 144, 640, 480),
          "the 640 x 480 window is centred: %r" % (session.geometry(window),))
    names = session.tool("xprop", "-id", str(window), "WM_CLASS", "WM_NAME")
    check('"chase", "%s"' % CLASS in names and 'WM_NAME(STRING) = "chase"' in names,
          "the window is named after the program: %r" % names)
    # Only the GDI window fixes its size through the motif hints.
    check("_MOTIF_WM_HINTS" in session.tool("xprop", "-id", str(window), "_MOTIF_WM_HINTS")
          and "no such atom" not in session.tool("xprop", "-id", str(window), "_MOTIF_WM_HINTS"),
          "QXGFX=GDI selects the GDI driver")


def quit_ends(session, term):
    # A key typed during the explosion only shortens one of its pauses; the wait after it needs
    # another.
    code = None
    for _ in range(3):
        session.tool("xdotool", "key", "q")
        code = term.wait_exit(3.0)
        if code is not None:
            break
    check(code == 0, '"q" ends the game with exit code 0 (got %r)' % code)
    check(session.find_window(CLASS, timeout=0.5) is None, "the window goes with the game")
    check(term.terminal_restored(), "the terminal is back in its first mode")


def server_killed_mid_round():
    """The X server dies while the game runs: the game ends as a hang-up, says why on stderr
    and leaves its terminal as it found it."""
    with XvfbSession(BUILD, "1024x768x24") as session:
        term = start_game(session)
        throttle = Throttle(term.proc.pid)
        try:
            window = session.find_window(CLASS, (640, 480))
            check(window is not None, "the game's window is up before the server goes")
            session.server.kill()
            session.server.wait()
            throttle.stop()
            code = term.wait_exit()
            for _ in range(10):  # what it wrote last may still wait in the terminal
                term.read_for(0.1)
            check(code == -signal.SIGHUP, "a lost server ends the game as a hang-up (got %r)" % code)
            check(b"chase: the connection to the X server was lost" in term.output,
                  "the game says why it ended: %r" % term.output[-200:])
            check(term.terminal_restored(), "the terminal is back in its first mode")
        finally:
            throttle.stop()
            term.close()


def main():
    if not os.path.exists(os.path.join(BUILD, "chase")):
        print("missing chase in", BUILD)
        return 1
    with XvfbSession(BUILD, "1024x768x24") as session:
        term = start_game(session)
        throttle = Throttle(term.proc.pid)
        try:
            window = session.find_window(CLASS, (640, 480))
            if check(window is not None, "the game opens a 640 x 480 window of class " + CLASS):
                player_moves(session, window)
                close_requests_keep_the_window(session, term, window)
                pictures(session, window)
                names_and_place(session, window)
                throttle.stop()
                quit_ends(session, term)
        finally:
            throttle.stop()
            term.close()
    server_killed_mid_round()
    return check.result("chase window tests passed")


if __name__ == "__main__":
    sys.exit(main())
