"""What the Linux tests ask of their x11_grab helper, for windows that Wine puts on an X server:
pixels read back from a window, and the window manager's close request. Xlib through ctypes,
since the Windows build cannot build a Linux program."""
import ctypes

ZPIXMAP, ALL_PLANES, CLIENT_MESSAGE = 2, 0xFFFFFFFFFFFFFFFF, 33


class _ImageFunctions(ctypes.Structure):
    _fields_ = [(name, ctypes.c_void_p) for name in
                ("create_image", "destroy_image", "get_pixel", "put_pixel", "sub_image",
                 "add_pixel")]


class _Image(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("f", _ImageFunctions)]


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("padding", ctypes.c_long * 12)]  # XEvent: 24 longs


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_DESTROY_IMAGE = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(_Image))


def _ignore_error(display, event):
    return 0  # a window gone meanwhile reads as no pixels, not as the end of the test


_ignore = _ERROR_HANDLER(_ignore_error)
_x11 = None


def _library():
    global _x11
    if _x11 is None:
        _x11 = ctypes.CDLL("libX11.so.6")
        _x11.XOpenDisplay.restype = ctypes.c_void_p
        _x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        _x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        _x11.XGetImage.restype = ctypes.POINTER(_Image)
        _x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                   ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        _x11.XInternAtom.restype = ctypes.c_ulong
        _x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        _x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                    ctypes.c_void_p]
        _x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        _x11.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
        _x11.XSetErrorHandler(_ignore)
    return _x11


class _Connection:
    def __init__(self, display):
        self.x11 = _library()
        self.handle = self.x11.XOpenDisplay(display.encode())
        if not self.handle:
            raise RuntimeError("cannot open X display " + display)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.x11.XCloseDisplay(self.handle)


def _channel(value, mask):
    shift = (mask & -mask).bit_length() - 1
    return ((value & mask) >> shift) * 255 // (mask >> shift)


def pixels(display, window, points):
    """Colours (r, g, b) at the window's points, or [] when the window cannot be read."""
    if not points:
        return []
    left, top = min(x for x, _ in points), min(y for _, y in points)
    right, bottom = max(x for x, _ in points), max(y for _, y in points)
    with _Connection(display) as connection:
        image = connection.x11.XGetImage(connection.handle, window, left, top, right - left + 1,
                                         bottom - top + 1, ALL_PLANES, ZPIXMAP)
        if not image:
            return []
        try:
            picture = image.contents
            if picture.bits_per_pixel != 32:
                raise RuntimeError("a 24-bit screen is needed, got %d bits a pixel"
                                   % picture.bits_per_pixel)
            colours = []
            for x, y in points:
                offset = (y - top) * picture.bytes_per_line + (x - left) * 4
                value = int.from_bytes(bytes(picture.data[offset:offset + 4]),
                                       "big" if picture.byte_order else "little")
                colours.append((_channel(value, picture.red_mask),
                                _channel(value, picture.green_mask),
                                _channel(value, picture.blue_mask)))
            return colours
        finally:
            _DESTROY_IMAGE(picture.f.destroy_image)(image)


def close_request(display, window):
    """What a window manager's close button sends: WM_PROTOCOLS with WM_DELETE_WINDOW."""
    with _Connection(display) as connection:
        x11 = connection.x11
        message = _ClientMessage(type=CLIENT_MESSAGE, send_event=1, window=window, format=32)
        message.message_type = x11.XInternAtom(connection.handle, b"WM_PROTOCOLS", 0)
        message.data[0] = x11.XInternAtom(connection.handle, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(connection.handle, window, 0, 0, ctypes.byref(message))
        x11.XSync(connection.handle, 0)
