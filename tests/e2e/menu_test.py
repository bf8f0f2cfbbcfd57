"""The console menu example in a terminal (tmux, on a pty of its own): its colours reach the
terminal, a clear leaves nothing of the old text, the arrow keys move the choice, a number is
asked until one is typed; with TERM=dumb no escape sequence is written."""
import os
import pty
import select
import signal
import subprocess
import sys
import tempfile
import time

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
MENU = os.path.abspath(os.path.join(BUILD, "examples", "qx_menu"))
TIMEOUT = 20.0

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


class Tmux:
    """An 80x24 tmux server of our own, on its own socket, without a status line."""

    def __init__(self, command):
        self.socket = "qx-menu-%d" % os.getpid()
        self.config = tempfile.NamedTemporaryFile("w", suffix=".conf", delete=False)
        self.config.write("set -g status off\nset -g default-terminal screen\n")
        self.config.close()
        self.env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.env.pop("TMUX", None)
        self.server_pid = None
        self.run("new-session", "-d", "-s", "qx", "-x", "80", "-y", "24", command)
        self.server_pid = int(self.run("display-message", "-p", "-t", "qx", "#{pid}"))

    def run(self, *args):
        result = subprocess.run(["tmux", "-u", "-L", self.socket, "-f", self.config.name] +
                                list(args), env=self.env, capture_output=True, timeout=TIMEOUT)
        if result.returncode != 0:
            raise AssertionError("tmux %r: %r" % (args, result.stderr))
        return result.stdout.decode("utf-8", "replace")

    def screen(self, colours=False):
        """The pane's rows; with colours, as the escape sequences tmux would draw them with."""
        flags = ["-e"] if colours else []
        return self.run("capture-pane", "-p", *flags, "-t", "qx").split("\n")

    def keys(self, *keys):
        self.run("send-keys", "-t", "qx", *keys)

    def wait_for(self, text, gone=None):
        """True once `text` is on the screen (and, when given, `gone` no longer is)."""
        deadline = time.time() + TIMEOUT
        while time.time() < deadline:
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


def row_with(rows, text):
    return next((row for row in rows if text in row), "")


def menu_in_a_terminal():
    status = tempfile.NamedTemporaryFile("w", suffix=".status", delete=False)
    status.close()
    tmux = Tmux("%s; echo $? > %s; sleep 30" % (MENU, status.name))
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
    master, slave = pty.openpty()
    process = subprocess.Popen([MENU], stdin=slave, stdout=slave, stderr=slave,
                               env=dict(os.environ, TERM="dumb"))
    os.close(slave)
    output = b""
    try:
        deadline = time.time() + TIMEOUT
        sent = False
        while time.time() < deadline:
            ready, _, _ = select.select([master], [], [], 0.1)
            if master in ready:
                try:
                    chunk = os.read(master, 4096)
                except OSError:
                    break
                if not chunk:
                    break
                output += chunk
            if not sent and b"Quit" in output:
                os.write(master, b"q")
                sent = True
            if process.poll() is not None and not ready:
                break
        check(process.wait(timeout=TIMEOUT) == 0, "the dumb terminal's menu ends with 0")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        os.close(master)
    check(b"Say hello" in output and b"Bye." in output, "the text is written: %r" % output)
    check(b"\x1b" not in output, "TERM=dumb gets no escape sequence: %r" % output)


def main():
    menu_in_a_terminal()
    dumb_terminal_gets_no_sequences()
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("menu tests passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
