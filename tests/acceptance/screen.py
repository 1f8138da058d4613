"""What a person sees and does: the program read through the accessibility
tree (as a screen reader reads it) and driven with real X input events."""

import ctypes
import os

from desktop import exit_status, wait_equal, wait_for

# Imported once the private session bus is in the environment: the library
# finds the accessibility bus through it.
pyatspi = None
Atspi = None


def load_accessibility(world):
    """Points this process at the desktop's buses, then loads the library."""
    global pyatspi, Atspi
    for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
        os.environ[key] = world.env[key]
    import pyatspi as _pyatspi
    from gi.repository import Atspi as _Atspi
    pyatspi, Atspi = _pyatspi, _Atspi


class Node:
    """One accessible object, read live: nothing is cached between reads."""

    def __init__(self, acc):
        self.acc = acc

    @property
    def role(self):
        return self.acc.getRoleName()

    @property
    def name(self):
        return self.acc.name or ""

    def children(self):
        out = []
        for i in range(self.acc.childCount):
            child = self.acc.getChildAtIndex(i)
            if child is not None:
                out.append(Node(child))
        return out

    def walk(self):
        yield self
        for child in self.children():
            yield from child.walk()

    def has(self, state):
        return self.acc.getState().contains(state)

    @property
    def showing(self):
        return self.has(pyatspi.STATE_SHOWING)

    @property
    def focused(self):
        return self.has(pyatspi.STATE_FOCUSED)

    @property
    def checked(self):
        return self.has(pyatspi.STATE_CHECKED)

    @property
    def selected(self):
        return self.has(pyatspi.STATE_SELECTED)

    @property
    def active(self):
        return self.has(pyatspi.STATE_ACTIVE)

    def text(self):
        """The Text interface's whole text (a text box's contents)."""
        text = self.acc.queryText()
        return text.getText(0, text.characterCount)

    def set_text(self, text):
        """Replaces the whole text as a screen reader or an automation tool does."""
        if not self.acc.queryEditableText().setTextContents(text):
            raise AssertionError(f"setTextContents({text!r}) was refused")

    def extents(self):
        e = self.acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def center(self):
        x, y, w, h = self.extents()
        return x + w // 2, y + h // 2

    def items(self):
        """A list's items, in order, whether shown or scrolled out of sight."""
        return [c.name for c in self.children() if c.role == "list item"]

    def selected_items(self):
        return [c.name for c in self.children() if c.role == "list item" and c.selected]

    def find_all(self, role=None, name=None):
        return [n for n in self.walk()
                if (role is None or n.role == role) and (name is None or n.name == name)]

    def find(self, role, name):
        found = self.find_all(role, name)
        if len(found) != 1:
            raise LookupError(f"expected one {role} named {name!r}, found {len(found)}")
        return found[0]

    @property
    def description(self):
        return self.acc.description or ""

    def describe(self, depth=0):
        """The subtree as text, for failure messages."""
        try:
            states = []
            for label, state in (("focused", "STATE_FOCUSED"), ("checked", "STATE_CHECKED"),
                                 ("selected", "STATE_SELECTED"), ("active", "STATE_ACTIVE")):
                if self.has(getattr(pyatspi, state)):
                    states.append(label)
            line = f"{'  ' * depth}{self.role} {self.name!r} {' '.join(states)}"
        except Exception as error:
            return f"{'  ' * depth}<gone: {error}>\n"
        out = line.rstrip() + "\n"
        for child in self.children():
            out += child.describe(depth + 1)
        return out


class Listener:
    """Accessibility events as a screen reader receives them: (kind, role of
    the source, the event's text, or else the source's name as it is when the
    event is delivered)."""

    def __init__(self, kinds):
        from gi.repository import GLib
        self._context = GLib.MainContext.default()
        self.heard = []
        self._kinds = kinds
        self._listener = Atspi.EventListener.new(self._on_event)
        for kind in kinds:
            self._listener.register(kind)

    def _on_event(self, event):
        try:
            role, name = event.source.get_role_name(), event.source.get_name()
        except Exception:  # the source may be gone already
            role, name = "", ""
        data = event.any_data
        if hasattr(data, "get_value"):
            data = data.get_value()
        text = data if isinstance(data, str) else name
        self.heard.append((event.type, role, text))

    def pump(self):
        """Delivers what has arrived; events come through the main loop."""
        while self._context.iteration(False):
            pass
        return self.heard

    def stop(self):
        for kind in self._kinds:
            self._listener.deregister(kind)
        self.pump()


