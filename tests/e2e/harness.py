"""What the process tests share: checks that let a script go on after a failure, programs on a
pty of their own (with the screen they draw), a private tmux server, report lines read from a
program, and a private Xvfb with window lookup and pixel reads. Every helper ends only what it
started, by its PID."""
import fcntl
import os
import pty
import re
import select
import signal
import struct
import subprocess
import tempfile
import termios
import time

TIMEOUT = 20.0
ROWS, COLUMNS = 24, 80
SEQUENCE = re.compile(rb"\x1b\[([?0-9;]*)([A-Za-z])")


class Checks:
    """check(condition, what): notes and prints a failure, returns condition; result() ends."""

    def __init__(self):
        self.failures = []

    def __call__(self, condition, what):
        if not condition:
            self.failures.append(what)
            print("FAIL:", what, flush=True)
        return condition

    def result(self, passed):
        """The script's exit status, after one line saying how it went."""
        print("%d failure(s)" % len(self.failures) if self.failures else passed, flush=True)
        return 1 if self.failures else 0


def wait_until(predicate, timeout=10.0, step=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return bool(predicate())


def end(process, timeout=5):
    """Ends process if it is still running (SIGTERM, then SIGKILL) and reaps it."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
    process.wait(timeout=timeout)


def kill(process):
    """Kills process by its PID if it is still running, and reaps it."""
    if process.poll() is None:
        os.kill(process.pid, signal.SIGKILL)
    process.wait()


def screen_of(output, rows=ROWS, columns=COLUMNS):
    """The terminal's rows after output: cursor moves, scrolling margins, text (UTF-8)."""
    screen = [[" "] * columns for _ in range(rows)]
    x = y = 0
    top, bottom = 0, rows - 1
    i = 0
    while i < len(output):
        match = SEQUENCE.match(output, i) if output[i] == 0x1B else None
        if match:
            params, final = match.group(1).decode(), match.group(2).decode()
            numbers = [int(p) if p.isdigit() else 0 for p in params.split(";")] if params else []
            if final == "H":
                y = max(1, numbers[0] if numbers else 1) - 1
                x = max(1, numbers[1] if len(numbers) > 1 else 1) - 1
            elif final == "r" and not params.startswith("?"):
                top = (numbers[0] - 1) if numbers else 0
                bottom = (numbers[1] - 1) if len(numbers) > 1 else rows - 1
            elif final == "S":
                for _ in range(numbers[0] if numbers else 1):
                    del screen[top]
                    screen.insert(bottom, [" "] * columns)
            i = match.end()
            continue
        byte = output[i]
        if byte == 0x0D:
            x = 0
        elif byte == 0x0A:
            y = min(y + 1, rows - 1)
        elif byte >= 0x20:
            length = 1 if byte < 0xC0 else 2 if byte < 0xE0 else 3 if byte < 0xF0 else 4
            char = output[i:i + length].decode("utf-8", "replace")
            if 0 <= y < rows and 0 <= x < columns:
                screen[y][x] = char
            x = min(x + 1, columns - 1)
            i += length
            continue
        i += 1
    return ["".join(row).rstrip() for row in screen]


def own_terminal():
    """In the child: a session of its own whose controlling terminal is the pty, as in a shell."""
    os.setsid()
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


def read_until(fd, wanted, timeout=TIMEOUT):
    """What fd gives until it holds wanted, with each cursor query answered (row 1, column 1)."""
    data = b""
    deadline = time.monotonic() + timeout
    while wanted not in data:
        if time.monotonic() > deadline:
            raise AssertionError("no %r in %r" % (wanted, data))
        ready, _, _ = select.select([fd], [], [], 0.1)
        if ready:
            chunk = os.read(fd, 4096)
            if b"\x1b[6n" in chunk:
                os.write(fd, b"\x1b[1;1R")
            data += chunk
    return data


class Pty:
    """A program on a pseudo-terminal of 24 x 80 as its controlling terminal, killed by PID if
    it outlives the test. Environment: UTF-8, TERM=xterm, QXGFX=Null unless given."""

    def __init__(self, program, arguments=(), **environment):
        self.master, self.slave = pty.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLUMNS, 0, 0))
        self.cooked = termios.tcgetattr(self.slave)
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", TERM="xterm", QXGFX="Null")
        env.update(environment)
        # Our own end of the slave stays open so that its mode can be read after the end.
        self.proc = subprocess.Popen([program, *arguments], stdin=self.slave, stdout=self.slave,
                                     stderr=self.slave, env=env, preexec_fn=own_terminal)
        self.output = b""

    def terminal_restored(self):
        return termios.tcgetattr(self.slave) == self.cooked

    def wait_screen(self, rows, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while screen_of(self.output)[:len(rows)] != rows:
            if time.monotonic() > deadline:
                raise AssertionError("screen %r, wanted %r" % (screen_of(self.output), rows))
            self.read_for(0.1)

    def wait_output(self, wanted, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while wanted not in self.output:
            if time.monotonic() > deadline:
                raise AssertionError("no %r in %r" % (wanted, self.output))
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

    def keeps_running(self, seconds):
        """Whether the program still runs after seconds, its output read meanwhile."""
        for _ in range(int(seconds * 10)):
            self.read_for(0.1)
        return self.proc.poll() is None

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
        code = self.proc.poll()
        # What the program wrote last may still wait in the terminal.
        while code is not None and select.select([self.master], [], [], 0)[0]:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                break
            if not chunk:
                break
            self.output += chunk
        return code

    def close(self):
        kill(self.proc)
        os.close(self.master)
        os.close(self.slave)


class Reports:
    """The lines a program writes on fd (a pipe), read as they come; the fds in drain are read
    and thrown away meanwhile, so that the program never blocks on them."""

    def __init__(self, fd, drain=()):
        self.fd, self.drain = fd, list(drain)
        self.pending = b""
        self.lines = []

    def read_until(self, predicate, timeout=TIMEOUT):
        """Reads until predicate(lines) holds, the stream ends or the time is up; the lines."""
        deadline = time.monotonic() + timeout
        while not predicate(self.lines) and time.monotonic() < deadline:
            ready, _, _ = select.select([self.fd] + self.drain, [], [], 0.1)
            for fd in self.drain:
                if fd in ready:
                    try:
                        os.read(fd, 4096)
                    except OSError:
                        pass
            if self.fd in ready:
                chunk = os.read(self.fd, 4096)
                if not chunk:
                    break
                self.pending += chunk
                *complete, self.pending = self.pending.split(b"\n")
                self.lines += [line.decode("latin-1") for line in complete]
        return self.lines

    def take(self, text, timeout=TIMEOUT):
        """Waits for the line text and forgets the lines up to it: True if it came."""
        found = text in self.read_until(lambda lines: text in lines, timeout)
        if found:
            del self.lines[:self.lines.index(text) + 1]
        return found


class Tmux:
    """A tmux server of our own, on its own socket, without a status line, running command in
    one pane of 80 x 24."""

    def __init__(self, command, name="qx"):
        self.socket = "qx-%s-%d" % (name, os.getpid())
        self.config = tempfile.NamedTemporaryFile("w", suffix=".conf", delete=False)
        self.config.write("set -g status off\nset -g default-terminal screen\n")
        self.config.close()
        self.env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.env.pop("TMUX", None)
        self.server_pid = None
        self.run("new-session", "-d", "-s", "qx", "-x", str(COLUMNS), "-y", str(ROWS), command)
        self.server_pid = int(self.run("display-message", "-p", "-t", "qx", "#{pid}"))

    def run(self, *args):
        result = subprocess.run(["tmux", "-u", "-L", self.socket, "-f", self.config.name] +
                                list(args), env=self.env, capture_output=True, timeout=TIMEOUT)
        if result.returncode != 0:
            raise AssertionError("tmux %r: %r" % (args, result.stderr))
        return result.stdout.decode("utf-8", "replace").strip("\n")

    def screen(self, colours=False):
        """The pane's rows; with colours, as the escape sequences tmux would draw them with."""
        flags = ["-e"] if colours else []
        lines = self.run("capture-pane", "-p", *flags, "-t", "qx").split("\n")
        return ([line.rstrip() for line in lines] + [""] * ROWS)[:ROWS]

    def cursor(self):
        x, y = self.run("display-message", "-p", "-t", "qx", "#{cursor_x},#{cursor_y}").split(",")
        return int(x), int(y)

    def keys(self, *keys):
        self.run("send-keys", "-t", "qx", *keys)

    def wait_for(self, text, gone=None):
        """True once text is on the screen (and, when given, gone no longer is)."""
        deadline = time.monotonic() + TIMEOUT
        while time.monotonic() < deadline:
            shown = "\n".join(self.screen())
            if text in shown and (gone is None or gone not in shown):
                return True
            time.sleep(0.05)
        print("screen:\n" + "\n".join(self.screen()), flush=True)
        return False

    def close(self):
        try:
            self.run("kill-server")
        except (AssertionError, subprocess.TimeoutExpired):
            pass
        if self.server_pid:
            try:
                os.kill(self.server_pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        os.unlink(self.config.name)


class XvfbSession:
    def __init__(self, build, size="640x480x24", options=()):
        self.build = build
        self.size = size
        self.options = list(options)
        self.server = None
        self.display = None
        self.children = []

    def __enter__(self):
        for number in range(91, 200):
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            # -noreset: by default the server resets when its last client leaves, and refuses
            # connections meanwhile; a program started right after one ended would find none.
            server = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", self.size, "-nolisten", "tcp", "-noreset"] +
                self.options,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if self._wait_ready(number, server):
                self.server, self.display = server, f":{number}"
                return self
            end(server)
        raise RuntimeError("no Xvfb could be started")

    def __exit__(self, *exc):
        for child in self.children:
            end(child)
        if self.server is not None:
            end(self.server)
            self._forget_killed_server()

    def _forget_killed_server(self):
        """A server killed outright leaves its lock and socket behind, which would keep its display
        number from later sessions. Only a lock naming our server is ours: once a server ends
        cleanly, another session may already hold the number. The socket goes first, so the
        number is never free while our socket remains."""
        number = self.display[1:]
        lock = f"/tmp/.X{number}-lock"
        try:
            with open(lock) as f:
                owner = int(f.read().strip() or 0)
        except (OSError, ValueError):
            return
        if owner != self.server.pid:
            return
        for path in (f"/tmp/.X11-unix/X{number}", lock):
            try:
                os.remove(path)
            except FileNotFoundError:
                pass

    @staticmethod
    def _wait_ready(number, server):
        for _ in range(100):
            if server.poll() is not None:
                return False
            probe = subprocess.run(["xdpyinfo", "-display", f":{number}"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=10)
            if probe.returncode == 0:
                return True
            time.sleep(0.1)
        return False

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display)
        env.pop("QXGFX", None)
        env.update(extra)
        return env

    def start(self, argv, **extra):
        """Starts a program with stdin closed and stdout captured; ended at session end."""
        child = subprocess.Popen(argv, env=self.env(**extra), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.children.append(child)
        return child

    def tool(self, *argv, timeout=10):
        result = subprocess.run(argv, env=self.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                timeout=timeout, text=True)
        return result.stdout

    def find_window(self, window_class, size=None, timeout=10.0, exclude=(), by="--class",
                    step=0.1):
        """The first mapped window whose WM_CLASS class is window_class (by="--name": whose
        title is) and, when given, whose size is (width, height); or None."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.tool("xdotool", "search", "--onlyvisible", by, f"^{window_class}$")
            for window in map(int, found.split()):
                if window in exclude:
                    continue
                try:
                    if size is None or tuple(self.geometry(window)[2:]) == tuple(size):
                        return window
                except (KeyError, ValueError):
                    continue  # gone meanwhile
            time.sleep(step)
        return None

    def close_window(self, window):
        """The window manager's close button: a WM_DELETE_WINDOW message."""
        self.tool(os.path.join(self.build, "tests", "x11_grab"), str(window), "close")

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        info = self.tool("xwininfo", "-id", str(window))
        fields = {}
        for line in info.splitlines():
            if ":" in line:
                key, value = line.split(":", 1)
                fields[key.strip()] = value.strip()
        return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                               "Width", "Height"))

    def pixels(self, window, points):
        """Colours (r, g, b) at the given window points."""
        argv = [os.path.join(self.build, "tests", "x11_grab"), str(window)]
        for x, y in points:
            argv += [str(x), str(y)]
        lines = self.tool(*argv).split()
        return [tuple(int(line[i:i + 2], 16) for i in (0, 2, 4)) for line in lines]

    def wait_for(self, predicate, timeout=10.0):
        return wait_until(predicate, timeout)
