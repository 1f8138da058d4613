#!/usr/bin/python3
"""The production shape end to end: the generator writes the page from the
sample feed, real nginx serves it with the shipped site configuration on a
loopback port, and the real Quillon on a private X server gets its rates
from there.

    nginx_end_to_end.py --app QUILLON --site RATES_SITE --feed FEED --config NGINX_SITE
                        --nginx NGINX --work DIR --artifacts DIR

Needs Debian's python3-pyatspi, so it runs with /usr/bin/python3.
"""

import argparse
import html.parser
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
import xml.etree.ElementTree as ElementTree

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "acceptance"))

import desktop  # noqa: E402
import scenarios  # noqa: E402
import screen  # noqa: E402

# The main window's codes list: their rows come first, in this order.
SYMBOLS = ["USD", "AUD", "BRL", "GBP", "CAD", "CNY", "DKK", "HKD", "INR", "JPY", "MYR", "MXN", "NZD", "NOK",
           "SGD", "ZAR", "KRW", "LKR", "SEK", "CHF", "TWD", "THB"]
RATES_NS = "{http://www.ecb.int/vocabulary/2002-08-01/eurofxref}"

Failure, check = scenarios.Failure, scenarios.check


def expected_rates(feed):
    """(code, rate text) of the feed's newest day, in the order the page must list them."""
    days = ElementTree.parse(feed).getroot().iter(RATES_NS + "Cube")
    newest = max((d for d in days if "time" in d.attrib), key=lambda d: d.attrib["time"])
    rates = [(c.attrib["currency"], c.attrib["rate"]) for c in newest]
    first = sorted((r for r in rates if r[0] in SYMBOLS), key=lambda r: SYMBOLS.index(r[0]))
    return first + [r for r in rates if r[0] not in SYMBOLS]


class TableReader(html.parser.HTMLParser):
    """The page's table as a browser shows it: name cell text and rate cell text per row."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self._cells, self._text = [], None, None

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self._cells = []
        elif tag == "td" and self._cells is not None:
            self._text = ""

    def handle_endtag(self, tag):
        if tag == "td" and self._text is not None:
            self._cells.append(self._text.strip("\u00a0 "))
            self._text = None
        elif tag == "tr" and self._cells:
            self.rows.append(self._cells)
            self._cells = None

    def handle_data(self, data):
        if self._text is not None:
            self._text += data


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def site_config(shipped, port, root):
    """The shipped server block, on a loopback port and the test's page folder."""
    with open(shipped) as f:
        text = f.read()
    text, listens = re.subn(r"^(\s*)listen 80;$", rf"\1listen 127.0.0.1:{port};", text, flags=re.M)
    text = re.sub(r"^\s*listen \[::\]:80;\n", "", text, flags=re.M)
    text, roots = re.subn(r"^(\s*)root /var/lib/quillon-rates-site;$", rf"\1root {root};", text, flags=re.M)
    check(listens == 1 and roots == 1, f"{shipped} no longer has the listen and root lines this test replaces")
    return text


def start_nginx(nginx, shipped, work, root, workers=1, connections=64):
    """nginx as an ordinary user with everything under work; returns (process, port)."""
    temp = os.path.join(work, "temp")
    os.makedirs(temp, exist_ok=True)
    as_root = os.geteuid() == 0
    for attempt in range(3):
        port = free_port()
        with open(os.path.join(work, "site.conf"), "w") as f:
            f.write(site_config(shipped, port, root))
        with open(os.path.join(work, "nginx.conf"), "w") as f:
            f.write(f"""daemon off;
worker_processes {workers};
pid {work}/nginx.pid;
error_log {work}/error.log;
events {{ worker_connections {connections}; }}
http {{
    access_log {work}/access.log;
    client_body_temp_path {temp}/body;
    proxy_temp_path {temp}/proxy;
    fastcgi_temp_path {temp}/fastcgi;
    uwsgi_temp_path {temp}/uwsgi;
    scgi_temp_path {temp}/scgi;
    include {work}/site.conf;
}}
""")
        argv = [nginx, "-p", work, "-c", os.path.join(work, "nginx.conf"), "-e", os.path.join(work, "error.log")]
        if as_root:
            # Never the system's web server's privileges: the same as any user.
            for d, _, files in os.walk(work):
                os.chown(d, 65534, 65534)
                for name in files:
                    os.chown(os.path.join(d, name), 65534, 65534)
            argv = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"] + argv
        process = desktop.Process("nginx", argv, None, work)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and process.running():
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return process, port
            except OSError:
                time.sleep(0.05)
        process.stop()
        with open(os.path.join(work, "error.log"), errors="replace") as f:
            error = f.read()
        if "Address already in use" not in error:
            break
    raise Failure(f"nginx did not start:\n{error}")


