"""The scenarios: what a person does with Quillon and what the windows must
show afterwards, read as a screen reader reads them."""

import locale
import os
import re
import signal
import stat
import subprocess
import time
import xml.etree.ElementTree as ElementTree
from decimal import ROUND_HALF_UP, Decimal

from desktop import SCREEN
from screen import Input, Listener, Program

STARTUP_HINT = 'Click "Get Exchange Rates" for Current Rates'
CANT_CONNECT = "Can't Connect to Server, please try again later     "
RATES_MISSING = "You must first Get the Current Exchange Rates     \r\n(Requires Interent Connection)"

# Where the design puts the status line: 675 twips below the client area's top.
STATUS_TOP_PX = 675 // 15

# Every scenario runs in the first locale under the first window manager; the
# ones marked below run in the others too.
LOCALES = ("en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8")
WINDOW_MANAGERS = ("openbox", "fluxbox")

RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
SAMPLE_FEED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "eurofxref-daily-2023-12-29.xml")

SCENARIOS = {}
VARIANTS = {}


def scenario(function):
    SCENARIOS[function.__name__] = function
    return function


def in_every_locale(function):
    VARIANTS.setdefault(function.__name__, []).extend(LOCALES[1:])
    return function


def under_every_window_manager(function):
    VARIANTS.setdefault(function.__name__, []).extend(WINDOW_MANAGERS[1:])
    return function


def runs():
    """Each run the suite makes: a scenario's name, or name@variant."""
    return [name for name in SCENARIOS] + [f"{name}@{v}" for name, vs in VARIANTS.items() for v in vs]


def decimal_separator(name):
    """The locale's decimal separator, as the C library of this machine gives it."""
    saved = locale.setlocale(locale.LC_NUMERIC)
    try:
        locale.setlocale(locale.LC_NUMERIC, name)
        return locale.localeconv()["decimal_point"]
    finally:
        locale.setlocale(locale.LC_NUMERIC, saved)


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def equal(actual, expected, what):
    check(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")


def check_sanitizers(log):
    """A sanitizer build reports memory errors on its output and goes on (leaks at exit)."""
    for marker in ("ERROR: AddressSanitizer", "runtime error:"):
        check(marker not in log, f"Quillon's output holds a sanitizer report:\n{log}")
    for report in log.split("ERROR: LeakSanitizer")[1:]:
        # Qt frees the data of one of its threads as that thread ends, which
        # under load may come after the leak check at exit. Such a block is
        # allocated by Qt itself; a leak of ours has a caller of ours.
        callers = re.findall(r"Direct leak of [^\n]*\n\s*#0 [^\n]*\n\s*#1 ([^\n]*)", report)
        check(callers and all("/libQt6" in caller for caller in callers),
              f"Quillon's output holds a leak report:\n{log}")


# -- the sample page, read on its own terms ---------------------------------

class Page:
    """The rows and the date of the sample page, read with a pattern of the
    page's own table, not with the program's scan."""

    ROW = re.compile(r'<td>&nbsp;&nbsp;&nbsp;&nbsp;<wbr>([^<]*?) <font[^>]*>\(([A-Z]{3})\)</font></td>'
                     r'<td align="right"><a href="[^"]*">([^<]*)</a></td>')
    DATE = re.compile(r"using values from (.*?)<BR>", re.IGNORECASE)

    def __init__(self, path):
        with open(path, encoding="latin-1") as f:
            html = f.read()
        self.rows = [(name, code, rate) for name, code, rate in self.ROW.findall(html)]
        self.date = self.DATE.search(html).group(1)
        self.names = [r[0] for r in self.rows]
        self.rates = [r[2] for r in self.rows]

    def rate_of(self, name):
        return dict((r[0], r[2]) for r in self.rows)[name]


def two_decimals(value):
    return str(value.quantize(Decimal("0.01"), rounding=ROUND_HALF_UP))


# -- the main window as the suite reads it -----------------------------------

class MainWindow:
    def __init__(self, program):
        self.program = program
        self.node = program.window("Quillon")

    def control(self, role, name):
        return self.program.wait(lambda: self.node.find(role, name), f"the {role} {name!r}")

    def status(self):
        """The status line: the label the design puts on the top band."""
        x, y, _, _ = self.node.extents()
        labels = [n for n in self.node.children()
                  if n.role == "label" and n.extents()[1] - y == STATUS_TOP_PX]
        check(len(labels) == 1, f"expected one label {STATUS_TOP_PX} px below the window's top, "
                                f"found {[n.name for n in labels]}")
        return labels[0].name

    def result_label(self):
        """The result line: the label in the frame "Exchange Rate"."""
        frame = self.node.find("panel", "Exchange Rate")
        labels = [n for n in frame.walk() if n.role == "label"]
        check(len(labels) == 1, f"expected one label in 'Exchange Rate', found {len(labels)}")
        return labels[0]

    def result(self):
        return self.result_label().name

    def amount(self):
        return self.control("text", "Enter Amount").text()

    def currencies(self):
        return self.control("list", "Country Currencies")

    def rates(self):
        return self.control("list", "Rates")

    def symbols(self):
        return self.control("list", "Currency Symbols")

    def option(self, caption):
        return self.control("radio button", caption)

    def button(self, caption):
        return self.control("push button", caption)

    def below_client_area(self):
        """The working controls the design places below the client area."""
        return [self.button("Convert"), self.symbols(), self.rates(), self.control("text", "Rates Page"),
                self.control("label", "Euros")]

    def focused(self):
        """The control with the keyboard focus (a list's current row is not one)."""
        found = [n for n in self.node.walk() if n.focused and n.role != "list item"]
        return [(n.role, n.name) for n in found]

    def snapshot(self):
        """Everything the conversion and the rates show, to compare before and after."""
        return {
            "status": self.status(),
            "result": self.result(),
            "amount": self.amount(),
            "currencies": self.currencies().items(),
            "selected currency": self.currencies().selected_items(),
            "rates": self.rates().items(),
            "option 1": self.option("From Selected Currency To Euros").checked,
            "option 2": self.option("From Euros To Selected Currency").checked,
        }


class Run:
    """One scenario's world: the desktop, the program's paths, input."""

    def __init__(self, desktop, app, site, page, timeout):
        self.desktop = desktop
        self.app = app
        self.site = site
        self.page_path = page
        self.page = Page(page)
        self.timeout = timeout
        self.input = Input(desktop)
        self.program = None
        self.site_process = None
        self.decimal = decimal_separator(desktop.locale)

    def shown(self, value):
        """A result as the result line writes it: two decimals, the user's separator."""
        return two_decimals(value).replace(".", self.decimal)

    def start(self, rates_url=None, path_first=None, extra_env=None):
        if rates_url is None:
            self.site_process, rates_url = self.desktop.start_site(self.site, self.page_path)
        process = self.desktop.start_app(self.app, rates_url, path_first=path_first, extra_env=extra_env)
        self.program = Program(self.desktop, process, self.timeout)
        main = MainWindow(self.program)
        # Input reaches the window the window manager made active.
        self.program.wait(lambda: main.node.active, "the main window to be active")

        # The window moves once more when its frame becomes known: a click
        # aimed before that could land beside its target.
        def settled():
            before = main.node.extents()
            time.sleep(0.2)
            return main.node.extents() == before
        self.program.wait(settled, "the main window to stay in place")
        return main

    def alert_says(self, text):
        """Waits for the one message box, checks it, and closes it with its OK button."""
        alert = self.program.alert()
        equal(alert.name, "Quillon", "the message box's title")
        labels = [n.name for n in alert.walk() if n.role == "label" and n.name]
        equal(labels, [text], "the message box's text")
        ok = alert.find("push button", "OK")
        self.program.wait(lambda: ok.focused, "the OK button of the message box to have the focus")
        self.input.click(ok)
        self.program.wait(lambda: not self.program.alerts(), "the message box to close")

    def select_amount(self, main):
        """The amount focused and all selected, so what is typed next replaces it."""
        self.input.click(main.control("text", "Enter Amount"))
        self.program.wait_equal(main.focused, [("text", "Enter Amount")], "the focused control")
        self.input.key("ctrl+a")

    def type_amount(self, main, text):
        """Types over what the amount holds."""
        self.select_amount(main)
        self.input.type(text)

    def choose(self, main, name):
        currencies = main.currencies()
        self.input.click(currencies.find("list item", name))
        self.program.wait_equal(currencies.selected_items, [name], "the selected currency")

    def stub(self, name, body):
        """An executable shell script in the run's own bin folder; returns (folder, path)."""
        bin_dir = os.path.join(self.desktop.work, "bin")
        os.makedirs(bin_dir, exist_ok=True)
        path = os.path.join(bin_dir, name)
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body + "\n")
        os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        return bin_dir, path

    def get_rates(self, main):
        self.input.click(main.button("Get Exchange Rates"))
        expected = "Rates for " + self.page.date
        self.program.wait_equal(main.status, expected, "the status line")


