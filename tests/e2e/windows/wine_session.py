"""Process tests of the Windows build under Wine. A session is a private Xvfb, a Wine prefix
of its own (hard links to a template prefix made once per build) and its own wineserver;
programs run on a tmux console or on pipes, and what shows is read back from the screen."""
import fcntl
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from harness import XvfbSession  # noqa: E402

import x11_client  # noqa: E402

FIRST_LINE = "R\u00e9solution de l'\u00e9cran :"
SECOND_LINE = "Fixe: H900 L1200  /  College: H750 / L1000 - 675 / 900"
TIMEOUT = 30.0
WINE_ENV = {"WINEARCH": "win64", "WINEDEBUG": "-all"}


class Checks:
    """Prints every check; the script fails when one did."""

    def __init__(self):
        self.failures = []

    def __call__(self, condition, what):
        print(("ok   " if condition else "FAIL ") + what, flush=True)
        if not condition:
            self.failures.append(what)
        return condition

    def result(self):
        print("%d check(s) failed" % len(self.failures) if self.failures else "all checks passed")
        return 1 if self.failures else 0


def template_prefix(build):
    """The prefix each session links from: scripts/test makes it; a bare ctest run makes it here,
    once, whichever test comes first."""
    template = os.environ.get("QX_WINE_TEMPLATE") or os.path.join(build, "wine-template")
    if os.path.exists(os.path.join(template, "system.reg")):
        return template
    with open(template + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(os.path.join(template, "system.reg")):
            env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
            env.update(WINE_ENV, WINEPREFIX=template)
            subprocess.run(["wineboot", "--init"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            subprocess.run(["wineserver", "-w"], env=env, timeout=60)
    return template


def link_prefix(template, prefix):
    # Wine never writes its DLLs, and replaces a registry hive by renaming a new file over it;
    # the hives are copied anyway, since they are small.
    shutil.copytree(template, prefix, symlinks=True, copy_function=os.link)
    for name in os.listdir(template):
        if name.endswith(".reg"):
            os.remove(os.path.join(prefix, name))
            shutil.copy2(os.path.join(template, name), prefix)


class WineSession(XvfbSession):
    def __init__(self, build, size="1024x768x24", options=()):
        super().__init__(os.path.abspath(build), size, options)
        self.work = None
        self.consoles = []

    def __enter__(self):
        template = template_prefix(self.build)
        super().__enter__()
        try:
            # Beside the template: hard links need the same file system.
            self.work = tempfile.mkdtemp(prefix="wine-session-", dir=os.path.dirname(template))
            self.prefix = os.path.join(self.work, "prefix")
            link_prefix(template, self.prefix)
            # One server for the session, with Wine's services started before the first test
            # program: a program's first wine would otherwise start them holding its pipes. It
            # outlives its programs by 30 s, so that a test killed on its time-out leaves none.
            subprocess.run(["wineserver", "-p30"], env=self.env(), timeout=30)
            subprocess.run(["wine", "cmd", "/c", "exit", "0"], env=self.env(),
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=120)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        for console in self.consoles:
            console.close()
        if self.work is not None:
            # -k ends this prefix's server and the programs it still runs; nothing else.
            subprocess.run(["wineserver", "-k"], env=self.env(), stderr=subprocess.DEVNULL,
                           timeout=30)
            subprocess.run(["wineserver", "-w"], env=self.env(), timeout=30)
        super().__exit__(*exc)
        if self.work is not None:
            shutil.rmtree(self.work, ignore_errors=True)

    def env(self, **extra):
        env = super().env()
        env.update(WINE_ENV, WINEPREFIX=self.prefix, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        env.pop("QXLOG", None)
        env.update(extra)
        return env

    def program(self, name):
        """A built exe by its path in the build: "chase", "tests/window_probe"."""
        return os.path.join(self.build, name + ".exe")

    def run(self, argv, input=b"", timeout=TIMEOUT, **extra):
        """Runs a program with its standard streams on pipes: (exit code, stdout, stderr); the
        code is None when it outlived the timeout."""
        child = subprocess.Popen(["wine", *argv], env=self.env(**extra), stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.children.append(child)
        try:
            out, err = child.communicate(input, timeout=timeout)
        except subprocess.TimeoutExpired:
            child.kill()
            out, err = child.communicate()
            return None, out, err
        return child.returncode, out, err

    def start(self, argv, **extra):
        return super().start(["wine", *argv], **extra)

    def console(self, argv, stderr_file=False, **extra):
        """argv on a console of its own; with stderr_file, its standard error goes to the file
        console.file("stderr") instead."""
        console = TmuxConsole(self, argv, self.env(**extra), stderr_file)
        self.consoles.append(console)
        return console

    def find_window(self, name, size=None, timeout=15.0, exclude=()):
        """The first mapped window titled name (and, when given, of size (width, height))."""
        return super().find_window(name, size, timeout, exclude, by="--name", step=0.2)

    def window_gone(self, window, timeout=10.0):
        return self.wait_for(lambda: str(window) not in self.tool(
            "xdotool", "search", "--onlyvisible", "--name", ".").split(), timeout)

    def pixels(self, window, points):
        return x11_client.pixels(self.display, window, points)

    def close_window(self, window):
        x11_client.close_request(self.display, window)

    def key(self, window, *keys):
        """Gives the window the focus, as a click would, and types the keys."""
        self.tool("xdotool", "windowfocus", str(window))
        time.sleep(0.2)
        self.tool("xdotool", "key", "--delay", "50", *keys)


class TmuxConsole:
    """A program on a tmux pane of 80 x 24, its console. A shell around it writes the terminal's
    mode before and after the program, and the program's exit status."""

    def __init__(self, session, argv, env, stderr_file=False, rows=24, columns=80):
        self.session = session
        self.folder = tempfile.mkdtemp(prefix="console-", dir=session.work)
        self.socket = os.path.join(self.folder, "tmux")
        config = os.path.join(self.folder, "tmux.conf")
        with open(config, "w") as f:
            f.write("set -g status off\nset -g remain-on-exit on\nset -g history-limit 0\n")
        self.file = lambda name: os.path.join(self.folder, name)
        # Ctrl+C reaches the whole foreground group: the shell waits it out and reports.
        command = " ".join(map(shlex.quote, argv))
        if stderr_file:
            command += " 2>" + shlex.quote(self.file("stderr"))
        script = ("trap : INT; stty -g >{before}; wine {command}; echo $? >{status}.new; "
                  "stty -g >{after}; mv {status}.new {status}").format(
            before=shlex.quote(self.file("before")), after=shlex.quote(self.file("after")),
            status=shlex.quote(self.file("status")), command=command)
        self.tmux("-f", config, "new-session", "-d", "-x", str(columns), "-y", str(rows),
                  "sh -c %s" % shlex.quote(script), env=env)
        self.started = time.monotonic()

    def tmux(self, *args, env=None):
        return subprocess.run(["tmux", "-u", "-S", self.socket, *args],
                              env=env or self.session.env(), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=30, text=True).stdout

    def screen(self):
        """The pane's rows, trailing blanks and tmux's notice of the program's end cut."""
        rows = [row.rstrip() for row in self.tmux("capture-pane", "-p").split("\n")
                if not row.startswith("Pane is dead")]
        while rows and not rows[-1]:
            rows.pop()
        return rows

    def wait_screen(self, rows, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while self.screen()[:len(rows)] != rows:
            if time.monotonic() > deadline:
                raise AssertionError("screen %r, wanted %r" % (self.screen(), rows))
            time.sleep(0.1)

    def shows(self, row, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while row not in self.screen():
            if time.monotonic() > deadline:
                return False
            time.sleep(0.1)
        return True

    def type(self, text):
        self.tmux("send-keys", "-l", "--", text)

    def keys(self, *names):
        """tmux key names: Enter, Left, DC (Delete), C-c, ..."""
        self.tmux("send-keys", *names)

    def status(self):
        """The exit status once the program has ended, else None."""
        try:
            with open(self.file("status")) as f:
                return int(f.read())
        except (OSError, ValueError):
            return None

    def wait_exit(self, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while self.status() is None and time.monotonic() < deadline:
            time.sleep(0.1)
        return self.status()

    def running_for(self, seconds):
        """Still running after seconds more."""
        time.sleep(seconds)
        return self.status() is None

    def mode_restored(self):
        try:
            with open(self.file("before")) as before, open(self.file("after")) as after:
                return before.read() == after.read()
        except OSError:
            return False

    def close(self):
        self.tmux("kill-server")
