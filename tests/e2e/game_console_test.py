"""chase in a terminal after the dialogue: on the Null driver no key can reach it, so signals
end it; with a refused size it runs on the console, where "q" ends it."""
import os
import signal
import sys
import time

from dialogue_test import CHASE, FIRST_LINE, SECOND_LINE, TIMEOUT, Pty, screen_of

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def answer(term, height, width):
    term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
    term.type(height + "\r")
    term.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur " + height, "Entrez la largeur"])
    term.type(width + "\r")


def shows_row(term, row, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while row not in screen_of(term.output):
        if time.monotonic() > deadline:
            return False
        term.read_for(0.1)
    return True


def keeps_running(term, seconds):
    for _ in range(int(seconds * 10)):
        term.read_for(0.1)
    return term.proc.poll() is None


def ended_by_signal(number, how):
    term = Pty()
    try:
        answer(term, "480", "640")
        check(keeps_running(term, 1.0), how + ": the game runs on the Null driver")
        term.type("q")  # nothing reads the terminal while a screen is open
        check(keeps_running(term, 0.5), how + ": a key typed in the terminal does not end it")
        if how == "Ctrl+C":
            term.type("\x03")
        else:
            os.kill(term.proc.pid, number)
        code = term.wait_exit()
        check(code == -number, "%s ends the game by its signal (got %r)" % (how, code))
        check(term.terminal_restored(), how + ": the terminal is back in its first mode")
    finally:
        term.close()


def refused_screen():
    term = Pty()
    try:
        answer(term, "abc", "abc")
        # The echo of the last answer comes when the program gets to it: wait for it, since
        # a loaded machine may take its time.
        check(shows_row(term, "Entrez la largeur abc"),
              "both answers stand on the console: %r" % screen_of(term.output))
        check(keeps_running(term, 1.0), "a refused size leaves the game running on the console")
        term.type("q")
        code = term.wait_exit()
        check(code == 0, "q typed in the terminal ends the console game with 0 (got %r)" % code)
        check(term.terminal_restored(), "the terminal is back in its first mode after q")
    finally:
        term.close()


def main():
    if not os.path.exists(CHASE):
        print("missing", CHASE)
        return 1
    ended_by_signal(signal.SIGTERM, "SIGTERM")
    ended_by_signal(signal.SIGINT, "Ctrl+C")
    refused_screen()
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("game console tests passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
