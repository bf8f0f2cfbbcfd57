"""The console runtime as a process: on a real terminal (tmux), redirected to a file or a
pipe, ended by signals on a pty, and ended through runtime_end."""
import fcntl
import os
import pty
import resource
import select
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time

from harness import TIMEOUT, Tmux, kill, read_until

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
DEMO = os.path.join(BUILD, "tests", "console_demo")


def no_core():
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def expected_screen():
    rows = ["line %d" % (k + 8) for k in range(24)]
    digits = "".join(str(i % 10) for i in range(100))
    rows[4], rows[5] = digits[:80], digits[80:]
    rows[7] = "a       b       c"
    # The view of rows 20 to 23 took v1..v6 over "line 27".."line 30" and scrolled three times.
    rows[19:23] = ["v4ne 30", "v5", "v6", ""]
    rows[23] = "bottom \u00e9t\u00e9 \u25ba\u20ac"
    return rows


def check_screen():
    """Wrapping, tabs, a full scroll, a partial view and the cursor on a real terminal."""
    tmux = Tmux("env LANG=C.UTF-8 LC_ALL=C.UTF-8 %s screen" % DEMO, "console")
    try:
        wanted = expected_screen()
        deadline = time.monotonic() + TIMEOUT
        while tmux.screen() != wanted or tmux.cursor() != (6, 2):
            if time.monotonic() > deadline:
                raise AssertionError("screen %r cursor %r, wanted %r" %
                                     (tmux.screen(), tmux.cursor(), wanted))
            time.sleep(0.1)
        tmux.keys("x")
    finally:
        tmux.close()


def check_redirect():
    """A, TAB, B and the line end reach a file as exactly those five bytes."""
    with tempfile.TemporaryFile() as out, open(os.devnull, "rb") as devnull:
        proc = subprocess.Popen([DEMO, "redirect"], stdin=devnull, stdout=out,
                                stderr=subprocess.DEVNULL)
        try:
            assert proc.wait(TIMEOUT) == 0
        finally:
            kill(proc)
        out.seek(0)
        data = out.read()
    assert data == b"A\tB\r\n", data


def check_signal_restores_terminal(signal_number):
    master, slave = pty.openpty()
    before = termios.tcgetattr(slave)
    proc = subprocess.Popen([DEMO, "wait"], stdin=slave, stdout=slave, stderr=slave,
                            start_new_session=True, preexec_fn=no_core)
    try:
        read_until(master, b"ready")
        taken = termios.tcgetattr(slave)
        assert not taken[3] & (termios.ICANON | termios.ECHO), "terminal not taken"
        assert taken[3] & termios.ISIG
        os.kill(proc.pid, signal_number)
        code = proc.wait(TIMEOUT)
        assert code == -signal_number, (signal_number, code)
        assert termios.tcgetattr(slave) == before, signal.Signals(signal_number).name
    finally:
        kill(proc)
        os.close(master)
        os.close(slave)