# -- scenarios ----------------------------------------------------------------

@scenario
def startup(run):
    main = run.start()
    equal(run.program.window_names(), ["Quillon"], "the open windows")
    equal(main.node.role, "frame", "the main window's role")
    x, y, width, height = main.node.extents()
    equal((width, height), (480, 344), "the client area in pixels")
    # Centred on the screen; the title bar may push it down by its height.
    check(abs(x + width / 2 - SCREEN[0] / 2) <= 2 and 0 <= y + height / 2 - SCREEN[1] / 2 <= 32,
          f"the window is not centred: client area at {(x, y, width, height)}")
    equal(main.status(), STARTUP_HINT, "the status line")
    check(main.option("From Selected Currency To Euros").checked, "Option1 is not chosen")
    check(not main.option("From Euros To Selected Currency").checked, "Option2 is chosen")
    equal(main.amount(), "1.00", "the amount")
    equal(main.result(), "1.00", "the result line")
    equal(main.currencies().items(), [], "the currency list")
    equal(main.rates().items(), [], "the rate list")
    symbols = main.symbols()
    equal(len(symbols.items()), 22, "the number of currency symbols")
    equal(symbols.items()[:3], ["(USD)", "(AUD)", "(BRL)"], "the first currency symbols")
    equal(symbols.selected_items(), [], "the selected currency symbol")
    # The first Tab stop in sight: the symbol list below the client area is none.
    equal(main.focused(), [("push button", "Get Exchange Rates")], "the focused control")
    for caption in ("Get Exchange Rates", "Codes", "About", "Exit", "Convert"):
        main.button(caption)
    equal([n.name for n in main.below_client_area() if n.showing], [], "controls out of sight that report showing")


