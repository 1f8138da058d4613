"""What a person sees and does: the program read through the accessibility
tree (as a screen reader reads it) and driven with real X input events."""

from desktop import wait_for

# Imported once the private session bus is in the environment: the library
# finds the accessibility bus through it.
pyatspi = None
Atspi = None


def load_accessibility():
    global pyatspi, Atspi
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
        """Polls read() until it gives expected; a time-out names the last value read."""
        seen = []

        def same():
            seen[:] = [read()]
            return seen[0] == expected
        try:
            return self.wait(same, f"{what} to be {expected!r}", timeout)
        except AssertionError as error:
            last = repr(seen[0]) if seen else "nothing readable"
            raise AssertionError(f"{what}: expected {expected!r}, still {last} ({error})") from None

    def exit_status(self, timeout=None):
        def ended():
            code = self.process.popen.poll()
            return (code,) if code is not None else None
        return wait_for(ended, timeout or self.timeout, "Quillon to end")[0]

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

    def click(self, node):
        x, y = node.center()
        self.click_at(x, y)

    def key(self, *keys):
        self._xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self._xdotool("type", "--delay", 30, text)

    def active_window_geometry(self):
        """The active window's frame: (x, y, width, height) from the window manager's extents."""
        window = self._xdotool("getactivewindow").strip()
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

    def click_close_box(self):
        """Clicks the close box at the right end of the active window's title bar."""
        x, y, width, _, top = self.active_window_geometry()
        # The theme's border (1) and padding (3) lie right of the square button,
        # which is as high as the title bar less its padding.
        button = top - 1 - 2 * 2
        self.click_at(x + width - 1 - 3 - button // 2, y + 1 + top // 2)
