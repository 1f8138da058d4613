#!/usr/bin/python3
"""Runs one scenario against the built quillon.exe under Wine on a private X
server, as the Linux suite does against the Linux program, and keeps a
screenshot of its end state.

    win_acceptance.py --wine WINE --app QUILLON_EXE --reader WINDOW_STATE_EXE
                      --child CHILD_EXE --site RATES_SITE --page PAGE
                      --artifacts DIR SCENARIO
    win_acceptance.py --list

Input comes from xdotool; the windows are read by a small Windows program
(window_state.exe) that walks them with the window manager's own calls.
"""

import argparse
import codecs
import contextlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import xml.etree.ElementTree as ElementTree
from decimal import Decimal

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "acceptance"))

from acceptance import on_signal  # noqa: E402
from desktop import SCREEN, Desktop, exit_status, wait_equal, wait_for  # noqa: E402
from scenarios import (CANT_CONNECT, RATES_MISSING, STARTUP_HINT, Page, check, equal,  # noqa: E402
                       two_decimals)
from screen import Input  # noqa: E402

SYSINFO_MISSING = "System Information Is Unavailable At This Time"
TOOL_KEY = r"HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO"
FOLDER_KEY = r"HKLM\SOFTWARE\Microsoft\Shared Tools Location"
PAGE_TYPE_KEY = r"HKLM\Software\Classes\.htm"
PAGE_CLASS_KEY = r"HKLM\Software\Classes\QuillonTestPage"

SOURCE = os.path.join(HERE, "..", "..", "..")
FEED = os.path.join(SOURCE, "tests", "data", "eurofxref-daily-2023-12-29.xml")
RATES_VOCABULARY = "{http://www.ecb.int/vocabulary/2002-08-01/eurofxref}"

SCENARIOS = {}


def scenario(function):
    SCENARIOS[function.__name__] = function
    return function


class Window:
    """A form window or message box as window_state.exe read it."""

    def __init__(self, data):
        self.data = data
        self.title = data["title"]
        self.active = data["active"]
        self.controls = {c["name"]: c for c in data["controls"] if c["name"]}

    def __getitem__(self, name):
        return self.controls[name]

    def focused(self):
        return [c["name"] or c["text"] for c in self.data["controls"] if c["focused"]]

    def texts(self, window_class):
        return [c["text"] for c in self.data["controls"] if c["class"].lower() == window_class and c["text"]]