@scenario
def get_rates(run):
    main = run.start()
    equal(len(run.page.rows), 31, "rows of the sample page (test data)")
    equal(run.page.date, "Friday, 4 December 2026", "the date of the sample page (test data)")
    run.get_rates(main)
    equal(main.status(), "Rates for Friday, 4 December 2026", "the status line")
    equal(main.currencies().items(), run.page.names, "the currency list, in page order")
    equal(main.rates().items(), run.page.rates, "the rate list, in page order")
    equal(main.currencies().selected_items(), [], "the selected currency after a fetch")
    equal(main.rates().selected_items(), [], "the selected rate after a fetch")
    equal(main.amount(), "1.00", "the amount")
    equal(main.result(), "1.00", "the result line")
    # A second fetch replaces the lists, never appends to them.
    run.get_rates(main)
    equal(main.currencies().items(), run.page.names, "the currency list after a second fetch")
    equal(main.rates().items(), run.page.rates, "the rate list after a second fetch")


def feed_rates(path):
    """The codes and rate texts of a reference-rates document's newest day,
    read with Python's own XML parser."""
    cube = "{http://www.ecb.int/vocabulary/2002-08-01/eurofxref}Cube"
    days = [c for c in ElementTree.parse(path).getroot().iter(cube) if "time" in c.attrib]
    newest = max(days, key=lambda c: c.attrib["time"])
    return [(c.attrib["currency"], c.attrib["rate"]) for c in newest]


@scenario
@in_every_locale
def feed(run):
    """The central bank's feed, the document the built-in address gives, on loopback."""
    run.site_process, url = run.desktop.start_site(run.site, SAMPLE_FEED)
    main = run.start(rates_url=url)
    run.input.click(main.button("Get Exchange Rates"))
    run.program.wait_equal(main.status, "Rates for Friday, 29 December 2023", "the status line")
    rates = feed_rates(SAMPLE_FEED)
    equal(len(rates), 30, "currencies of the sample feed (test data)")
    names, texts = main.currencies().items(), main.rates().items()
    equal(len(names), len(rates), "the number of listed currencies")
    equal(sorted(texts), sorted(rate for _, rate in rates), "every rate of the feed, each once")
    listed = dict(zip(names, texts))
    for name, code in (("US Dollar", "USD"), ("British Pound", "GBP"), ("Japanese Yen", "JPY"),
                       ("Icelandic Kr\u00f3na", "ISK"), ("Bulgarian Lev", "BGN")):
        equal(listed.get(name), dict(rates)[code], f"the rate listed beside {name}")
    equal(names[0], "US Dollar", "the first currency: the symbol list's first")
    equal(main.currencies().selected_items(), [], "the selected currency after a fetch")
    # The symbol list follows by position, so the page lists its currencies first.
    run.choose(main, "British Pound")
    equal(main.symbols().selected_items(), ["(GBP)"], "the symbol following the selection")
    run.choose(main, "US Dollar")
    run.type_amount(main, "120")
    expected = run.shown(Decimal(120) / Decimal(dict(rates)["USD"])) + "  Euros"
    run.program.wait_equal(main.result, expected, "the result line")


@scenario
def answers_during_download(run):
    """A download that stalls leaves the window answering the desktop, and
    what the user types meanwhile reaches the amount after the download."""
    run.site_process, url = run.desktop.start_site(run.site, run.page_path, extra=("--delay-ms", "4000"))
    main = run.start(rates_url=url)
    run.get_rates(main)
    run.choose(main, run.page.names[0])
    run.type_amount(main, "2")
    # Pressed through the screen reader's action: the focus stays in the amount.
    main.button("Get Exchange Rates").acc.queryAction().doAction(0)
    downloading = "Downloading Current Exchange Rates"
    run.program.wait_equal(main.status, downloading, "the status line during the download")
    run.input.key("ctrl+a")
    run.input.type("0")
    # Read while the download still runs: a hung window would answer only after it.
    equal(main.amount(), "2", "the amount during the download")
    equal(main.status(), downloading, "the status line once the amount was read")
    run.program.wait_equal(main.status, "Rates for " + run.page.date, "the status line")
    run.program.wait_equal(main.amount, "0", "the amount typed during the download")


@scenario
def site_down(run):
    main = run.start(rates_url=run.desktop.closed_port_url())
    before = main.snapshot()
    run.input.click(main.button("Get Exchange Rates"))
    run.alert_says(CANT_CONNECT)
    equal(main.snapshot(), before, "the main window after the failed fetch")
    equal(main.status(), STARTUP_HINT, "the status line")


@scenario
def site_down_keeps_rates(run):
    main = run.start()
    run.get_rates(main)
    before = main.snapshot()
    # Fetched rates stay when the site goes away afterwards.
    run.site_process.stop()
    run.input.click(main.button("Get Exchange Rates"))
    run.alert_says(CANT_CONNECT)
    equal(main.snapshot(), before, "the main window after the failed fetch")


