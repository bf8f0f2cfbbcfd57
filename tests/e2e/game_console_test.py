"""chase in a terminal after the dialogue: on the Null driver no key can reach it, so signals
end it; with a refused size it runs on the console, where "q" ends it."""
import os
import signal
import sys
import time

from dialogue_test import CHASE, answer, quits_on_q
from harness import TIMEOUT, Checks, Pty, screen_of

check = Checks()


def shows_row(term, row, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while row not in screen_of(term.output):
        if time.monotonic() > deadline:
            return False
        term.read_for(0.1)
    return True


def ended_by_signal(number, how):
    term = Pty(CHASE)
    try:
        answer(term, "480", "640")
        check(term.keeps_running(1.0), how + ": the game runs on the Null driver")
        term.type("q")  # nothing reads the terminal while a screen is open
        check(term.keeps_running(0.5), how + ": a key typed in the terminal does not end it")
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
    term = Pty(CHASE)
    try:
        answer(term, "abc", "abc")
        # The echo of the last answer comes when the program gets to it: wait for it, since
        # a loaded machine may take its time.
        check(shows_row(term, "Entrez la largeur abc"),
              "both answers stand on the console: %r" % screen_of(term.output))
        check(term.keeps_running(1.0), "a refused size leaves the game running on the console")
        quits_on_q(term, check, "the console game")
    finally:
        term.close()


def main():
    if not os.path.exists(CHASE):
        print("missing", CHASE)
        return 1
    ended_by_signal(signal.SIGTERM, "SIGTERM")
    ended_by_signal(signal.SIGINT, "Ctrl+C")
    refused_screen()
    return check.result("game console tests passed")


if __name__ == "__main__":
    sys.exit(main())
