"""Real terminal emulators under a private Xvfb, for the Terminal driver's tests and the
README's pictures: start one on a command, type into it, and read its window's pixels back
(xwd, decoded here, so no imaging library is needed); pictures are written as PNG."""
import os
import shutil
import struct
import subprocess
import tempfile
import time
import zlib

FONT = "DejaVu Sans Mono"
COLUMNS, ROWS = 160, 50
# A light background of no colour the game uses: margins or cells left in it show.
BACKGROUND, BACKGROUND_NAME = (255, 255, 224), "#ffffe0"


class Shot:
    """A window's pixels, decoded as they are read."""

    def __init__(self, width, height, data, start, bytes_per_line, order, masks):
        self.width, self.height = width, height
        self.data, self.start, self.bytes_per_line = data, start, bytes_per_line
        self.format = order + "I"
        self.masks = masks
        self.shifts = [(m & -m).bit_length() - 1 for m in masks]

    def at(self, x, y):
        (value,) = struct.unpack_from(self.format, self.data,
                                      self.start + y * self.bytes_per_line + x * 4)
        return tuple((value & m) >> s for m, s in zip(self.masks, self.shifts))

    def points(self, left, top, right, bottom, step=2):
        """(x, y, colour) of every step-th pixel of the box, right and bottom excluded."""
        for y in range(max(top, 0), min(bottom, self.height), step):
            for x in range(max(left, 0), min(right, self.width), step):
                yield x, y, self.at(x, y)

    def png(self, path):
        rows = []
        for y in range(self.height):
            row = bytearray(b"\0")
            for x in range(self.width):
                row += bytes(self.at(x, y))
            rows.append(bytes(row))

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(
                ">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b""))


def read_xwd(data):
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    if bits_per_pixel != 32:
        raise ValueError("a %d-bit window" % bits_per_pixel)
    start = header_size + fields[19] * 12
    return Shot(width, height, data, start, bytes_per_line, "<" if byte_order == 0 else ">",
                fields[14:17])


def available(terminal):
    return shutil.which(terminal) is not None


class Terminal:
    """One terminal window on display, running command (a list) in a shell that stays after
    it, so that what it leaves can be seen. kind: "xterm" (VT340), "mlterm" or "kitty"."""

    def __init__(self, kind, display, command, environment, title="qx-term"):
        self.kind, self.display = kind, display
        self.folder = tempfile.mkdtemp(prefix="qx-real-term-")
        script = os.path.join(self.folder, "run.sh")
        with open(script, "w") as out:
            out.write("%s\necho EXIT=$?\nsleep 600\n" % " ".join(
                "'%s'" % part.replace("'", "'\\''") for part in command))
        env = dict(os.environ, DISPLAY=display, **environment)
        for name in ("QXGFX", "QXTERM", "QXTERM_COLORS", "TMUX", "KITTY_WINDOW_ID",
                     "TERM_PROGRAM", "COLORTERM", "VTE_VERSION"):
            if name not in environment:
                env.pop(name, None)
        geometry = "%dx%d+0+0" % (COLUMNS, ROWS)
        if kind == "xterm":
            argv = ["xterm", "-ti", "vt340", "-fa", FONT, "-fs", "8", "-bg", BACKGROUND_NAME, "-fg",
                    "black", "-b", "0", "-geometry", geometry, "-title", title, "-e", "sh",
                    script]
        elif kind == "mlterm":
            argv = ["mlterm", "--fontsize", "11", "-g", geometry, "--bg", BACKGROUND_NAME, "--fg",
                    "black", "--sb=false", "--title", title, "-e", "sh", script]
        else:
            env["LIBGL_ALWAYS_SOFTWARE"] = "1"
            argv = ["kitty", "--title", title, "-o", "font_family=" + FONT, "-o",
                    "font_size=8", "-o", "background=" + BACKGROUND_NAME, "-o", "foreground=#000000",
                    "-o", "initial_window_width=%dc" % COLUMNS, "-o",
                    "initial_window_height=%dc" % ROWS, "-o", "remember_window_size=no",
                    "-o", "enable_audio_bell=no", "-o", "placement_strategy=top-left",
                    "sh", script]
        self.process = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL,
                                        stderr=open(os.path.join(self.folder, "stderr"), "w"))
        self.window = None

    def find_window(self, timeout=20.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end and self.process.poll() is None:
            found = subprocess.run(["xdotool", "search", "--pid", str(self.process.pid)],
                                   capture_output=True, text=True,
                                   env=dict(os.environ, DISPLAY=self.display)).stdout.split()
            for window in reversed(found):
                size = self.window_size(window)
                if size and size[0] > 200 and size[1] > 200:
                    self.window = window
                    subprocess.run(["xdotool", "windowfocus", window], capture_output=True,
                                   env=dict(os.environ, DISPLAY=self.display))
                    return True
            time.sleep(0.2)
        return False

    def window_size(self, window):
        info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True,
                              env=dict(os.environ, DISPLAY=self.display)).stdout
        try:
            width = int(info.split("Width:")[1].split()[0])
            height = int(info.split("Height:")[1].split()[0])
        except (IndexError, ValueError):
            return None
        return width, height

    def type(self, *texts):
        env = dict(os.environ, DISPLAY=self.display)
        subprocess.run(["xdotool", "windowfocus", self.window], capture_output=True, env=env)
        for text in texts:
            if text.startswith("key:"):
                subprocess.run(["xdotool", "key", text[4:]], capture_output=True, env=env)
            else:
                subprocess.run(["xdotool", "type", "--delay", "30", text], capture_output=True,
                               env=env)

    def shot(self):
        # A window found before the server has mapped it cannot be read yet (xwd gives nothing):
        # on a loaded machine a terminal may take seconds to show it.
        end = time.monotonic() + 15
        while True:
            data = subprocess.run(["xwd", "-silent", "-id", self.window], capture_output=True,
                                  env=dict(os.environ, DISPLAY=self.display), timeout=20).stdout
            if len(data) >= 100 or time.monotonic() > end:
                break
            time.sleep(0.3)
        if len(data) < 100:
            raise RuntimeError("xwd could not read window %s: %r" % (self.window, data[:80]))
        return read_xwd(data)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=5)
        shutil.rmtree(self.folder, ignore_errors=True)