@scenario
@in_every_locale
def convert(run):
    main = run.start()
    run.get_rates(main)
    name = "British Pound"
    rate = Decimal(run.page.rate_of(name))
    run.choose(main, name)
    code = "(GBP)"
    equal(main.symbols().selected_items(), [code], "the symbol following the selection")
    # Into Euros: the amount in pounds divided by the rate.
    equal(main.result(), run.shown(1 / rate) + "  Euros", "the result line for 1 pound")
    run.type_amount(main, "120")
    expected = run.shown(Decimal(120) / rate) + "  Euros"
    run.program.wait_equal(main.result, expected, "the result line")
    equal(main.amount(), "120", "the amount")
    # Out of Euros: the amount in Euros times the rate, named after the currency.
    run.input.click(main.option("From Euros To Selected Currency"))
    expected = run.shown(Decimal(120) * rate) + "  " + name
    run.program.wait_equal(main.result, expected, "the result line")
    check(not main.option("From Selected Currency To Euros").checked, "Option1 stays chosen beside Option2")
    run.type_amount(main, "75.5")
    expected = run.shown(Decimal("75.5") * rate) + "  " + name
    run.program.wait_equal(main.result, expected, "the result line")
    equal(main.amount(), "75.5", "the amount")
    # Clearing the amount shows zero, with no message.
    run.input.key("BackSpace", "BackSpace", "BackSpace", "BackSpace")
    # A fixed text, in the locale's own decimal separator too.
    expected = run.shown(Decimal(0)) + "  " + name
    run.program.wait_equal(main.result, expected, "the result line")
    equal(run.program.alerts(), [], "message boxes after clearing the amount")


@scenario
def amount_before_rates(run):
    main = run.start()
    run.input.click(main.control("text", "Enter Amount"))
    run.alert_says(RATES_MISSING)
    run.program.wait_equal(main.focused, [("push button", "Get Exchange Rates")], "the focused control")
    # The amount read "1.00", so the message came once.
    equal(run.program.alerts(), [], "message boxes after the first one closed")
    equal(main.amount(), "1.00", "the amount")
    equal(main.result(), "1.00", "the result line")
    equal(main.status(), STARTUP_HINT, "the status line")


def about_window(run):
    window = run.program.window("About Quillon")
    labels = [n.name for n in window.walk() if n.role == "label"]
    check("Quillon" in labels, f"the About window shows no title 'Quillon': {labels}")
    check("Version 1.0.0" in labels, f"the About window shows no 'Version 1.0.0': {labels}")
    return window


def open_about(run, main, active=False):
    """Clicks About; the About window, once it is active too if asked."""
    run.input.click(main.button("About"))
    window = about_window(run)
    if active:
        run.program.wait(lambda: window.active, "the About window to be active")
    return window


@scenario
def about_twice(run):
    main = run.start()
    window = open_about(run, main, active=True)
    equal(window.role, "frame", "the About window's role")
    # The main window in front first (its title bar lies clear of the About
    # window), so the second press has to bring the About window back.
    x, y, _, _ = main.node.extents()
    run.input.click_at(x + 120, y - 8)
    run.program.wait(lambda: main.node.active and not window.active, "the main window to be active")
    run.input.click(main.button("About"))
    run.program.wait(lambda: window.active, "the About window to come to the front again")
    equal(run.program.window_names(), ["About Quillon", "Quillon"], "the open windows")
    about_window(run)
    run.input.key("alt+e")
    run.program.wait_equal(run.program.window_names, ["Quillon"], "the open windows")
    check(run.program.process.running(), "Quillon ended when the About window closed")


@scenario
def exit_with_about(run):
    main = run.start()
    open_about(run, main)
    run.input.click(main.button("Exit"))
    equal(run.program.exit_status(), 0, "Quillon's exit status")


@scenario
def close_boxes(run):
    main = run.start()
    open_about(run, main, active=True)
    run.input.click_close_box()
    run.program.wait_equal(run.program.window_names, ["Quillon"], "the open windows")
    run.program.wait(lambda: main.node.active, "the main window to be active again")
    run.input.click_close_box()
    equal(run.program.exit_status(), 0, "Quillon's exit status after its close box")


@scenario
def codes(run):
    record = os.path.join(run.desktop.work, "xdg-open.args")
    # Records what the program asked to open, written aside and renamed.
    bin_dir, _ = run.stub("xdg-open", f"printf '%s\\n' \"$@\" > '{record}.tmp'\nmv '{record}.tmp' '{record}'")
    main = run.start(path_first=bin_dir)
    before = main.snapshot()
    run.input.click(main.button("Codes"))

    def recorded():
        with open(record) as f:
            return f.read()
    arguments = run.program.wait(recorded, "xdg-open to be started").splitlines()
    page = os.path.join(os.path.dirname(os.path.realpath(run.app)), "Codes.htm")
    equal(arguments, [page], "what xdg-open was asked to open")
    check(os.path.isfile(page), f"{page} is not beside the executable")
    equal(main.snapshot(), before, "the main window after Codes")
    equal(run.program.alerts(), [], "message boxes after Codes")


@scenario
@in_every_locale
def out_of_euros(run):
    main = run.start()
    run.get_rates(main)
    name = "Australian Dollar"
    run.choose(main, name)
    run.input.click(main.option("From Euros To Selected Currency"))
    run.type_amount(main, "100")
    # The page writes its rates with a period whoever reads it.
    expected = run.shown(Decimal(run.page.rate_of(name)) * 100) + "  " + name
    if run.decimal == ",":
        equal(expected, "176,12  Australian Dollar", "the expectation (test data)")
    run.program.wait_equal(main.result, expected, "the result line")
    equal(run.program.alerts(), [], "message boxes")