def get(url, headers=None):
    request = urllib.request.Request(url, headers=headers or {})
    try:
        with urllib.request.urlopen(request, timeout=10) as response:
            return response.status, response.headers, response.read()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read()


def check_http(url, page_bytes):
    status, headers, body = get(url)
    check(status == 200, f"GET {url}: status {status}")
    check(headers["Content-Type"] == "text/html; charset=utf-8", f"Content-Type {headers['Content-Type']!r}")
    check(headers["Cache-Control"] == "public, max-age=300", f"Cache-Control {headers['Cache-Control']!r}")
    check(headers["Last-Modified"] and headers["ETag"], f"no Last-Modified or ETag: {dict(headers)}")
    check(body == page_bytes, "nginx does not serve the generated page byte for byte")
    status, _, _ = get(url, {"If-None-Match": headers["ETag"]})
    check(status == 304, f"If-None-Match with the page's ETag: status {status}")
    status, _, _ = get(url.split("?")[0] + "?value=7&base=USD")
    check(status == 200, f"another query: status {status}")


def main():
    parser = argparse.ArgumentParser()
    for name in ("app", "site", "feed", "config", "nginx", "work", "artifacts"):
        parser.add_argument(f"--{name}", required=True)
    parser.add_argument("--timeout", type=float, default=30)
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda n, f: sys.exit(f"stopped by signal {n}"))

    # Root runs nginx as nobody, who must reach the folder: not the build tree then.
    os.makedirs(args.work, exist_ok=True)
    work = tempfile.mkdtemp(prefix="nginx-", dir=None if os.geteuid() == 0 else args.work)
    os.chmod(work, 0o755)
    root = os.path.join(work, "root")
    os.mkdir(root)
    nginx = None
    try:
        page_path = os.path.join(root, "cgicalc.html")
        result = subprocess.run([args.site, "page", "--feed", args.feed, "--out", page_path],
                                capture_output=True, text=True, timeout=60)
        check(result.returncode == 0, f"page exited {result.returncode}: {result.stderr}")
        with open(page_path, "rb") as f:
            page_bytes = f.read()

        nginx, port = start_nginx(args.nginx, args.config, work, root)
        url = f"http://127.0.0.1:{port}/cgi-bin/cgicalc.cgi?value=1&base=EUR"
        check_http(url, page_bytes)

        rates = expected_rates(args.feed)
        reader = TableReader()
        reader.feed(page_bytes.decode("utf-8"))
        table = [r for r in reader.rows if len(r) == 2]
        check([t[1] for t in table] == [r[1] for r in rates], f"the page's rates {table} are not the feed's {rates}")
        names = [re.sub(r" \([A-Z]{3}\)$", "", t[0]) for t in table]
        date = re.search(r"using values from (.*?)<BR>", page_bytes.decode("utf-8")).group(1)
        check(date == "Friday, 29 December 2023", f"the page's date {date!r}")

        shot = os.path.join(args.artifacts, "nginx_end_to_end.png")
        with desktop.Desktop(args.artifacts, "nginx_end_to_end") as world:
            screen.load_accessibility(world)
            # The served page is the run's page: its date is the status line's.
            run = scenarios.Run(world, os.path.abspath(args.app), None, page_path, args.timeout)
            try:
                main_window = run.start(rates_url=url)
                run.get_rates(main_window)
                program = run.program
                program.wait_equal(lambda: main_window.currencies().items(), names, "the currency list")
                program.wait_equal(lambda: main_window.rates().items(), [r[1] for r in rates], "the rate list")
            finally:
                world.screenshot(shot)
                print(f"screenshot: {shot}")
            run.program.process.stop()
            scenarios.check_sanitizers(run.program.process.log())
        with open(os.path.join(work, "access.log")) as f:
            asked = [line for line in f if "/cgi-bin/cgicalc.cgi?value=1&base=EUR" in line and '" 200 ' in line]
        check(len(asked) >= 2, "Quillon's request is not in nginx's access log")
        print(f"nginx_end_to_end: {len(rates)} currencies through nginx into Quillon: passed")
        return 0
    finally:
        if nginx is not None:
            nginx.stop()
            for name in ("error.log", "access.log"):
                if os.path.exists(os.path.join(work, name)):
                    os.makedirs(args.artifacts, exist_ok=True)
                    shutil.copy(os.path.join(work, name), os.path.join(args.artifacts, "nginx-" + name))
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (AssertionError, desktop.SetupError) as error:
        print(f"FAILED: {error}", file=sys.stderr)
        sys.exit(1)
