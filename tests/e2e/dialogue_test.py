"""The start-up dialogue of chase: in a terminal (pty) and through a pipe."""
import os
import select
import signal
import subprocess
import sys
import time

from harness import TIMEOUT, Pty

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
CHASE = os.path.join(BUILD, "chase")

FIRST_LINE = "R\u00e9solution de l'\u00e9cran :"
SECOND_LINE = "Fixe: H900 L1200  /  College: H750 / L1000 - 675 / 900"


def answer(term, height, width):
    """Answers the two questions of the dialogue on term (a Pty running chase)."""
    term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
    term.type(height + "\r")
    term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur " + height, "Entrez la largeur"])
    term.type(width + "\r")


def quits_on_q(term, check, what):
    """Types q on term: it ends chase with 0 and gives the terminal back as it was."""
    term.type("q")
    code = term.wait_exit()
    check(code == 0, "q ends %s with 0 (got %r)" % (what, code))
    check(term.terminal_restored(), "%s: the terminal is back in its first mode after q" % what)


def check_terminal():
    term = Pty(CHASE)
    try:
        term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
        term.type("48")
        term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 48"])
        term.type("0\r")
        term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 480", "Entrez la largeur"])
        term.type("6x\x1b[D\x1b[D\x1b[C4\x1b[3~")  # Left, Left, Right, 4, Delete: "64"
        term.type("0\r")
        term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur 480",
                          "Entrez la largeur 640"])
        term.type("q")  # ends the game if it has started
        code = term.wait_exit(5.0)
        assert code in (None, 0), "exit code %r" % code
    finally:
        term.close()


def check_locale():
    # The locale's codeset decides, as the C library reads the variables: the accented letters go
    # out as UTF-8, or as the program's own bytes when the locale is not UTF-8 (also a UTF-8 name
    # that is not installed).
    cases = ((dict(LC_ALL="C"), b"R\xe9solution"),
             (dict(LC_ALL="", LC_CTYPE="C.utf8", LANG="C"), FIRST_LINE.encode()),
             (dict(LC_ALL="", LC_CTYPE="", LANG="xx_XX.UTF-8"), b"R\xe9solution"))
    for environment, wanted in cases:
        term = Pty(CHASE, **environment)
        try:
            deadline = time.monotonic() + TIMEOUT
            while b"hauteur" not in term.output and time.monotonic() < deadline:
                term.read_for(0.1)
            assert wanted in term.output, "%r: no %r in %r" % (environment, wanted, term.output)
        finally:
            term.close()


def run_piped(stdin_bytes, wanted):
    """chase with stdin_bytes on a pipe until its output holds wanted; (exit code, output)."""
    env = dict(os.environ, QXGFX="Null")
    proc = subprocess.Popen([CHASE], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, env=env, start_new_session=True)
    try:
        proc.stdin.write(stdin_bytes)
        proc.stdin.close()
        out = b""
        deadline = time.monotonic() + TIMEOUT
        while wanted not in out and time.monotonic() < deadline:
            ready, _, _ = select.select([proc.stdout], [], [], 0.2)
            if ready:
                chunk = os.read(proc.stdout.fileno(), 4096)
                if not chunk:
                    break
                out += chunk
        assert wanted in out, "no %r in %r for input %r" % (wanted, out, stdin_bytes)
        deadline = time.monotonic() + 5.0
        while proc.poll() is None and time.monotonic() < deadline:
            time.sleep(0.05)
        return proc.poll(), out
    finally:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()


def check_pipe():
    expected = (b"R\xe9solution de l'\xe9cran :\r\n" + SECOND_LINE.encode() + b"\r\n"
                b"Entrez la hauteur 480\r\nEntrez la largeur 640\r\n")
    code, out = run_piped(b"480\n640\nq", expected)
    assert out.startswith(expected), out
    assert code in (None, 0), code


def check_pipe_without_answers():
    # End of input in the middle of the dialogue ends each question as if Enter were pressed.
    cases = ((b"", b"Entrez la hauteur \r\nEntrez la largeur \r\n"),
             (b"480", b"Entrez la hauteur 480\r\nEntrez la largeur \r\n"),
             (b"abc\r\n12345678901234567890", b"Entrez la largeur 12345678901234567890\r\n"))
    for stdin_bytes, wanted in cases:
        code, _ = run_piped(stdin_bytes, wanted)
        assert code in (None, 0), (stdin_bytes, code)


def main():
    if not os.path.exists(CHASE):
        print("missing", CHASE)
        return 1
    check_pipe()
    check_pipe_without_answers()
    check_terminal()
    check_locale()
    print("dialogue ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