@scenario
def amount_set_by_screen_reader(run):
    main = run.start()
    run.get_rates(main)
    name = "British Pound"
    run.choose(main, name)
    amount = main.control("text", "Enter Amount")
    amount.set_text("3")
    expected = run.shown(Decimal(3) / Decimal(run.page.rate_of(name))) + "  Euros"
    run.program.wait_equal(main.result, expected, "the result line")
    equal(main.amount(), "3", "the amount")
    # Alt+C converts the amount the box shows, too.
    run.input.key("alt+c")
    run.program.wait_equal(main.result, expected, "the result line after Alt+C")
    equal(run.program.alerts(), [], "message boxes")


@scenario
def keyboard_only(run):
    main = run.start()
    run.get_rates(main)
    run.choose(main, "British Pound")
    run.program.wait_equal(main.focused, [("list", "Country Currencies")], "the focused control")
    wx, wy, ww, wh = main.node.extents()

    def focus_in_sight():
        found = [n for n in main.node.walk() if n.focused and n.role != "list item"]
        check(len(found) == 1, f"expected one focused control, found {[(n.role, n.name) for n in found]}")
        x, y, w, h = found[0].extents()
        check(wx <= x and x + w <= wx + ww and wy <= y and y + h <= wy + wh,
              f"the focus went out of sight: {found[0].role} {found[0].name!r} at {(x, y, w, h)}")
        return (found[0].role, found[0].name)

    run.input.key("Tab")
    run.program.wait(lambda: main.focused() != [("list", "Country Currencies")], "the focus to leave the list")
    focus_in_sight()
    run.input.key("shift+Tab")
    run.program.wait_equal(main.focused, [("list", "Country Currencies")], "the focused control after Shift+Tab")
    run.input.key("shift+Tab")
    run.program.wait_equal(main.focused, [("push button", "Exit")], "the focused control before the list")
    equal(run.program.alerts(), [], "message boxes")


def copied(run, what, before=None):
    """The clipboard's text once it holds something other than before."""
    def text():
        now = run.desktop.run(["xclip", "-o", "-selection", "clipboard"]).stdout
        return now if now and now != before else None
    return run.program.wait(text, f"the clipboard to hold {what}")


@scenario
@in_every_locale
def keyboard_to_result(run):
    """From start to a result and its copy with the keyboard alone, the
    amount written as the user's locale writes numbers."""
    main = run.start()
    get = ("push button", "Get Exchange Rates")
    equal(main.focused(), [get], "the focused control at start")

    run.input.key("Return")
    run.program.wait_equal(main.status, "Rates for " + run.page.date, "the status line")
    # Into the list: nothing is selected, and no row is read as the current one.
    run.input.key("shift+Tab")
    lst = ("list", "Country Currencies")
    run.program.wait_equal(main.focused, [lst], "the focused control")
    currencies = main.currencies()
    equal(currencies.selected_items(), [], "the selected currency")
    equal([c.name for c in currencies.children() if c.focused], [], "list rows read as current")
    run.input.key("Down")
    name = run.page.names[0]
    run.program.wait_equal(currencies.selected_items, [name], "the currency the first Down selects")

    # Tab goes round every stop once, each in sight and none a container.
    wx, wy, ww, wh = main.node.extents()
    seen = [lst]
    for _ in range(12):
        run.input.key("Tab")
        run.program.wait(lambda: main.focused() and main.focused() != [seen[-1]], "the focus to move")
        found = [n for n in main.node.walk() if n.focused and n.role != "list item"]
        check(len(found) == 1, f"expected one focused control, found {[(n.role, n.name) for n in found]}")
        node = found[0]
        x, y, w, h = node.extents()
        check(wx <= x and x + w <= wx + ww and wy <= y and y + h <= wy + wh,
              f"Tab went out of sight: {node.role} {node.name!r} at {(x, y, w, h)}")
        check(node.role not in ("panel", "filler"), f"Tab landed on a container: {node.role} {node.name!r}")
        seen.append((node.role, node.name))
        if seen[-1] == lst:
            break
    equal(seen[-1], lst, "where Tab comes back to")
    check(len(seen) >= 8 and seen[1] == get, f"Tab went round the wrong stops: {seen}")
    equal(run.program.alerts(), [], "message boxes on the way round")

    for _ in range(8):
        run.input.key("Tab")
        if main.focused() == [("text", "Enter Amount")]:
            break
        time.sleep(0.2)
    run.program.wait_equal(main.focused, [("text", "Enter Amount")], "the focused control")
    rate = Decimal(run.page.rate_of(name))
    if run.decimal == ",":
        # German groups with a period, French with a space.
        grouped = "1 234,5" if run.desktop.locale.startswith("fr") else "1.234,5"
        amounts = [("1,5", Decimal("1.5")), (grouped, Decimal("1234.5")), ("1.5", Decimal("1.5"))]
    else:
        amounts = [("1,5", Decimal(1)), ("1.5", Decimal("1.5"))]
    for typed, value in amounts:
        run.input.key("ctrl+a")
        run.input.type(typed)
        run.program.wait_equal(main.amount, typed, "the amount")
        run.program.wait_equal(main.result, run.shown(value / rate) + "  Euros", f"the result line for {typed!r}")
    result = main.result()

    # Nothing selected in the amount: Ctrl+C copies the result line.
    run.input.key("End", "ctrl+c")
    equal(copied(run, "the result"), result, "what Ctrl+C copied")
    # With text selected in the amount, Ctrl+C copies that text.
    run.input.key("ctrl+a", "ctrl+c")
    equal(copied(run, "the amount"), main.amount(), "what Ctrl+C copied from the selected amount")
    # The menu key from a button opens the line's Copy menu, which a screen
    # reader reads too.
    run.input.key("Tab")
    run.program.wait(lambda: main.focused() and main.focused()[0][0] == "push button", "a button to have the focus")
    run.input.key("Menu")
    menu = run.program.wait(lambda: [n for w in run.program.app.children() for n in w.walk()
                                     if n.role == "menu item" and n.name == "Copy" and n.showing],
                            "the Copy menu in the accessibility tree")[0]
    check(menu is not None, "no Copy menu")
    run.input.key("Down", "Return")
    equal(copied(run, "the result", before=main.amount()), result, "what the menu copied")
    equal(run.program.alerts(), [], "message boxes")


