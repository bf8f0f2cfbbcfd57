"""chase drawn in a terminal, with no X server: in a tmux pane of 160 x 50 cells, answered 480
and 640, QXGFX=terminal shows the goal picture's green at the top right and the red balls in
24-bit colour, "6" brings up the white player, and "q" ends with 0 and leaves the terminal as it
was (mode, cursor, main screen, mouse reporting). The same without QXGFX: the plain search
reaches the terminal when no X display is there. A probe screen half green, half red lies
centred with its proportions kept, and a mouse report in the terminal's cells comes back as the
framebuffer pixel under it. Ctrl+C and SIGTERM end the game as signals do and restore the
terminal too.

The game runs as fast as the machine allows, so while the checks run it is let run only a
tenth of the time (as in the window test)."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from chase_window_test import Throttle
from dialogue_test import FIRST_LINE
from harness import Checks

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
GREEN_10, RED_12 = (0x55, 0xFF, 0x55), (0xFF, 0x55, 0x55)
COLUMNS, ROWS = 160, 50
SGR = re.compile(r"\x1b\[([0-9;:]*)m")

check = Checks()


def cells_of(captured):
    """tmux capture-pane -e output as rows of (character, foreground, background)."""
    rows = []
    foreground = background = None
    for line in captured.split("\n"):
        row, at = [], 0
        for match in SGR.finditer(line + "\x1b[m"):
            row += [(c, foreground, background) for c in line[at:match.start()]]
            at = match.end()
            numbers = [int(n) if n else 0 for n in re.split("[;:]", match.group(1))]
            i = 0
            while i < len(numbers):
                n = numbers[i]
                if n in (38, 48) and i + 4 < len(numbers) + 0 and numbers[i + 1] == 2:
                    colour = tuple(numbers[i + 2:i + 5])
                    if n == 38:
                        foreground = colour
                    else:
                        background = colour
                    i += 5
                    continue
                if n == 0:
                    foreground = background = None
                elif n == 39:
                    foreground = None
                elif n == 49:
                    background = None
                i += 1
        rows.append(row)
    return rows


def near(colour, wanted, tolerance=48):
    return colour is not None and all(abs(a - b) <= tolerance for a, b in zip(colour, wanted))


def white(colour):
    return colour is not None and min(colour) >= 200


def found(rows, test, row_range=None, column_range=None):
    for y, row in enumerate(rows):
        if row_range and y not in row_range:
            continue
        for x, (character, foreground, background) in enumerate(row):
            if column_range and x not in column_range:
                continue
            # A cell shows its background, and its foreground where the symbol is not a space.
            if test(background) or (character != " " and test(foreground)):
                return True
    return False


class Tmux:
    started = 0

    def __init__(self, command, environment):
        # A server of its own each time: a killed one may still be going away.
        Tmux.started += 1
        self.socket = "qx-terminal-%d-%d" % (os.getpid(), Tmux.started)
        self.folder = tempfile.mkdtemp(prefix="qx-term-")
        script = os.path.join(self.folder, "run.sh")
        with open(script, "w") as out:
            # The shell outlives the game, so that what it left on the terminal can be read;
            # it keeps SIGINT from ending itself while the game ends on it.
            out.write("trap 'echo INT' INT\nstty -g > %s/before\n%s\necho EXIT=$?\n"
                      "stty -g > %s/after\nsleep 600\n" % (self.folder, command, self.folder))
        env = ["env", "-u", "DISPLAY", "-u", "QXGFX", "-u", "TMUX"] + [
            "%s=%s" % item for item in environment.items()]
        self.tmux("-f", "/dev/null", "new-session", "-d", "-s", "t", "-x", str(COLUMNS), "-y",
                  str(ROWS), " ".join(env + ["sh", script]))
        self.shell_pid = int(self.tmux("display-message", "-p", "-t", "t", "#{pane_pid}"))
        self.socket_path = self.tmux("display-message", "-p", "#{socket_path}")

    def tmux(self, *arguments):
        return subprocess.run(["tmux", "-L", self.socket] + list(arguments), check=True,
                              capture_output=True, text=True).stdout.strip()

    def keys(self, *keys):
        self.tmux("send-keys", "-t", "t", *keys)

    def text(self):
        return self.tmux("capture-pane", "-t", "t", "-p")

    def cells(self):
        return cells_of(subprocess.run(
            ["tmux", "-L", self.socket, "capture-pane", "-t", "t", "-p", "-e", "-N"],
            check=True, capture_output=True, text=True).stdout)

    def flag(self, name):
        return self.tmux("display-message", "-p", "-t", "t", "#{%s}" % name)

    def wait_for(self, condition, timeout=5.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if condition():
                return True
            time.sleep(0.05)
        return condition()

    def game_pid(self):
        try:
            with open("/proc/%d/task/%d/children" % (self.shell_pid, self.shell_pid)) as f:
                children = [int(pid) for pid in f.read().split()]
        except OSError:
            return None
        return children[0] if children else None

    def saved_modes(self):
        with open(os.path.join(self.folder, "before")) as before, \
                open(os.path.join(self.folder, "after")) as after:
            return before.read(), after.read()

    def close(self):
        subprocess.run(["tmux", "-L", self.socket, "kill-server"], capture_output=True)
        shutil.rmtree(self.folder, ignore_errors=True)
        try:
            os.remove(self.socket_path)
        except OSError:
            pass


def answer_questions(tmux):
    check(tmux.wait_for(lambda: "Entrez la hauteur" in tmux.text()), "the first question shows")
    tmux.first_title = tmux.flag("pane_title")
    tmux.keys("480", "Enter")
    check(tmux.wait_for(lambda: "Entrez la largeur" in tmux.text()), "the second question shows")
    tmux.keys("640", "Enter")
    check(tmux.wait_for(lambda: tmux.flag("alternate_on") == "1"),
          "the picture opens on the alternate screen")


def pictures(tmux):
    # The goal picture stands in the top right corner of the picture (133 x 50 cells at 13).
    check(tmux.wait_for(lambda: found(tmux.cells(), lambda c: near(c, GREEN_10), range(0, 10),
                                      range(120, 147))),
          "the goal picture's green shows at the top right")
    check(tmux.wait_for(lambda: found(tmux.cells(), lambda c: near(c, RED_12))),
          "the red balls show")
    check(tmux.flag("cursor_flag") == "0", "the cursor is hidden")
    check(tmux.flag("mouse_sgr_flag") == "1", "the mouse is reported in SGR form")
    check(tmux.flag("pane_title") == "chase", "the terminal's title is the program's")


def player_moves(tmux):
    tmux.keys("6")
    # The player's disc, on row 300 of 480 near the left, is white once it moves.
    check(tmux.wait_for(lambda: found(tmux.cells(), white, range(25, 38), range(13, 60))),
          '"6" makes the white player appear')


def quit_ends(tmux):
    # A key typed during the explosion only shortens one of its pauses.
    for _ in range(3):
        tmux.keys("q")
        if tmux.wait_for(lambda: "EXIT=" in tmux.text(), 3.0):
            break
    terminal_restored(tmux, "EXIT=0", '"q"')


def terminal_restored(tmux, exit_line, how):
    tmux.wait_for(lambda: "EXIT=" in tmux.text(), 3.0)
    text = tmux.text()
    check(exit_line in text, "%s ends the game with %s: %r" % (how, exit_line, text[-200:]))
    check(FIRST_LINE in text, "the main screen and the dialogue come back")
    check(tmux.flag("alternate_on") == "0", "the alternate screen is left")
    check(tmux.flag("cursor_flag") == "1", "the cursor shows again")
    check(tmux.flag("pane_title") == tmux.first_title, "the old title comes back")
    check(tmux.flag("mouse_any_flag") == "0" and tmux.flag("mouse_sgr_flag") == "0",
          "mouse reporting is off again")
    tmux.wait_for(lambda: os.path.exists(os.path.join(tmux.folder, "after")), 2.0)
    before, after = tmux.saved_modes()
    check(before == after, "the terminal's mode is as before")


def probe_layout_and_mouse(environment):
    tmux = Tmux(os.path.join(BUILD, "tests", "screen_probe") + " 640 480 8 0 20", environment)
    output = os.path.join(tmux.folder, "output")
    try:
        tmux.tmux("pipe-pane", "-t", "t", "-o", "cat > " + output)
        check(tmux.wait_for(lambda: tmux.flag("alternate_on") == "1"), "the probe's screen opens")
        # 640 x 480 in 160 x 50 cells twice as tall as wide: 133 x 50 cells from column 13.
        def halves():
            row = tmux.cells()[25]
            # tmux leaves out the blank cells at the end of a row.
            background = [row[x][2] if x < len(row) else None for x in range(COLUMNS)]
            return (background[5] in (None, (0, 0, 0)) and near(background[14], GREEN_10)
                    and near(background[78], GREEN_10) and near(background[80], RED_12)
                    and near(background[145], RED_12) and background[154] in (None, (0, 0, 0)))
        check(tmux.wait_for(halves), "the picture is centred in 133 of the 160 columns")
        tmux.keys("-l", "\x1b[<0;80;25M")  # the left button on column 80, row 25 (1-based)
        time.sleep(0.3)
        tmux.keys("x")
        check(tmux.wait_for(lambda: "EXIT=0" in tmux.text()), "a key ends the probe")
        with open(output, "rb") as out:
            sent = out.read()
        check(b"mouse 320 235" in sent, "the mouse report is the pixel under the cell: %r"
              % re.findall(rb"mouse [0-9]+ [0-9]+", sent))
    finally:
        tmux.close()


def signal_ends(environment, how):
    """Ctrl+C (the terminal's interrupt) or SIGTERM: the game ends as the signal says, and the
    terminal is restored all the same."""
    tmux = Tmux(os.path.join(BUILD, "chase"), environment)
    try:
        answer_questions(tmux)
        if how == "Ctrl+C":
            tmux.keys("C-c")
            terminal_restored(tmux, "EXIT=130", how)
        else:
            pid = tmux.game_pid()
            if check(pid is not None, "the game runs"):
                os.kill(pid, signal.SIGTERM)
                terminal_restored(tmux, "EXIT=143", how)
    finally:
        tmux.close()


def run(environment, full):
    tmux = Tmux(os.path.join(BUILD, "chase"), environment)
    throttle = None
    try:
        answer_questions(tmux)
        pid = tmux.game_pid()
        if check(pid is not None, "the game runs"):
            throttle = Throttle(pid)
            pictures(tmux)
            if full:
                player_moves(tmux)
            throttle.stop()
        quit_ends(tmux)
    finally:
        if throttle:
            throttle.stop()
        tmux.close()


def main():
    if not os.path.exists(os.path.join(BUILD, "chase")) or shutil.which("tmux") is None:
        print("missing chase in", BUILD, "or tmux")
        return 1
    colours = {"TERM": "xterm-256color", "COLORTERM": "truecolor"}
    run(dict(colours, QXGFX="terminal"), True)
    run(colours, False)  # the plain search reaches the terminal
    probe_layout_and_mouse(dict(colours, QXGFX="terminal"))
    signal_ends(dict(colours, QXGFX="terminal"), "Ctrl+C")
    signal_ends(dict(colours, QXGFX="terminal"), "SIGTERM")
    return check.result("terminal driver tests passed")


if __name__ == "__main__":
    sys.exit(main())
