"""chase with nobody at its console: input at its end, output nobody can take, a terminal
that cannot place its cursor, and keys typed before the first question."""
import os
import subprocess
import sys

from dialogue_test import CHASE, FIRST_LINE, SECOND_LINE, quits_on_q
from harness import TIMEOUT, Checks, Pty

check = Checks()


def run(stdin, stdout, **environment):
    env = dict(os.environ, QXGFX="Null", **environment)
    proc = subprocess.Popen([CHASE], stdin=stdin, stdout=stdout, stderr=subprocess.PIPE, env=env)
    try:
        out, err = proc.communicate(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        proc.kill()
        out, err = proc.communicate()
        return None, out, err
    return proc.returncode, out, err


def input_at_its_end():
    # Both answers read 0: no screen, and no key can ever come to the console game.
    code, out, err = run(subprocess.DEVNULL, subprocess.PIPE)
    check(code == 0, "stdin at its end ends the console game with 0 (got %r)" % code)
    # The dialogue and the blanks of one frame, not megabytes of them.
    check(b"Entrez la largeur \r\n" in out and len(out) < 1000,
          "the dialogue and one frame: %r" % out[-200:])
    check(err == b"", "nothing on stderr: %r" % err)


def output_nobody_takes():
    with open("/dev/full", "wb") as full:
        code, _, err = run(subprocess.DEVNULL, full)
    check(code == 1, "a full disk ends the game with 1 (got %r)" % code)
    check(err.startswith(b"chase: standard output cannot be written (No space left on device)"),
          "the game says why: %r" % err)
    reader, writer = os.pipe()
    os.close(reader)
    code, _, err = run(subprocess.DEVNULL, writer)
    os.close(writer)
    check(code == 1 and b"Broken pipe" in err, "a vanished reader ends the game: %r %r" % (code, err))


def dumb_terminal():
    """Text as it is, bytes unchanged, as on a pipe: no cursor moves, no colours."""
    term = Pty(CHASE, TERM="dumb")
    try:
        term.wait_output(b"Entrez la hauteur ")
        term.type("0\r")
        term.wait_output(b"Entrez la largeur ")
        term.type("0\r")
        quits_on_q(term, check, "the game on a dumb terminal")
        check(b"\x1b" not in term.output, "no escape sequence for a dumb terminal: %r" % term.output)
    finally:
        term.close()


class TypingAhead(Pty):
    """A terminal whose user types both answers before it answers the cursor query."""

    def answer_cursor_queries(self, chunk):
        if b"\x1b[6n" in chunk:
            self.type("480\r64")
        super().answer_cursor_queries(chunk)


def keys_typed_ahead():
    term = TypingAhead(CHASE)
    try:
        term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 480", "Entrez la largeur 64"])
        term.type("0\r")
        term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 480",
                          "Entrez la largeur 640"])
    except AssertionError as error:
        check(False, "keys typed before the first question are kept: %s" % error)
    finally:
        term.close()


def main():
    if not os.path.exists(CHASE):
        print("missing", CHASE)
        return 1
    input_at_its_end()
    output_nobody_takes()
    dumb_terminal()
    keys_typed_ahead()
    return check.result("unattended tests passed")


if __name__ == "__main__":
    sys.exit(main())
