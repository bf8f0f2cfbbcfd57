"""chase.exe's command line under Wine, as on Linux: --help and --version answer on standard
output; a bad argument is one line on standard error and exit status 2, before the console is
touched or a question asked; a paced game runs and quits like the unpaced one."""
import os
import sys

from wine_session import FIRST_LINE, SECOND_LINE, Checks, WineSession

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-windows"
BAD_ARGUMENTS = (["--fps"], ["--fps", "abc"], ["--fps", "-5"], ["--fps=10000001"],
                 ["--fps", "40000", "--fast"], ["480"])
check = Checks()


def lines(text):
    """Text lines; the C runtime ends each with CR LF on Windows."""
    return text.decode().replace("\r\n", "\n")


def help_and_version(session):
    code, out, err = session.run([session.program("chase"), "--help"], QXGFX="null")
    check(code == 0 and err == b"", "--help: exit 0, nothing on stderr (%r, %r)" % (code, err))
    for word in ("--fps N", "--version", "QXGFX", "8 2 4 6", "pause", "quit"):
        check(word in lines(out), "--help names %r" % word)
    code, out, err = session.run([session.program("chase"), "--version"], QXGFX="null")
    check((code, lines(out), err) == (0, "chase 0.3.0\n", b""),
          "--version prints 'chase 0.3.0': %r" % ((code, out, err),))


def bad_arguments(session):
    for arguments in BAD_ARGUMENTS:
        code, out, err = session.run([session.program("chase"), *arguments], QXGFX="null")
        text = lines(err).splitlines()
        check(code == 2 and out == b"" and len(text) == 1 and text[0].startswith("chase: ")
              and "--fps N" in text[0],
              "%r: status 2, one line on stderr naming the accepted form: %r %r %r"
              % (arguments, code, out, text))
    # In a terminal too, with standard error elsewhere: nothing reaches the console, its mode
    # stays.
    console = session.console([session.program("chase"), "--fps", "abc"], stderr_file=True,
                              QXGFX="null")
    code = console.wait_exit()
    check(code == 2 and console.mode_restored(), "on a console: status 2, mode untouched (%r)"
          % code)
    check(console.screen() == [], "nothing is written to the console: %r" % console.screen())


def paced_console_game(session):
    console = session.console([session.program("chase"), "--fps=40000"])
    console.wait_screen([FIRST_LINE, SECOND_LINE, "Entrez la hauteur"])
    for answer in ("abc", "abc"):
        console.type(answer)
        console.keys("Enter")
    check(console.shows("Entrez la largeur abc"), "the paced game asks both questions")
    check(console.running_for(1.0), "the paced game runs on the console")
    console.type("s")
    code = console.wait_exit()
    check(code == 0, '"s" ends the paced game with 0 (got %r)' % code)
    check(console.mode_restored(), "the terminal is back in its first mode after s")


def main():
    if not os.path.exists(os.path.join(BUILD, "chase.exe")):
        print("missing chase.exe in", BUILD)
        return 1
    with WineSession(BUILD) as session:
        help_and_version(session)
        bad_arguments(session)
        paced_console_game(session)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
