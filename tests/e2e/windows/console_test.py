"""chase.exe on a console under Wine: the French dialogue in a terminal, edited as it is typed;
the same dialogue through pipes, in the program's own bytes; refused sizes leave the game on the
console, where "q" ends it; on the Null driver Ctrl+C ends it, the terminal as it was."""
import os
import sys

from wine_session import FIRST_LINE, SECOND_LINE, Checks, WineSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-windows"
check = Checks()


def dialogue_then_ctrl_c(session):
    console = session.console([session.program("chase")], QXGFX="null")
    console.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
    console.type("48")
    console.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 48"])
    console.type("0")
    console.keys("Enter")
    console.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 480", "Entrez la largeur"])
    console.type("6x")
    console.keys("Left", "Left", "Right")
    console.type("4")
    console.keys("DC")  # Left, Left, Right, 4, Delete: "64"
    console.type("0")
    console.keys("Enter")
    check(console.shows("Entrez la largeur 640"),
          "the dialogue asks both questions in French and edits the answers: %r"
          % console.screen())
    check(console.running_for(1.0), "the game runs on the Null driver after the answers")
    console.type("q")  # nothing reads the console while a screen is open
    check(console.running_for(0.5), "a key typed on the console does not end the Null game")
    console.keys("C-c")
    check(console.wait_exit() is not None, "Ctrl+C ends the game")
    check(console.mode_restored(), "after Ctrl+C the terminal is back in its first mode")


def refused_sizes(session):
    console = session.console([session.program("chase")])
    console.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
    console.type("abc")
    console.keys("Enter")
    console.type("-5")
    console.keys("Enter")
    check(console.shows("Entrez la largeur -5"), "both refused answers stand on the console")
    check(console.running_for(1.0), "refused sizes leave the game running on the console")
    console.type("q")
    code = console.wait_exit()
    check(code == 0, '"q" typed on the console ends the console game with 0 (got %r)' % code)
    check(console.mode_restored(), "the terminal is back in its first mode after q")


def piped(session):
    # Refused sizes keep the game on the console, where the end of the input ends it.
    expected = (b"R\xe9solution de l'\xe9cran :\r\n" + SECOND_LINE.encode() + b"\r\n"
                b"Entrez la hauteur abc\r\nEntrez la largeur -5\r\n")
    code, out, _ = session.run([session.program("chase")], b"abc\r\n-5\r\n", QXGFX="null")
    check(out.startswith(expected) and code == 0,
          "through pipes the dialogue goes out in Windows-1252 bytes with the answers read, "
          "and the end of the input ends the game with 0: %r %r" % (code, out[:160]))
    # Input at its end answers both questions with nothing: no screen, and no key can come.
    code, out, err = session.run([session.program("chase")], b"", QXGFX="null")
    check(code == 0 and b"Entrez la hauteur \r\nEntrez la largeur \r\n" in out and len(out) < 1000,
          "input at its end ends the console game after one frame with 0: %r %r"
          % (code, out[-120:]))
    check(err == b"", "nothing on stderr: %r" % err)


def main():
    if not os.path.exists(os.path.join(BUILD, "chase.exe")):
        print("missing chase.exe in", BUILD)
        return 1
    with WineSession(BUILD) as session:
        dialogue_then_ctrl_c(session)
        refused_sizes(session)
        piped(session)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