def check_ignored_signal_stays_ignored():
    """A hang-up that the starter ignores (as nohup does) does not end the run."""
    def ignore_hangup():
        signal.signal(signal.SIGHUP, signal.SIG_IGN)

    proc = subprocess.Popen([DEMO, "wait"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, preexec_fn=ignore_hangup)
    try:
        read_until(proc.stdout.fileno(), b"ready")
        os.kill(proc.pid, signal.SIGHUP)
        # The blocked read wakes for the pending signal before it can see the byte.
        os.write(proc.stdin.fileno(), b"x")
        read_until(proc.stdout.fileno(), b"alive")
        assert proc.poll() is None
    finally:
        kill(proc)
        proc.stdin.close()
        proc.stdout.close()


def check_normal_end_restores_terminal(answer):
    """Also when the terminal never answers the cursor query: the start does not hang."""
    master, slave = pty.openpty()
    before = termios.tcgetattr(slave)
    proc = subprocess.Popen([DEMO, "exit", "0"], stdin=slave, stdout=slave,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        deadline = time.monotonic() + TIMEOUT
        while proc.poll() is None and time.monotonic() < deadline:
            ready, _, _ = select.select([master], [], [], 0.1)
            if ready and b"\x1b[6n" in os.read(master, 4096) and answer:
                os.write(master, b"\x1b[1;1R")
        assert proc.wait(TIMEOUT) == 0
        assert termios.tcgetattr(slave) == before
    finally:
        kill(proc)
        os.close(master)
        os.close(slave)


def check_vanished_reader():
    """Output nobody can take (a pipe whose reader is gone, a full disk) ends the program with
    a message instead of a run that writes for nobody; so does a stdout closed from the start."""
    proc = subprocess.Popen([DEMO, "flood"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    try:
        os.read(proc.stdout.fileno(), 100)
        proc.stdout.close()
        _, err = proc.communicate(timeout=TIMEOUT)
        assert proc.returncode == 1, proc.returncode
        assert err.startswith(b"console_demo: standard output cannot be written"), err
        assert b"survived" not in err, err
    finally:
        kill(proc)
    with open("/dev/full", "wb") as full:
        proc = subprocess.Popen([DEMO, "flood"], stdin=subprocess.DEVNULL, stdout=full,
                                stderr=subprocess.PIPE)
    try:
        _, err = proc.communicate(timeout=TIMEOUT)
        assert proc.returncode == 1, proc.returncode
        assert b"No space left on device" in err, err
    finally:
        kill(proc)
    proc = subprocess.Popen([DEMO, "flood"], stdin=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            preexec_fn=lambda: os.close(1))
    try:
        _, err = proc.communicate(timeout=TIMEOUT)
        assert proc.returncode == 1, proc.returncode
        assert err == (b"console_demo: standard output cannot be written (Bad file descriptor);"
                       b" ending\n"), err
    finally:
        kill(proc)


def check_closed_stdout_keeps_its_slot():
    """With stdout closed, a file the program opens later must not receive console output."""
    with tempfile.NamedTemporaryFile(delete=False) as target:
        path = target.name
    try:
        proc = subprocess.Popen([DEMO, "open", path], stdin=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, preexec_fn=lambda: os.close(1))
        try:
            assert proc.wait(TIMEOUT) == 1  # its print could not be written
        finally:
            kill(proc)
        with open(path, "rb") as written:
            assert written.read() == b"", "console output reached an opened file"
    finally:
        os.unlink(path)


def check_size_and_resize():
    """A terminal of unknown size counts as 80x25; a resize is seen at the next refresh."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 0, 0, 0, 0))
    proc = subprocess.Popen([DEMO, "size"], stdin=slave, stdout=slave, stderr=slave,
                            start_new_session=True)
    try:
        read_until(master, b"size 80x25")
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 30, 100, 0, 0))
        os.kill(proc.pid, signal.SIGWINCH)
        os.write(master, b"x")
        read_until(master, b"size 100x30")
        assert proc.wait(TIMEOUT) == 0
    finally:
        kill(proc)
        os.close(master)
        os.close(slave)


def check_exit_code_and_handlers():
    proc = subprocess.Popen([DEMO, "exit", "3"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        _, err = proc.communicate(timeout=TIMEOUT)
        assert proc.returncode == 3, proc.returncode
        assert err == b"second\nfirst\n", err  # newest first
    finally:
        kill(proc)


def main():
    if not os.path.exists(DEMO):
        print("missing", DEMO)
        return 1
    check_redirect()
    check_exit_code_and_handlers()
    check_vanished_reader()
    check_closed_stdout_keeps_its_slot()
    check_size_and_resize()
    check_normal_end_restores_terminal(answer=True)
    check_normal_end_restores_terminal(answer=False)
    check_ignored_signal_stays_ignored()
    for signal_number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
        check_signal_restores_terminal(signal_number)
    check_screen()
    print("console ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
