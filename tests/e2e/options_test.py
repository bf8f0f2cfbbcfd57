"""chase's command line: --help and --version answer on standard output; a bad argument is
one line on standard error and exit status 2, before the terminal is touched or a question
asked; a paced game runs and quits like the unpaced one."""
import os
import pty
import select
import subprocess
import sys
import termios

from dialogue_test import CHASE, answer, quits_on_q
from harness import Checks, Pty, own_terminal, screen_of

check = Checks()
BAD_ARGUMENTS = (["--fps"], ["--fps", "abc"], ["--fps", "-5"], ["--fps=10000001"],
                 ["--fps", "40000", "--fast"], ["480"])


def run_piped(arguments):
    return subprocess.run([CHASE, *arguments], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, env=dict(os.environ, QXGFX="Null"), timeout=10)


def run_in_terminal(arguments):
    """chase with a pty as its terminal and standard error on a pipe: (exit status, what the
    terminal received, whether the terminal's mode is unchanged)."""
    master, slave = pty.openpty()
    try:
        mode = termios.tcgetattr(slave)
        proc = subprocess.Popen([CHASE, *arguments], stdin=slave, stdout=slave,
                                stderr=subprocess.DEVNULL, preexec_fn=own_terminal,
                                env=dict(os.environ, QXGFX="Null", TERM="xterm"))
        try:
            code = proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            code = "still running (a question asked?)"
        received = b""
        while select.select([master], [], [], 0.1)[0]:
            received += os.read(master, 4096)
        return code, received, termios.tcgetattr(slave) == mode
    finally:
        os.close(master)
        os.close(slave)


def help_and_version():
    result = run_piped(["--help"])
    text = result.stdout.decode()
    check(result.returncode == 0 and not result.stderr, "--help: exit 0, nothing on stderr")
    for word in ("--fps N", "--version", "QXGFX", "8 2 4 6", "pause", "quit"):
        check(word in text, "--help names %r: %r" % (word, text))
    result = run_piped(["--version"])
    check((result.returncode, result.stdout, result.stderr) == (0, b"chase 0.3.0\n", b""),
          "--version prints 'chase 0.3.0': %r" % (result,))


def bad_arguments():
    for arguments in BAD_ARGUMENTS:
        result = run_piped(arguments)
        lines = result.stderr.decode().splitlines()
        check(result.returncode == 2, "%r: exit status 2 (got %r)" % (arguments, result.returncode))
        check(result.stdout == b"", "%r: nothing on stdout: %r" % (arguments, result.stdout))
        check(len(lines) == 1 and lines[0].startswith("chase: ") and "--fps N" in lines[0],
              "%r: one line naming the accepted form: %r" % (arguments, lines))
        code, received, unchanged = run_in_terminal(arguments)
        check(code == 2, "%r in a terminal: exit status 2 (got %r)" % (arguments, code))
        check(received == b"", "%r: nothing written to the terminal: %r" % (arguments, received))
        check(unchanged, "%r: the terminal's mode is untouched" % (arguments,))


def paced_console_game():
    # A refused size leaves the game on the console, where "q" typed in the terminal ends it.
    term = Pty(CHASE, ["--fps=40000"])
    try:
        answer(term, "abc", "abc")
        check(term.keeps_running(1.0), "the paced game runs: %r" % screen_of(term.output))
        quits_on_q(term, check, "the paced game")
    finally:
        term.close()


def main():
    if not os.path.exists(CHASE):
        print("missing", CHASE)
        return 1
    help_and_version()
    bad_arguments()
    paced_console_game()
    return check.result("options tests passed")


if __name__ == "__main__":
    sys.exit(main())