class Program:
    """The running Quillon: its accessible application and its windows."""

    def __init__(self, desktop, process, timeout):
        self.desktop = desktop
        self.process = process
        self.timeout = timeout
        self.app = Node(wait_for(self._find_app, timeout, "Quillon on the accessibility bus"))

    def _find_app(self):
        if not self.process.running():
            raise AssertionError(f"Quillon ended with status {self.process.popen.returncode}:\n"
                                 + self.process.log())
        registry = pyatspi.Registry.getDesktop(0)
        for i in range(registry.childCount):
            app = registry.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.process.pid:
                # Every read asks the program: a cached name or state would hide a change.
                app.set_cache_mask(Atspi.Cache.NONE)
                return app
        return None

    # -- windows -------------------------------------------------------------

    def windows(self):
        """The program's top-level windows on the screen, message boxes included."""
        return [w for w in self.app.children() if w.showing]

    def window_names(self):
        return sorted(w.name for w in self.windows())

    def window(self, name, timeout=None):
        def one():
            found = [w for w in self.windows() if w.name == name and w.role != "alert"]
            if len(found) > 1:
                raise AssertionError(f"{len(found)} windows named {name!r} are open")
            return found[0] if found else None
        return wait_for(one, timeout or self.timeout, f"the window {name!r}")

    def alerts(self):
        return [w for w in self.windows() if w.role == "alert"]

    def alert(self, timeout=None):
        """The one message box on the screen, read as an alert."""
        def one():
            found = self.alerts()
            if len(found) > 1:
                raise AssertionError(f"{len(found)} message boxes are open")
            return found[0] if found else None
        return wait_for(one, timeout or self.timeout, "a message box")

    def wait(self, check, what, timeout=None):
        return wait_for(check, timeout or self.timeout, what)

    def wait_equal(self, read, expected, what, timeout=None):
        return wait_equal(read, expected, timeout or self.timeout, what)

    def exit_status(self, timeout=None):
        return exit_status(self.process, timeout or self.timeout)

    def tree(self):
        try:
            return self.app.describe()
        except Exception as error:
            return f"<no tree: {error}>"