@scenario
def too_large_once(run):
    main = run.start()
    run.get_rates(main)
    name = "British Pound"
    run.choose(main, name)
    run.type_amount(main, "1e30")
    run.program.wait(lambda: main.result() != "1.00  Euros", "a result for 1e30")
    # One more digit passes the largest number: told once, and no stale result.
    run.input.type("9")
    run.alert_says(f'The result is too large to show (rate given for {name}: "{run.page.rate_of(name)}")')
    zero = run.shown(Decimal(0)) + "  Euros"
    run.program.wait_equal(main.result, zero, "the result line under the message")
    run.input.type("99")
    run.program.wait_equal(main.amount, "1e30999", "the amount: no digit swallowed")
    time.sleep(0.5)
    equal(run.program.alerts(), [], "message boxes while the result stays too large")
    equal(main.result(), zero, "the result line")


@scenario
@under_every_window_manager
def no_smaller_than_designed(run):
    main = run.start()
    window = open_about(run, main, active=True)
    for node, size, what in ((window, (382, 266), "the About window"), (main.node, (480, 344), "the main window")):
        if what == "the main window":
            x, y, _, _ = main.node.extents()
            run.input.click_at(x + 120, y - 8)
            run.program.wait(lambda: main.node.active, "the main window to be active")
        wid = run.input.active_window()
        # As another program may ask; fluxbox passes such a request on.
        run.input.ask_window_size(wid, size[0], 100)
        time.sleep(0.5)
        run.program.wait_equal(lambda: tuple(node.extents()[2:]), size, f"{what}'s size after a request for 100 pixels")
    # Enlarged, the main window uncovers its working controls, and says so.
    run.input.ask_window_size(run.input.active_window(), 480, 600)
    run.program.wait_equal(lambda: [n.name for n in main.below_client_area() if not n.showing], [],
                           "uncovered controls that report not showing")


@scenario
def session_end(run):
    main = run.start()
    open_about(run, main)
    # As the session manager ends a session: a polite TERM, no close box.
    run.program.process.popen.send_signal(signal.SIGTERM)
    equal(run.program.exit_status(), 0, "Quillon's exit status after SIGTERM")


