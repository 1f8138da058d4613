"""A private desktop for one acceptance run: an X server, a window manager,
a session bus with the accessibility bus, and the loopback rates site.

Every process is started in a process group of its own and the whole group
is stopped when the run ends, whatever way it ends, so nothing outlives it.
"""

import os
import select
import shutil
import signal
import socket
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = (1024, 768)


class SetupError(RuntimeError):
    pass


def wait_for(check, timeout, what, interval=0.05):
    """Calls check until it returns something true and returns that; fails
    after timeout seconds naming what was awaited and the last answer."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = check()
        except Exception as error:  # the tree or a process may be in flux
            last = error
        else:
            if last:
                return last
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}; last seen: {last!r}")
        time.sleep(interval)


def wait_equal(read, expected, timeout, what, interval=0.05):
    """Polls read() until it gives expected; a time-out names the last value read."""
    seen = []

    def same():
        seen[:] = [read()]
        return seen[0] == expected
    try:
        return wait_for(same, timeout, f"{what} to be {expected!r}", interval)
    except AssertionError as error:
        last = repr(seen[0]) if seen else "nothing readable"
        raise AssertionError(f"{what}: expected {expected!r}, still {last} ({error})") from None


def exit_status(process, timeout):
    """The exit status of a Process, once it has ended."""
    def ended():
        code = process.popen.poll()
        return (code,) if code is not None else None
    return wait_for(ended, timeout, f"{process.name} to end")[0]


def read_line(fd, timeout):
    """One line from a pipe, or what came before the timeout or the end; closes fd."""
    data = b""
    deadline = time.monotonic() + timeout
    try:
        while not data.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                break
            chunk = os.read(fd, 256)
            if not chunk:
                break
            data += chunk
    finally:
        os.close(fd)
    return data.decode("utf-8", "replace").strip()


class Process:
    """A child in its own process group, logging to a file."""

    def __init__(self, name, argv, env, log_dir, **kwargs):
        self.name = name
        self.log_path = os.path.join(log_dir, f"{name}.log")
        self._log = open(self.log_path, "wb")
        self.popen = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=self._log,
                                      stderr=subprocess.STDOUT, start_new_session=True, **kwargs)

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def stop(self, grace=5.0):
        """Stops the whole group: the process and whatever it started."""
        if self._log.closed:
            return
        # Children of the group may outlive its leader (a bus daemon, a
        # service it activated): after a polite TERM, KILL what is left, so
        # no member survives the run.
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(self.popen.pid, sig)
            except ProcessLookupError:
                pass
            try:
                self.popen.wait(grace)
            except subprocess.TimeoutExpired:
                pass
        self._log.close()

    def log(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""


class Desktop:
    """Xvfb + a window manager (openbox or fluxbox) + a session bus with the
    accessibility bus, which Wine's programs go without; the program runs in
    the given locale."""

    def __init__(self, artifacts, name, window_manager="openbox", locale="en_US.UTF-8", accessibility=True):
        self.artifacts = artifacts
        self.name = name
        self.window_manager = window_manager
        self.locale = locale
        self.accessibility = accessibility
        self.work = tempfile.mkdtemp(prefix=f"quillon-acceptance-{name}-")
        self.processes = []
        self.env = None

    # -- start -----------------------------------------------------------

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _spawn(self, name, argv, env=None, **kwargs):
        process = Process(name, argv, env or self.env, self.work, **kwargs)
        self.processes.append(process)
        return process

    def _start(self):
        runtime = os.path.join(self.work, "runtime")
        os.mkdir(runtime, 0o700)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("DBUS_", "AT_SPI_", "QT_", "XDG_", "WAYLAND", "DISPLAY", "XAUTHORITY", "BROWSER",
                                    "DESKTOP_SESSION", "GNOME_", "KDE_"))}
        env["XDG_RUNTIME_DIR"] = runtime
        env.update(self._own_applications())
        self.env = env

        # Xvfb picks a free display itself and writes its number on the pipe.
        read_end, write_end = os.pipe()
        self._spawn("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        number = read_line(read_end, 30)
        if not number.isdigit():
            raise SetupError("Xvfb gave no display number:\n" + self.processes[-1].log())
        env["DISPLAY"] = ":" + number

        if self.accessibility:
            self._start_accessibility_bus()

        if self.window_manager == "fluxbox":
            # Its default configuration in a home of its own, less the
            # wallpaper, whose setter fails on Xvfb with a message window, and
            # the toolbar, which would change the work area at its own time.
            home = os.path.join(self.work, "fluxbox-home")
            os.makedirs(os.path.join(home, ".fluxbox"))
            with open(os.path.join(home, ".fluxbox", "overlay"), "w") as f:
                f.write("background: none\n")
            with open(os.path.join(home, ".fluxbox", "init"), "w") as f:
                f.write("session.configVersion: 13\nsession.styleOverlay: ~/.fluxbox/overlay\n"
                        "session.screen0.toolbar.visible: false\n")
            self._spawn("fluxbox", ["fluxbox"], env=dict(env, HOME=home))
        else:
            # The packaged configuration, not the user's: its theme and title
            # layout put the close box where the suite looks for it.
            self._spawn("openbox", ["openbox", "--config-file", "/etc/xdg/openbox/rc.xml", "--sm-disable"])
        wait_for(self._window_manager_running, 20, f"{self.window_manager} to manage the screen")

    def _own_applications(self):
        """Settings and applications of this desktop alone, with a stand-in
        browser that logs each address it is asked to open: a browser
        installed on the machine, or a user's own defaults, change no result."""
        config = os.path.join(self.work, "config")
        applications = os.path.join(self.work, "data", "applications")
        os.makedirs(config)
        os.makedirs(applications)
        self.browser_log = os.path.join(self.work, "browser.log")
        browser = os.path.join(self.work, "browser")
        with open(browser, "w") as f:
            f.write(f"#!/bin/sh\nprintf '%s\\n' \"$*\" >> '{self.browser_log}'\n")
        os.chmod(browser, 0o755)
        entry = "quillon-test-browser.desktop"
        with open(os.path.join(applications, entry), "w") as f:
            f.write(f"[Desktop Entry]\nType=Application\nName=Stand-in browser\nExec={browser} %u\n"
                    "MimeType=x-scheme-handler/http;x-scheme-handler/https;text/html;\n")
        with open(os.path.join(config, "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\n" + "".join(
                f"{kind}={entry}\n" for kind in ("x-scheme-handler/http", "x-scheme-handler/https", "text/html")))
        return {"XDG_CONFIG_HOME": config, "XDG_DATA_HOME": os.path.join(self.work, "data"),
                "XDG_DATA_DIRS": "/usr/local/share:/usr/share", "XDG_CONFIG_DIRS": "/etc/xdg", "BROWSER": browser}

    def opened_in_browser(self):
        """The addresses the stand-in browser was asked to open, in order."""
        try:
            with open(self.browser_log) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def _start_accessibility_bus(self):
        # The session bus prints its address on a pipe once it listens.
        read_end, write_end = os.pipe()
        self._spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                             f"--print-address={write_end}"], pass_fds=(write_end,))
        os.close(write_end)
        address = read_line(read_end, 30)
        if not address:
            raise SetupError("the session bus did not start:\n" + self.processes[-1].log())
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

        self._spawn("a11y-bus", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        wait_for(lambda: self._bus_has("org.a11y.Bus"), 20, "the accessibility bus launcher on the session bus")

    def _bus_has(self, name):
        result = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.NameHasOwner", f"string:{name}"],
            env=self.env, capture_output=True, text=True, timeout=10)
        return result.returncode == 0 and "boolean true" in result.stdout

    def _window_manager_running(self):
        result = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, capture_output=True,
                                text=True, timeout=10)
        return result.returncode == 0 and "window id" in result.stdout

    # -- services of the run ----------------------------------------------

    def start_site(self, site, page, extra=()):
        """Starts the rates site on a free loopback port; returns (process, url)."""
        port_file = os.path.join(self.work, "site-port")
        process = self._spawn("rates-site", [site, "--page", page, "--port", "0", "--port-file", port_file, *extra])

        def port():
            if not process.running():
                raise SetupError("the rates site stopped:\n" + process.log())
            with open(port_file) as f:
                return f.read().strip()

        number = wait_for(port, 20, "the rates site's port file")
        return process, f"http://127.0.0.1:{number}/cgi-bin/cgicalc.cgi?value=1&base=EUR"

    def closed_port_url(self):
        """A loopback address where nothing listens."""
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            number = s.getsockname()[1]
        return f"http://127.0.0.1:{number}/cgi-bin/cgicalc.cgi?value=1&base=EUR"

    def start_app(self, app, rates_url, path_first=None, extra_env=None):
        """Starts Quillon; extra_env may replace PATH and HOME too."""
        env = dict(self.env)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "LANG": self.locale,
            "LC_ALL": self.locale,
            "QUILLON_RATES_URL": rates_url,
        })
        if path_first:
            env["PATH"] = path_first + os.pathsep + env.get("PATH", "/usr/bin:/bin")
        if extra_env:
            env.update(extra_env)
        return self._spawn("quillon", [app], env=env)

    def run(self, argv, timeout=30):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=timeout)

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        result = self.run(["import", "-window", "root", path], timeout=60)
        if result.returncode != 0:
            print(f"screenshot failed: {result.stderr.strip()}")

    # -- stop ----------------------------------------------------------------

    def close(self):
        for process in reversed(self.processes):
            process.stop()
        os.makedirs(self.artifacts, exist_ok=True)
        with open(os.path.join(self.artifacts, f"{self.name}.log"), "w") as out:
            for process in self.processes:
                out.write(f"===== {process.name} (exit {process.popen.returncode})\n{process.log()}\n")
        self.processes = []
        shutil.rmtree(self.work, ignore_errors=True)