class Input:
    """Real input events through the X test extension."""

    def __init__(self, desktop):
        self.desktop = desktop

    def _xdotool(self, *args):
        result = self.desktop.run(["xdotool", *[str(a) for a in args]])
        if result.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(map(str, args))} failed: {result.stderr.strip()}")
        return result.stdout

    def pointer(self):
        fields = dict(f.split(":") for f in self._xdotool("getmouselocation").split())
        return int(fields["x"]), int(fields["y"])

    def click_at(self, x, y, button=1):
        # A synchronous move waits for the pointer to move: not when it is there already.
        if self.pointer() != (x, y):
            self._xdotool("mousemove", "--sync", x, y)
        self._xdotool("click", button)

    def drag(self, start, end):
        """Presses the left button at start, moves to end and lets go there."""
        self._xdotool("mousemove", "--sync", *start)
        self._xdotool("mousedown", 1)
        self._xdotool("mousemove", "--sync", *end)
        self._xdotool("mouseup", 1)

    def ask_window_size(self, window, width, height):
        """Asks for a size, as another program may."""
        self._xdotool("windowsize", window, width, height)

    def click(self, node):
        x, y = node.center()
        self.click_at(x, y)

    def key(self, *keys):
        self._xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self._xdotool("type", "--delay", 30, text)

    def active_window_geometry(self):
        """The active window's frame: (x, y, width, height) from the window manager's extents."""
        window = self.active_window()
        geometry = self.desktop.run(["xwininfo", "-id", window]).stdout
        values = {}
        for line in geometry.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":")[1])
        extents = self.desktop.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"]).stdout
        left, right, top, bottom = (int(v) for v in extents.split("=")[1].split(","))
        return (values["Absolute upper-left X"] - left, values["Absolute upper-left Y"] - top,
                values["Width"] + left + right, values["Height"] + top + bottom, top)

    def move_over(self, node):
        """Moves the pointer onto the node and a pixel further, so it sees a move inside it."""
        x, y = node.center()
        self._xdotool("mousemove", "--sync", x, y)
        self._xdotool("mousemove", "--sync", x + 1, y)

    def active_window(self):
        # The window manager may not have published it yet.
        return wait_for(lambda: self._xdotool("getactivewindow").strip(), 10, "an active window")

    def work_area(self):
        """The part of the screen that panels leave to windows: (x, y, width, height)."""
        text = self.desktop.run(["xprop", "-root", "_NET_WORKAREA"]).stdout
        return tuple(int(v) for v in text.split("=", 1)[1].split(",")[:4])

    def _atoms(self, window, prop, prefix):
        """The atoms of a window's list property, less their prefix."""
        text = self.desktop.run(["xprop", "-id", window, prop]).stdout
        if "=" not in text:
            return set()
        return {a.strip().replace(prefix, "") for a in text.split("=", 1)[1].split(",") if a.strip()}

    def allowed_actions(self, window):
        """What the window manager lets the user do with the window."""
        return self._atoms(window, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_")

    def ask_window_manager(self, window, request):
        """Asks the window manager, as a pager or a title-bar button would, to
        "maximize" or "minimize" the window."""
        if request == "maximize":
            message, data = "_NET_WM_STATE", [1, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ", 1]
        else:
            message, data = "WM_CHANGE_STATE", [3]  # IconicState
        send_client_message(self.desktop.env["DISPLAY"], int(window), message, data)

    def window_state(self, window):
        return self._atoms(window, "_NET_WM_STATE", "_NET_WM_STATE_")

    def cursor(self):
        """The pointer's picture as the X server shows it: (width, height, hot x, hot y)."""
        return cursor_image(self.desktop.env["DISPLAY"])

    def click_close_box(self):
        """Clicks the close box at the right end of the active window's title bar."""
        x, y, width, _, top = self.active_window_geometry()
        # The theme's border (1) and padding (3) lie right of the square button,
        # which is as high as the title bar less its padding.
        button = top - 1 - 2 * 2
        self.click_at(x + width - 1 - 3 - button // 2, y + 1 + top // 2)


def _xlib():
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    return x11


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                ("pad", ctypes.c_long * 24)]  # the rest of the XEvent union


def send_client_message(display, window, message, data):
    """A client message to the root window about `window`; text items of data are atom names."""
    x11 = _xlib()
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError(f"cannot open display {display}")
    try:
        values = [x11.XInternAtom(dpy, d.encode(), 0) if isinstance(d, str) else d for d in data]
        event = _ClientMessage(type=33, send_event=1, display=dpy, window=window,  # ClientMessage
                               message_type=x11.XInternAtom(dpy, message.encode(), 0), format=32)
        for i, v in enumerate(values):
            event.data[i] = v
        mask = (1 << 19) | (1 << 20)  # SubstructureNotify | SubstructureRedirect
        if not x11.XSendEvent(dpy, x11.XDefaultRootWindow(dpy), 0, mask, ctypes.byref(event)):
            raise RuntimeError(f"XSendEvent {message} failed")
        x11.XFlush(dpy)
    finally:
        x11.XCloseDisplay(dpy)


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def cursor_image(display):
    """Reads the current cursor through the XFixes extension."""
    x11 = _xlib()
    xfixes = ctypes.CDLL("libXfixes.so.3")
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    xfixes.XFixesQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int)]
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError(f"cannot open display {display}")
    try:
        event, error = ctypes.c_int(), ctypes.c_int()
        if not xfixes.XFixesQueryExtension(dpy, ctypes.byref(event), ctypes.byref(error)):
            raise RuntimeError("the X server has no XFixes")
        image = xfixes.XFixesGetCursorImage(dpy)
        if not image:
            raise RuntimeError("XFixesGetCursorImage gave nothing")
        c = image.contents
        shape = (c.width, c.height, c.xhot, c.yhot)
        x11.XFree(image)
        return shape
    finally:
        x11.XCloseDisplay(dpy)
