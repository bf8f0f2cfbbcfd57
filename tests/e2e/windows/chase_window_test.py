"""chase.exe in a GDI window under Wine: answered 480 and 640 on its console, it opens a
640 x 480 window titled after it, shows the goal picture and the balls, moves the player on
"6", keeps its window on the close button and Alt+F4, and ends with 0 on "q" or "s".

At --fps 2000 the player moves 10 pixels a second and an idle player is caught after about a
minute: the checks have the time they need."""
import os
import sys

from wine_session import FIRST_LINE, SECOND_LINE, Checks, WineSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-windows"
GREEN_10, RED_12, WHITE = (0x55, 0xFF, 0x55), (0xFF, 0x55, 0x55), (0xFF, 0xFF, 0xFF)
check = Checks()


def start_game(session, qxgfx, fps="2000"):
    """The game on a console of its own, both questions answered: (console, window or None)."""
    console = session.console([session.program("chase"), "--fps", fps], QXGFX=qxgfx)
    console.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
    console.type("480")
    console.keys("Enter")
    console.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 480", "Entrez la largeur"])
    console.type("640")
    console.keys("Enter")
    return console, session.find_window("chase", (640, 480))


def goal_shows(session, window):
    return session.wait_for(lambda: session.pixels(window, [(610, 50)]) == [GREEN_10])


def longest_run(colours, wanted):
    best = run = 0
    for colour in colours:
        run = run + 1 if colour == wanted else 0
        best = max(best, run)
    return best


def quit_with(session, console, window, key):
    # A key typed during the explosion only shortens one of its pauses; the wait after it needs
    # another.
    code = None
    for _ in range(3):
        session.key(window, key)
        code = console.wait_exit(5.0)
        if code is not None:
            break
    return code


def pictures(session, window):
    check(goal_shows(session, window), "the goal picture's box shows in colour 10")
    # Each frame draws the box before the ellipse: the window may show either moment.
    check(session.wait_for(lambda: session.pixels(window, [(615, 40)]) == [WHITE]),
          "the goal picture's small ellipse shows in white")
    across = [(x, y) for y in range(0, 480, 4) for x in range(0, 640, 16)]
    check(session.wait_for(lambda: RED_12 in session.pixels(window, across)),
          "the balls show in light red")


def player_moves(session, window):
    session.key(window, "6")
    # The player's disc (radius 20) crosses row 300 in one white run of about 40 pixels.
    row = [(x, 300) for x in range(640)]
    check(session.wait_for(lambda: longest_run(session.pixels(window, row), WHITE) >= 30, 5.0),
          '"6" makes the white player appear on row 300')


def close_requests_keep_the_window(session, console, window):
    session.close_window(window)
    session.key(window, "alt+F4")
    check(console.running_for(0.5), "the close button and Alt+F4 do not end the game")
    check(session.find_window("chase", (640, 480), timeout=1.0) == window,
          "the window stays after the close button and Alt+F4")


def main():
    if not os.path.exists(os.path.join(BUILD, "chase.exe")):
        print("missing chase.exe in", BUILD)
        return 1
    with WineSession(BUILD) as session:
        console, window = start_game(session, "GDI")
        if check(window is not None, 'the game opens a 640 x 480 window titled "chase"'):
            pictures(session, window)
            player_moves(session, window)
            close_requests_keep_the_window(session, console, window)
            code = quit_with(session, console, window, "q")
            check(code == 0, '"q" ends the game with 0 (got %r)' % code)
            check(session.window_gone(window), "the window goes with the game")
            check(console.mode_restored(), "the terminal is back in its first mode")

        console, window = start_game(session, "GDI")
        if check(window is not None, "a second game opens its window"):
            code = quit_with(session, console, window, "s")
            check(code == 0, '"s" ends the game with 0 (got %r)' % code)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
