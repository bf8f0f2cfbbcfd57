"""The start-up dialogue of chase: in a terminal (pty) and through a pipe."""
import fcntl
import os
import pty
import re
import select
import signal
import struct
import subprocess
import sys
import termios
import time

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
CHASE = os.path.join(BUILD, "chase")
TIMEOUT = 20.0

FIRST_LINE = "R\u00e9solution de l'\u00e9cran :"
SECOND_LINE = "Fixe: H900 L1200  /  College: H750 / L1000 - 675 / 900"


ROWS, COLUMNS = 24, 80
SEQUENCE = re.compile(rb"\x1b\[([?0-9;]*)([A-Za-z])")


def screen_of(output):
    """The terminal's rows after output: cursor moves, scrolling margins, text (UTF-8)."""
    rows = [[" "] * COLUMNS for _ in range(ROWS)]
    x = y = 0
    top, bottom = 0, ROWS - 1
    text = output
    i = 0
    while i < len(text):
        match = SEQUENCE.match(text, i) if text[i] == 0x1B else None
        if match:
            params, final = match.group(1).decode(), match.group(2).decode()
            numbers = [int(p) if p.isdigit() else 0 for p in params.split(";")] if params else []
            if final == "H":
                y = max(1, numbers[0] if numbers else 1) - 1
                x = max(1, numbers[1] if len(numbers) > 1 else 1) - 1
            elif final == "r" and not params.startswith("?"):
                top = (numbers[0] - 1) if numbers else 0
                bottom = (numbers[1] - 1) if len(numbers) > 1 else ROWS - 1
            elif final == "S":
                for _ in range(numbers[0] if numbers else 1):
                    del rows[top]
                    rows.insert(bottom, [" "] * COLUMNS)
            i = match.end()
            continue
        byte = text[i]
        if byte == 0x0D:
            x = 0
        elif byte == 0x0A:
            y = min(y + 1, ROWS - 1)
        elif byte >= 0x20:
            length = 1 if byte < 0xC0 else 2 if byte < 0xE0 else 3 if byte < 0xF0 else 4
            char = text[i:i + length].decode("utf-8", "replace")
            if 0 <= y < ROWS and 0 <= x < COLUMNS:
                rows[y][x] = char
            x = min(x + 1, COLUMNS - 1)
            i += length
            continue
        i += 1
    return ["".join(row).rstrip() for row in rows]


def _own_terminal():
    """In the child: a session of its own whose controlling terminal is the pty, as in a shell."""
    os.setsid()
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


class Pty:
    """chase on a pseudo-terminal, killed by PID if it outlives the test."""

    def __init__(self, program=CHASE, arguments=(), **environment):
        self.master, self.slave = pty.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLUMNS, 0, 0))
        self.cooked = termios.tcgetattr(self.slave)
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", TERM="xterm", QXGFX="Null")
        env.update(environment)
        # Our own end of the slave stays open so that its mode can be read after the end.
        self.proc = subprocess.Popen([program, *arguments], stdin=self.slave, stdout=self.slave,
                                     stderr=self.slave, env=env, preexec_fn=_own_terminal)
        self.output = b""

    def terminal_restored(self):
        return termios.tcgetattr(self.slave) == self.cooked

    def wait_screen(self, rows, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while screen_of(self.output)[:len(rows)] != rows:
            if time.monotonic() > deadline:
                raise AssertionError("screen %r, wanted %r" % (screen_of(self.output), rows))
            self.read_for(0.1)

    def read_for(self, seconds):
        ready, _, _ = select.select([self.master], [], [], seconds)
        if ready:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                chunk = b""
            self.answer_cursor_queries(chunk)
            self.output += chunk

    def answer_cursor_queries(self, chunk):
        if b"\x1b[6n" in chunk:
            os.write(self.master, b"\x1b[1;1R")

    def type(self, text):
        os.write(self.master, text.encode("utf-8"))

    def wait_exit(self, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while self.proc.poll() is None and time.monotonic() < deadline:
            ready, _, _ = select.select([self.master], [], [], 0.1)
            if ready:
                try:
                    self.output += os.read(self.master, 4096)
                except OSError:
                    pass
        return self.proc.poll()

    def close(self):
        if self.proc.poll() is None:
            os.kill(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
        os.close(self.master)
        os.close(self.slave)


def check_terminal():
    term = Pty()
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
        term = Pty(**environment)
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
