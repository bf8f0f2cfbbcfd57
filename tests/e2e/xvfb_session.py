"""Helpers for process-level tests under a private Xvfb: start it on a free display, run
programs with timeouts, find windows, read pixels back, and end only what was started."""
import os
import signal
import subprocess
import time


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
            self._end(server)
        raise RuntimeError("no Xvfb could be started")

    def __exit__(self, *exc):
        for child in self.children:
            self._end(child)
        if self.server is not None:
            self._end(self.server)
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
    def _end(process):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(timeout=5)

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

    def find_window(self, window_class, size=None, timeout=10.0, exclude=()):
        """The first mapped window whose WM_CLASS class is window_class (and, when given, whose
        size is (width, height)), or None."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.tool("xdotool", "search", "--onlyvisible", "--class", f"^{window_class}$").split()
            for window in map(int, found):
                if window in exclude:
                    continue
                try:
                    if size is None or tuple(self.geometry(window)[2:]) == tuple(size):
                        return window
                except (KeyError, ValueError):
                    continue  # gone meanwhile
            time.sleep(0.1)
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
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if predicate():
                return True
            time.sleep(0.1)
        return False
