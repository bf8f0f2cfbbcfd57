"""The console menu example in a terminal (tmux, on a pty of its own): its colours reach the
terminal, a clear leaves nothing of the old text, the arrow keys move the choice, a number is
asked until one is typed; with TERM=dumb no escape sequence is written."""
import os
import sys
import tempfile
import time

from harness import TIMEOUT, Checks, Pty, Tmux

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
MENU = os.path.abspath(os.path.join(BUILD, "examples", "qx_menu"))

check = Checks()


def row_with(rows, text):
    return next((row for row in rows if text in row), "")


def menu_in_a_terminal():
    status = tempfile.NamedTemporaryFile("w", suffix=".status", delete=False)
    status.close()
    tmux = Tmux("%s; echo $? > %s; sleep 30" % (MENU, status.name), "menu")
    try:
        check(tmux.wait_for("Say hello"), "the menu is shown")
        coloured = tmux.screen(colours=True)
        # Black on cyan for the chosen item, white on blue for the others, yellow for the title.
        chosen = row_with(coloured, "> Say hello")
        other = row_with(coloured, "Pick a number")
        check("\x1b[" in chosen and "46m" in chosen and "30m" in chosen,
              "the chosen item in black on cyan: %r" % chosen)
        check("44m" in other and ("97m" in other or "1m" in other),
              "the other items in white on blue: %r" % other)
        check("33m" in row_with(coloured, "QX menu") or "93m" in row_with(coloured, "QX menu"),
              "the title in yellow")

        tmux.keys("Down")
        check(tmux.wait_for("> Pick a number"), "Down moves the choice")
        check("46m" in row_with(tmux.screen(colours=True), "> Pick a number"),
              "the new choice is coloured")
        tmux.keys("Up")
        check(tmux.wait_for("> Say hello"), "Up moves it back")
        tmux.keys("Enter")
        check(tmux.wait_for("Hello!", gone="Say hello"), "the clear takes the menu away")
        check("Pick a number" not in "\n".join(tmux.screen()), "nothing of the menu is left")
        tmux.keys("x")
        check(tmux.wait_for("> Say hello", gone="Hello!"), "back to the menu after a key")

        tmux.keys("Down", "Enter")
        check(tmux.wait_for("A number from 1 to 100:", gone="Say hello"), "the number is asked")
        tmux.keys("abc", "Enter")
        check(tmux.wait_for("Not a number."), "letters are not a number")
        tmux.keys("500", "Enter")
        check(tmux.wait_for("Not from 1 to 100."), "a number out of range is refused")
        tmux.keys("42", "Enter")
        check(tmux.wait_for("You picked 42."), "a number in range is taken")
        tmux.keys("x")
        check(tmux.wait_for("> Pick a number", gone="You picked"), "back to the menu")

        tmux.keys("Escape")
        check(tmux.wait_for("Bye.", gone="Pick a number"), "Escape ends with a clear")
        deadline = time.time() + TIMEOUT
        code = ""
        while not code and time.time() < deadline:
            with open(status.name) as f:
                code = f.read().strip()
            time.sleep(0.05)
        check(code == "0", "exit code 0 (got %r)" % code)
    finally:
        tmux.close()
        os.unlink(status.name)


def dumb_terminal_gets_no_sequences():
    term = Pty(MENU, TERM="dumb")
    try:
        term.wait_output(b"Quit")
        term.type("q")
        check(term.wait_exit() == 0, "the dumb terminal's menu ends with 0")
        output = term.output
    finally:
        term.close()
    check(b"Say hello" in output and b"Bye." in output, "the text is written: %r" % output)
    check(b"\x1b" not in output, "TERM=dumb gets no escape sequence: %r" % output)


def main():
    menu_in_a_terminal()
    dumb_terminal_gets_no_sequences()
    return check.result("menu tests passed")


if __name__ == "__main__":
    sys.exit(main())