class Run:
    def __init__(self, world, args):
        self.world = world
        self.args = args
        self.page = Page(args.page)
        self.timeout = args.timeout
        self.input = Input(world)
        self.process = None
        self.record = os.path.join(world.work, "started.txt")
        self.env = dict(world.env, QUILLON_CHILD_MARK=self.windows_path(self.record))

    def wine(self, *argv, timeout=60, check_=True):
        # Output through files, not pipes: a Wine program may start the
        # prefix's helper processes, which keep a pipe open long after it ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run([self.args.wine, *argv], env=self.env, stdout=out, stderr=err,
                                  timeout=timeout).returncode
            out.seek(0)
            err.seek(0)
            if check_ and code != 0:
                raise RuntimeError(f"wine {' '.join(argv)} failed ({code}): {err.read().decode(errors='replace')}")
            return out.read().decode("utf-8", "replace") if code == 0 else None

    @staticmethod
    def windows_path(path):
        # Wine's Z: drive is the Unix root.
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    # -- the program ---------------------------------------------------------

    def start(self, rates_url=None, app=None, locale=None):
        if rates_url is None:
            _, rates_url = self.world.start_site(self.args.site, self.args.page)
        if locale:
            # Every Wine program of the run: one started in another locale
            # rewrites the user's locale settings in the registry, which
            # Quillon may read after it at start-up.
            self.env.update(LANG=locale, LC_ALL=locale)
        env = dict(self.env, QUILLON_RATES_URL=rates_url)
        self.process = self.world._spawn("quillon", [self.args.wine, app or self.args.app], env=env)
        main = self.wait(lambda: self.window("Quillon", active=True), "the main window to be active")
        return main

    def windows(self):
        if self.process and not self.process.running():
            raise AssertionError("Quillon ended:\n" + self.process.log())
        return [Window(w) for w in json.loads(self.wine(self.args.reader))]

    def window(self, title, active=False):
        found = [w for w in self.windows() if w.title == title and w.data["class"] == "QuillonForm"]
        return found[0] if found and (found[0].active or not active) else None

    def titles(self):
        return sorted(w.title for w in self.windows() if w.data["class"] == "QuillonForm")

    def boxes(self):
        return [w for w in self.windows() if w.data["class"] == "#32770"]

    def wait(self, check_, what):
        return wait_for(check_, self.timeout, what, interval=0.2)

    def wait_equal(self, read, expected, what):
        return wait_equal(read, expected, self.timeout, what, interval=0.2)

    def exit_status(self):
        return exit_status(self.process, self.timeout)

    # -- input -----------------------------------------------------------------

    def client_origin(self, window):
        """The X position of the form's client area: Wine's X window for it."""
        x, y, _, _ = window.data["client"]
        return x, y

    def click(self, window, name, dx=None, dy=None):
        x, y = self.client_origin(window)
        left, top, width, height = window[name]["rect"]
        self.input.click_at(x + left + (width // 2 if dx is None else dx), y + top + (height // 2 if dy is None else dy))

    def click_row(self, window, name, row):
        control = window[name]
        self.click(window, name, dy=2 + (row - control["topIndex"]) * control["itemHeight"] + control["itemHeight"] // 2)

    def box_says(self, text, owner="Quillon"):
        """Waits for the one message box, checks it, and presses its OK button with Enter."""
        box = self.wait(lambda: (self.boxes() or [None])[0], "a message box")
        equal(box.title, "Quillon", "the message box's title")
        equal(box.data["owner"], owner, "the message box's owner, the active window")
        check(text.replace("\r\n", "\n") in [t.replace("\r\n", "\n") for t in box.texts("static")],
              f"the message box does not say {text!r}: {box.texts('static')}")
        self.input.key("Return")
        self.wait(lambda: not self.boxes(), "the message box to close")

    def get_rates(self):
        main = self.window("Quillon")
        self.click(main, "cmdGet")
        self.wait_equal(lambda: self.window("Quillon")["lblCount"]["text"], "Rates for " + self.page.date,
                        "the status line")

    def started(self):
        """The started program's path and command line, from the record it renames into place."""
        def recorded():
            with open(self.record) as f:
                path, command, _ = f.read().splitlines()
            return path, command
        return self.wait(recorded, "the started program's record")

    def registry(self, *argv):
        self.wine("reg", *argv, "/f")

    @contextlib.contextmanager
    def registry_value(self, key, name, data, scope=None, restore=False):
        """Sets a value (the key's default when name is None) while the block
        runs; then the key (or scope) goes, or with restore the value there
        before, if any, comes back."""
        value = ("/v", name) if name else ("/ve",)
        before = self.wine("reg", "query", key, *value, check_=False) if restore else None
        self.registry("add", key, *value, "/d", data)
        try:
            yield
        finally:
            if before is None:
                self.registry("delete", scope or key)
            else:
                self.registry("add", key, *value, "/d", before.split("REG_SZ")[-1].strip())

    def has_key(self, key):
        return self.wine("reg", "query", key, check_=False) is not None


def snapshot(main):
    return {name: (main[name]["text"], main[name].get("items"), main[name].get("selected"), main[name].get("checked"))
            for name in ("lblCount", "lblValue", "txtAmount", "lstCurrency", "lstRate", "Option1", "Option2")}


# -- scenarios ------------------------------------------------------------------

@scenario
def startup(run):
    main = run.start()
    equal(run.titles(), ["Quillon"], "the open windows")
    x, y, width, height = main.data["client"]
    equal((width, height), (480, 344), "the client area in pixels")
    check(abs(x + width / 2 - SCREEN[0] / 2) <= 2 and 0 <= y + height / 2 - SCREEN[1] / 2 <= 32,
          f"the window is not centred: client area at {(x, y, width, height)}")
    equal(main["lblCount"]["text"], STARTUP_HINT, "the status line")
    check(main["Option1"]["checked"] and not main["Option2"]["checked"], "Option1 is not the chosen option")
    equal(main["txtAmount"]["text"], "1.00", "the amount")
    equal(main["lblValue"]["text"], "1.00", "the result line")
    equal((main["lstCurrency"]["items"], main["lstRate"]["items"]), ([], []), "the rate table")
    equal(main["lstSymbol"]["items"][:3], ["(USD)", "(AUD)", "(BRL)"], "the first currency symbols")
    equal(len(main["lstSymbol"]["items"]), 22, "the number of currency symbols")
    equal(main.focused(), ["cmdGet"], "the focused control")


@scenario
def get_rates(run):
    run.start()
    run.get_rates()
    main = run.window("Quillon")
    equal(main["lstCurrency"]["items"], run.page.names, "the currency list, in page order")
    equal(main["lstRate"]["items"], run.page.rates, "the rate list, in page order")
    equal((main["lstCurrency"]["selected"], main["lstRate"]["selected"]), (-1, -1), "the selections after a fetch")
    # A second fetch replaces the lists.
    run.get_rates()
    equal(run.window("Quillon")["lstCurrency"]["items"], run.page.names, "the currency list after a second fetch")


@scenario
def site_down(run):
    main = run.start(rates_url=run.world.closed_port_url())
    before = snapshot(main)
    run.click(main, "cmdGet")
    run.box_says(CANT_CONNECT)
    equal(snapshot(run.window("Quillon")), before, "the main window after the failed fetch")


@scenario
def convert(run):
    main = run.start()
    # The amount before any rates: the message, and the focus goes to Get.
    run.click(main, "txtAmount")
    run.box_says(RATES_MISSING)
    run.wait_equal(lambda: run.window("Quillon").focused(), ["cmdGet"], "the focused control")
    run.get_rates()
    name = "British Pound"
    rate = Decimal(run.page.rate_of(name))
    run.click_row(run.window("Quillon"), "lstCurrency", run.page.names.index(name))
    main = run.wait(lambda: (lambda w: w if w["lstCurrency"]["selected"] >= 0 else None)(run.window("Quillon")),
                    "a selected currency")
    equal(main["lstCurrency"]["items"][main["lstCurrency"]["selected"]], name, "the selected currency")
    equal(main["lblValue"]["text"], two_decimals(1 / rate) + "  Euros", "the result line for 1 pound")
    run.click(main, "txtAmount")
    run.input.key("End", "shift+Home")
    run.input.type("120")
    run.wait_equal(lambda: run.window("Quillon")["lblValue"]["text"], two_decimals(Decimal(120) / rate) + "  Euros",
                   "the result line into Euros")
    run.click(main, "Option2", dx=6)
    run.wait_equal(lambda: run.window("Quillon")["lblValue"]["text"], two_decimals(Decimal(120) * rate) + "  " + name,
                   "the result line out of Euros")
    check(not run.window("Quillon")["Option1"]["checked"], "Option1 stays chosen beside Option2")
    run.click(main, "txtAmount")
    run.input.key("End", "BackSpace", "BackSpace", "BackSpace")
    run.wait_equal(lambda: run.window("Quillon")["lblValue"]["text"], "0.00  " + name, "the result line")
    equal(run.boxes(), [], "message boxes after clearing the amount")


def feed_day(path):
    """The feed's first day as (code, rate) pairs, read with Python's own parser."""
    day = ElementTree.parse(path).getroot().find(f"{RATES_VOCABULARY}Cube/{RATES_VOCABULARY}Cube")
    return [(c.get("currency"), c.get("rate")) for c in day.findall(f"{RATES_VOCABULARY}Cube")]


def currency_names():
    """The generated name table, its C strings decoded: UTF-8 in octal escapes."""
    with open(os.path.join(SOURCE, "src", "rates", "currency_names.inc"), encoding="ascii") as f:
        rows = re.findall(r'\{"([A-Z]{3})", "((?:[^"\\]|\\.)*)"\}', f.read())
    return {code: codecs.decode(name, "unicode_escape").encode("latin-1").decode("utf-8") for code, name in rows}


@scenario
def feed(run):
    # The feed as the central bank publishes it, served on loopback by quillon_test_sites.
    sites = dict(item.split("=") for item in os.environ.get("QUILLON_SITES", "").split(";") if "=" in item)
    check("feed" in sites, "no feed site: run under quillon_test_sites")
    table = currency_names()
    expected = sorted((table.get(code, code), rate) for code, rate in feed_day(FEED))
    for locale, result in (("en_US.UTF-8", "1.00  Euros"), ("de_DE.UTF-8", "1,00  Euros")):
        main = run.start(rates_url=f"http://127.0.0.1:{sites['feed']}/eurofxref-daily.xml", locale=locale)
        run.click(main, "cmdGet")
        run.wait_equal(lambda: run.window("Quillon")["lblCount"]["text"], "Rates for Friday, 29 December 2023",
                       f"the status line in {locale}")
        main = run.window("Quillon")
        names, rates = main["lstCurrency"]["items"], main["lstRate"]["items"]
        equal((len(names), names[:1], rates[:1]), (30, ["US Dollar"], ["1.1050"]), f"the rows in {locale}")
        equal(sorted(zip(names, rates)), expected, f"every currency of the feed with its rate in {locale}")
        run.click_row(main, "lstCurrency", 0)
        run.click(main, "txtAmount")
        run.input.key("End", "shift+Home")
        run.input.type("1.1050")
        run.wait_equal(lambda: run.window("Quillon")["lblValue"]["text"], result, f"the result line in {locale}")
        run.click(main, "cmdClose")
        equal(run.exit_status(), 0, "Quillon's exit status")


def about_window(run):
    about = run.wait(lambda: run.window("About Quillon"), "the About window")
    labels = [c["text"] for c in about.controls.values()]
    check("Quillon" in labels and "Version 1.0.0" in labels, f"the About window's labels: {labels}")
    return about


@scenario
def about_twice(run):
    main = run.start()
    run.click(main, "cmdAbout")
    about_window(run)
    run.wait(lambda: run.window("About Quillon", active=True), "the About window to be active")
    # The main window's title bar, clear of the About window, brings it to the front.
    x, y = run.client_origin(main)
    run.input.click_at(x + 120, y - 8)
    run.wait(lambda: run.window("Quillon", active=True), "the main window to be active")
    run.click(main, "cmdAbout")
    run.wait(lambda: run.window("About Quillon", active=True), "the About window to come to the front again")
    equal(run.titles(), ["About Quillon", "Quillon"], "the open windows")
    run.input.key("alt+e")
    run.wait_equal(run.titles, ["Quillon"], "the open windows")


@scenario
def exit_with_about(run):
    main = run.start()
    run.click(main, "cmdAbout")
    about_window(run)
    run.click(main, "cmdClose")
    equal(run.exit_status(), 0, "Quillon's exit status")


@scenario
def codes(run):
    # Pages open with the test's child program in this prefix while the scenario runs.
    opener = f'"{run.windows_path(run.args.child)}" "%1"'
    with run.registry_value(PAGE_TYPE_KEY, None, "QuillonTestPage", restore=True), \
            run.registry_value(PAGE_CLASS_KEY + r"\shell\open\command", None, opener, scope=PAGE_CLASS_KEY):
        main = run.start()
        before = snapshot(main)
        run.click(main, "cmdCodes")
        _, command = run.started()
        page = run.windows_path(os.path.join(os.path.dirname(os.path.abspath(run.args.app)), "Codes.htm"))
        check(page.lower() in command.lower(), f"the page opened was not {page}: {command}")
        equal(snapshot(run.window("Quillon")), before, "the main window after Codes")


def press_system_info(run):
    main = run.start()
    run.click(main, "cmdAbout")
    run.click(about_window(run), "Command4")


@scenario
def system_info_path(run):
    with run.registry_value(TOOL_KEY, "PATH", run.windows_path(run.args.child)):
        press_system_info(run)
        program, _ = run.started()
        equal(program.lower(), run.windows_path(run.args.child).lower(), "the program started")


@scenario
def system_info_folder(run):
    folder = os.path.join(run.world.work, "msinfo")
    os.mkdir(folder)
    os.mkdir(os.path.join(folder, "Decoy"))
    shutil.copy(run.args.child, os.path.join(folder, "MSINFO32.EXE"))
    with run.registry_value(FOLDER_KEY, "MSINFO", run.windows_path(folder)):
        press_system_info(run)
        program, _ = run.started()
        equal(program.lower(), run.windows_path(os.path.join(folder, "MSINFO32.EXE")).lower(), "the program started")


@scenario
def system_info_missing(run):
    press_system_info(run)
    run.box_says(SYSINFO_MISSING, owner="About Quillon")
    check(not os.path.exists(run.record), "a program was started")
    equal(run.titles(), ["About Quillon", "Quillon"], "the open windows")


UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"
# Where Wine's menu builder would put desktop entries and icons of the real home.
HOME_MENUS = (".local/share/applications", ".local/share/icons", ".local/share/desktop-directories",
              ".config/menus", "Desktop")
# Windows Installer's own cache folder: every Windows system has it.
SYSTEM_FOLDERS = ("windows/Installer",)
# The internet library's per-user cookies, cache and history: the system
# makes them at the first download of whichever program, not the installer.
INTERNET_STATE = re.compile(r"users/[^/]+/AppData/(Local|Roaming)/Microsoft/Windows/"
                            r"(INetCookies|INetCache|History|Cookies)/")


def tree(top, parts=("",)):
    """Every folder and file below the given parts of top, relative to top."""
    found = set()
    for part in parts:
        for folder, dirs, files in os.walk(os.path.join(top, part)):
            found.update(os.path.relpath(os.path.join(folder, n), top) for n in dirs + files)
    return found


def prefix_and_home():
    drive = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    prefix = {p for p in tree(drive) - set(SYSTEM_FOLDERS) if not INTERNET_STATE.match(p)}
    return prefix, tree(os.path.expanduser("~"), HOME_MENUS)


def left_behind(before):
    after = prefix_and_home()
    return {"prefix": sorted(after[0] - before[0]), "home": sorted(after[1] - before[1])}


def run_installed(run, folder):
    main = run.start(app=os.path.join(folder, "quillon.exe"))
    equal(main.data["client"][2:], [480, 344], "the installed program's client area")
    run.get_rates()
    return main


@scenario
def installer(run):
    check(run.args.installer, "--installer names no installer")
    drive = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    folder = os.path.join(drive, "Program Files", "Quillon")
    shortcut = os.path.join(drive, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Quillon.lnk")
    before = prefix_and_home()
    check(not os.path.exists(folder) and not run.has_key(UNINSTALL_KEY), "Quillon is installed before the test")
    run.wine(run.args.installer, "/S", timeout=120)
    equal(sorted(os.listdir(folder)), ["Codes.htm", "quillon.exe", "uninstall.exe"], "the installed files")
    check(os.path.isfile(shortcut), f"no Start-menu shortcut at {shortcut}")
    check("Quillon" in run.wine("reg", "query", UNINSTALL_KEY, "/v", "DisplayName"), "no Add/Remove Programs entry")
    check("Brimlow 2000" in run.wine("reg", "query", UNINSTALL_KEY, "/v", "Publisher"), "no publisher in the entry")
    uninstaller = os.path.join(folder, "uninstall.exe")
    try:
        main = run_installed(run, folder)
        # While Quillon runs the uninstaller refuses. Run in place, it has
        # ended when the call returns; Wine passes on no exit status of its.
        run.wine(uninstaller, "/S", "_?=" + run.windows_path(folder), timeout=120, check_=False)
        equal(sorted(os.listdir(folder)), ["Codes.htm", "quillon.exe", "uninstall.exe"], "the files after the refusal")
        check(run.has_key(UNINSTALL_KEY), "the uninstaller removed its entry while Quillon was running")
        run.click(main, "cmdClose")
        equal(run.exit_status(), 0, "the installed program's exit status")
    finally:
        # The uninstaller runs from a copy of itself and returns at once.
        run.wine(uninstaller, "/S", timeout=120)
        run.wait_equal(lambda: os.path.exists(folder) or run.has_key(UNINSTALL_KEY), False,
                       "the installation to be removed")
    # The uninstaller's running copy goes at the next restart, as on Windows.
    run.wine("wineboot", "--restart", timeout=120)
    run.wait_equal(lambda: left_behind(before), {"prefix": [], "home": []}, "what the installation left behind")


@scenario
def installer_msi(run):
    check(run.args.msi, "--msi names no package")
    folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files", "Quillon")
    before = prefix_and_home()
    package = run.windows_path(run.args.msi)
    run.wine("msiexec", "/i", package, "/qn", timeout=120)
    equal(sorted(os.listdir(folder)), ["Codes.htm", "quillon.exe"], "the installed files")
    try:
        main = run_installed(run, folder)
        # While Quillon runs the removal fails and leaves the installation whole.
        refused = run.wine("msiexec", "/x", package, "/qn", timeout=120, check_=False)
        check(refused is None, "msiexec /x succeeded while Quillon was running")
        equal(sorted(os.listdir(folder)), ["Codes.htm", "quillon.exe"], "the files after the refusal")
        run.click(main, "cmdClose")
        equal(run.exit_status(), 0, "the installed program's exit status")
    finally:
        run.wine("msiexec", "/x", package, "/qn", timeout=120)
    run.wait_equal(lambda: left_behind(before), {"prefix": [], "home": []}, "what the installation left behind")


# -- the run ------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser()
    for option in ("wine", "app", "reader", "child", "site", "page", "artifacts", "installer", "msi"):
        parser.add_argument("--" + option)
    parser.add_argument("--timeout", type=float, default=40)
    parser.add_argument("--deadline", type=float, default=170)
    parser.add_argument("--list", action="store_true")
    parser.add_argument("scenario", nargs="?")
    args = parser.parse_args()
    if args.list:
        print("\n".join(SCENARIOS))
        return 0
    if args.scenario not in SCENARIOS:
        parser.error(f"unknown scenario {args.scenario!r}; --list names them")
    for option in ("wine", "app", "reader", "child", "site", "page", "artifacts"):
        if not getattr(args, option):
            parser.error(f"--{option} is required")
    for signal_number in (signal.SIGTERM, signal.SIGINT, signal.SIGALRM):
        signal.signal(signal_number, on_signal)
    signal.alarm(int(args.deadline))
    started = time.monotonic()
    with Desktop(args.artifacts, "windows-" + args.scenario, accessibility=False) as world:
        run = Run(world, args)
        try:
            SCENARIOS[args.scenario](run)
        except BaseException:
            traceback.print_exc()
            try:
                print("\nThe program's windows:\n" + json.dumps([w.data for w in run.windows()], indent=1))
            except Exception as error:  # the program may be gone
                print(f"\n(the windows could not be read: {error})")
            raise
        finally:
            world.screenshot(os.path.join(args.artifacts, f"windows-{args.scenario}.png"))
            # Every process of the prefix ends with the display it drew on,
            # so none is left for the next scenario's reader to wait for.
            subprocess.run([os.path.join(os.path.dirname(args.wine), "wineserver"), "-k"], timeout=60)
    print(f"{args.scenario}: passed in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