def centred_frame(run, what):
    """The frame centred on the work area, once the window has settled there."""
    ax, ay, aw, ah = run.input.work_area()

    def offset():
        x, y, width, height, _ = run.input.active_window_geometry()
        return (x - ax - (aw - width) // 2, y - ay - (ah - height) // 2)
    seen = []

    def centred():
        seen[:] = [offset(), run.input.active_window_geometry()]
        # Within two pixels: fluxbox counts a border of its own outside the frame.
        return max(abs(d) for d in seen[0]) <= 2
    try:
        run.program.wait(centred, f"{what}'s frame to be centred on the work area")
    except AssertionError:
        raise Failure(f"{what}'s frame is off the centre of the work area {(ax, ay, aw, ah)} "
                      f"by {seen[0]}: frame {seen[1][:4]}") from None


def offers(run, what, window, allowed, refused):
    """The window manager offers the allowed actions and none of the refused
    ones; openbox offers minimize and maximize whatever a window asks, so
    there the window must take a refused one back at once."""
    actions = run.input.allowed_actions(window)
    for action in allowed:
        check(action in actions, f"{what} does not allow {action}: {sorted(actions)}")
    for action in refused:
        if run.desktop.window_manager != "openbox" or action == "RESIZE":
            check(action not in actions, f"{what} allows {action}: {sorted(actions)}")


def refuses(run, what, node, window, request):
    size = node.extents()[2:]
    run.input.ask_window_manager(window, request)
    # Long enough for the window manager to act; the window then undoes it.
    time.sleep(1.0)
    run.program.wait(lambda: not run.input.window_state(window) & {"MAXIMIZED_VERT", "MAXIMIZED_HORZ", "HIDDEN"}
                     and node.showing and node.extents()[2:] == size,
                     f"{what} to refuse to {request}")


@scenario
@under_every_window_manager
def window_frames(run):
    main = run.start()
    centred_frame(run, "the main window")
    main_id = run.input.active_window()
    offers(run, "the main window", main_id, ("MOVE", "RESIZE", "MINIMIZE", "CLOSE"),
           ("MAXIMIZE_HORZ", "MAXIMIZE_VERT"))
    refuses(run, "the main window", main.node, main_id, "maximize")

    window = open_about(run, main, active=True)
    centred_frame(run, "the About window")
    about_id = run.input.active_window()
    offers(run, "the About window", about_id, ("MOVE", "CLOSE"),
           ("RESIZE", "MINIMIZE", "MAXIMIZE_HORZ", "MAXIMIZE_VERT"))
    for request in ("maximize", "minimize"):
        refuses(run, "the About window", window, about_id, request)


@scenario
def system_info(run):
    # A PATH that holds no system-information tool until one is put there.
    bin_dir, record = os.path.join(run.desktop.work, "bin"), os.path.join(run.desktop.work, "tool.log")
    os.makedirs(bin_dir)
    main = run.start(extra_env={"PATH": bin_dir})
    window = open_about(run, main)
    run.input.click(window.find("push button", "System Info"))
    run.alert_says("System Information Is Unavailable At This Time")

    _, tool = run.stub("hardinfo", f"printf '%s\\n' \"$0\" \"$@\" >> '{record}'")
    run.input.click(window.find("push button", "System Info"))

    def started():
        with open(record) as f:
            return f.read()
    equal(run.program.wait(started, "the tool to start").splitlines(), [tool], "what was started")
    equal(run.program.alerts(), [], "message boxes")
    equal(run.program.window_names(), ["About Quillon", "Quillon"], "the open windows")


@scenario
def about_links(run):
    # The desktop's own default browser, whatever browser the machine has.
    main = run.start()
    window = open_about(run, main)
    site = "http://www.brimlow.example"
    links = [(window.find("push button", "Join the Brimlow mailing list"), site + "/Pages/ListBot.html"),
             (window.find("push button", "Brimlow"), site),
             ([n for n in window.walk() if n.name == "Contribute to Freeware development"][0],
              site + "/Pages/Donate.htm")]
    opened = []
    for node, page in links:
        run.input.click(node)
        opened.append(page)

        def logged():
            lines = run.desktop.opened_in_browser()
            return lines if len(lines) == len(opened) else None
        equal(run.program.wait(logged, f"the browser to open {page}"), opened, "the pages the browser opened")
    equal(run.program.window_names(), ["About Quillon", "Quillon"], "the open windows")


@scenario
def hand_cursor(run):
    main = run.start()
    window = open_about(run, main, active=True)
    hand = (32, 32, 6, 0)
    donate = [n for n in window.walk() if n.name == "Contribute to Freeware development"][0]
    for node, shows_hand in ((window.find("push button", "Close"), False),
                             (window.find("push button", "Join the Brimlow mailing list"), True),
                             (window.find("push button", "System Info"), False),
                             (window.find("push button", "Brimlow"), True),
                             (donate, True)):
        run.input.move_over(node)
        if shows_hand:
            run.program.wait_equal(run.input.cursor, hand, f"the pointer over {node.name!r}")
        else:
            run.program.wait(lambda: run.input.cursor() != hand, f"the arrow over {node.name!r}")


# -- the desktop around the windows ------------------------------------------

def luminance(rgb):
    def linear(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(v) for v in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def colours(shot, box):
    """The colours inside box (x, y, width, height) of a screenshot, most common first."""
    x, y, w, h = box
    out = subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "-format", "%c",
                          "histogram:info:-"], capture_output=True, text=True, check=True).stdout
    found = []
    for line in out.splitlines():
        m = re.match(r"\s*(\d+):\s*\(\s*(\d+),\s*(\d+),\s*(\d+)", line)
        if m:
            found.append((int(m.group(1)), tuple(int(v) for v in m.group(2, 3, 4))))
    return [rgb for _, rgb in sorted(found, reverse=True)]


def text_contrast(shot, node):
    """How well a label's text reads: its most common colour (the background)
    against the colour that stands out most from it."""
    found = colours(shot, node.extents())
    return max(contrast(found[0], c) for c in found)


