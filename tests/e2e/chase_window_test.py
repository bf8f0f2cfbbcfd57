"""chase in a GDI window under Xvfb: answered 480 and 640 in its terminal, it opens a centred
640 x 480 window named after it, shows the goal picture and the balls, moves the player on
"6", keeps its window on the close button and Alt+F4, and ends with 0 on "q".

The game runs as fast as the machine allows and the chasers catch a still player within about
a second, so the checks that need a running game come first and wait only for what they see."""
import os
import sys
import time

from dialogue_test import FIRST_LINE, SECOND_LINE, Pty
from xvfb_session import XvfbSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
GREEN_10, RED_12, WHITE = (0x55, 0xFF, 0x55), (0xFF, 0x55, 0x55), (0xFF, 0xFF, 0xFF)
CLASS = "qxgfxclass_chase"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)
    return condition


def longest_run(colours, wanted):
    best = run = 0
    for colour in colours:
        run = run + 1 if colour == wanted else 0
        best = max(best, run)
    return best


def start_game(session):
    term = Pty(os.path.join(BUILD, "chase"), DISPLAY=session.display, QXGFX="GDI")
    term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
    term.type("480\r")
    term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 480", "Entrez la largeur"])
    term.type("640\r")
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
    # A "q" typed during the explosion's pauses may be read by them: type it again then.
    code = None
    for _ in range(3):
        session.tool("xdotool", "key", "q")
        code = term.wait_exit(3.0)
        if code is not None:
            break
    check(code == 0, '"q" ends the game with exit code 0 (got %r)' % code)
    check(session.find_window(CLASS, timeout=0.5) is None, "the window goes with the game")
    check(term.terminal_restored(), "the terminal is back in its first mode")


def main():
    if not os.path.exists(os.path.join(BUILD, "chase")):
        print("missing chase in", BUILD)
        return 1
    with XvfbSession(BUILD, "1024x768x24") as session:
        term = start_game(session)
        try:
            window = session.find_window(CLASS, (640, 480))
            if check(window is not None, "the game opens a 640 x 480 window of class " + CLASS):
                player_moves(session, window)
                close_requests_keep_the_window(session, term, window)
                pictures(session, window)
                names_and_place(session, window)
                quit_ends(session, term)
        finally:
            term.close()
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("chase window tests passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