def window_shot(run, path, shot=None):
    """The active window with its frame, as the docs show windows, cut from
    the screenshot given or from one of its own."""
    screen = shot or path + ".screen.png"
    if shot is None:
        run.desktop.screenshot(screen)
    x, y, w, h, _ = run.input.active_window_geometry()
    subprocess.run(["convert", screen, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=True)
    if shot is None:
        os.remove(screen)


@scenario
def result_announced(run):
    main = run.start()
    run.get_rates(main)
    name = "British Pound"
    run.choose(main, name)
    # The white band and the Euro picture only decorate: nothing unnamed is read.
    unnamed = [n.role for n in main.node.walk() if n.role in ("label", "image") and n.showing and not n.name]
    equal(unnamed, [], "unnamed labels and pictures a screen reader would meet")
    heard = Listener(["object:property-change:accessible-name"])
    try:
        # Registration reaches the program over the bus; it sends events once it knows.
        time.sleep(1)
        heard.pump()
        run.select_amount(main)
        rate = Decimal(run.page.rate_of(name))
        # Each new result is heard as it comes, one keystroke at a time.
        for typed in ("1", "12", "120"):
            before = len(heard.pump())
            run.input.type(typed[-1])
            expected = two_decimals(Decimal(typed) / rate) + "  Euros"
            run.program.wait(lambda: [t for _, role, t in heard.pump()[before:] if role == "label"][-1:] == [expected],
                             f"the result {expected!r} to be heard; heard {heard.heard[-3:]}")
        equal(main.result(), expected, "the result line")
    finally:
        heard.stop()

    # The About window's Close button says what it does.
    window = open_about(run, main)
    close = window.find("push button", "Close")
    equal(close.description, "Close this window", "the description of the About window's Close button")


@scenario
def result_copied(run):
    main = run.start()
    run.get_rates(main)
    run.choose(main, "British Pound")
    result = main.result()
    x, y, w, h = main.result_label().extents()
    # A drag across the whole line selects its text; selecting is X's copy.
    run.input.drag((x + 1, y + h // 2), (x + w - 2, y + h // 2))
    copied = run.program.wait(lambda: run.desktop.run(["xclip", "-o", "-selection", "primary"]).stdout,
                              "the selection to hold the result")
    equal(copied, result, "the text selected from the result line")
    # Its menu copies it to the clipboard, for pasting with Ctrl+V.
    run.input.click_at(x + w // 2, y + h // 2, button=3)
    time.sleep(0.5)  # the menu takes the keyboard once it is shown
    run.input.key("Down", "Return")
    copied = run.program.wait(lambda: run.desktop.run(["xclip", "-o", "-selection", "clipboard"]).stdout,
                              "the clipboard to hold the result")
    equal(copied, result, "the text the menu copied")
    focused = main.focused()
    check(all(role != "label" for role, _ in focused), f"the result line took the focus: {focused}")


def qt6ct_config(run, scheme):
    """A user's Qt settings: the Fusion style with one of qt6ct's palettes."""
    config = os.path.join(run.desktop.work, "config")
    os.makedirs(os.path.join(config, "qt6ct"))
    with open(os.path.join(config, "qt6ct", "qt6ct.conf"), "w") as f:
        f.write(f"[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/{scheme}.conf\n"
                "custom_palette=true\nstyle=Fusion\nstandard_dialogs=default\n")
    return {"QT_QPA_PLATFORMTHEME": "qt6ct", "XDG_CONFIG_HOME": config}


@scenario
def dark_theme(run):
    main = run.start(extra_env=qt6ct_config(run, "darker"))
    run.get_rates(main)
    name = "British Pound"
    run.choose(main, name)
    run.input.click(main.option("From Euros To Selected Currency"))
    run.program.wait(lambda: main.result().endswith(name), "the result in pounds")
    shot = os.path.join(run.desktop.work, "main.png")
    run.desktop.screenshot(shot)
    window_shot(run, os.path.join(run.desktop.artifacts, "dark_theme-main.png"), shot)
    x, y, width, _ = main.node.extents()
    # The theme is dark and the band stays white, with the green status line on it.
    check(luminance(colours(shot, (x + 10, y + 100, 20, 20))[0]) < 0.1, "the window is not dark")
    equal(colours(shot, (x + 2, y + 2, 4, 4))[0], (255, 255, 255), "the band's colour")
    status = [n for n in main.node.children() if n.role == "label" and n.name.startswith("Rates for")][0]
    check(text_contrast(shot, status) >= 4.5, "the status line does not read on the band")
    check((0, 128, 0) in colours(shot, status.extents()), "the status line is no longer green")
    check(text_contrast(shot, main.result_label()) >= 4.5, "the result line does not read")

    window = open_about(run, main, active=True)
    time.sleep(0.5)
    run.desktop.screenshot(shot)
    window_shot(run, os.path.join(run.desktop.artifacts, "dark_theme-about.png"), shot)
    for label in (n for n in window.walk() if n.role == "label" and n.name):
        seen = text_contrast(shot, label)
        check(seen >= 4.5, f"the About window's {label.name!r} reads at {seen:.1f}:1 only")


def picture_error(shot, box, picture, scale=1):
    """How far a screenshot's box is from a picture file: the mean difference,
    0 to 1, where it fits best within a pixel or two (positions are in Qt's
    pixels, two device pixels each)."""
    x, y, w, h = box
    errors = []
    for dx in (-2, -1, 0, 1, 2):
        for dy in (-2, -1, 0, 1, 2):
            out = subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x + dx}+{y + dy}", "+repage",
                                  "(", picture, "-scale", f"{scale * 100}%", ")",
                                  "-compose", "difference", "-composite", "-format", "%[fx:mean]", "info:"],
                                 capture_output=True, text=True, check=True)
            errors.append(float(out.stdout))
    return min(errors)


@scenario
def double_density(run):
    main = run.start(extra_env={"QT_SCALE_FACTOR": "2"})
    # Screen readers get Qt's pixels, each two device pixels wide here; the
    # screenshot has device pixels.
    equal(main.node.extents()[2:], (480, 344), "the client area in Qt's pixels")
    shot = os.path.join(run.desktop.work, "main.png")
    time.sleep(0.5)
    run.desktop.screenshot(shot)
    window_shot(run, os.path.join(run.desktop.artifacts, "double_density-main.png"), shot)
    title = main.node.find("image", "Quillon")
    box = tuple(2 * v for v in title.extents())
    equal(box[2:], (486, 82), "the title picture's size in device pixels")
    equal(colours(shot, (box[0] - 40, box[1] + 4, 8, 8))[0], (255, 255, 255), "the band beside the title")
    # The picture drawn at twice the size, not the small one blown up.
    sharp = picture_error(shot, box, os.path.join(RESOURCES, "pictures", "title@2x.jpg"))
    soft = picture_error(shot, box, os.path.join(RESOURCES, "pictures", "title.jpg"), 2)
    check(sharp < 0.01 and sharp < soft / 2,
          f"the title picture at {box} is no sharper than the small one: {sharp} vs {soft}")

    run.input.key("alt+a")
    window = about_window(run)
    run.program.wait(lambda: window.active, "the About window to be active")
    time.sleep(0.5)
    window_shot(run, os.path.join(run.desktop.artifacts, "double_density-about.png"))
