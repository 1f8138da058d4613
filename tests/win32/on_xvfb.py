#!/usr/bin/env python3
"""Runs a command on a private Xvfb display: on_xvfb.py [--wm] -- command...

Wine needs an X server to make windows. Xvfb picks a free display itself
(-displayfd), so no other run's screen is ever touched."""

import os
import select
import signal
import subprocess
import sys


def read_display(fd, timeout=30):
    data = b""
    while not data.endswith(b"\n") and select.select([fd], [], [], timeout)[0]:
        chunk = os.read(fd, 64)
        if not chunk:
            break
        data += chunk
    os.close(fd)
    return data.decode().strip()


def main(argv):
    split = argv.index("--")
    options, command = argv[:split], argv[split + 1:]
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    helpers = []
    try:
        number = read_display(read_end)
        if not number.isdigit():
            print("on_xvfb: Xvfb gave no display number", file=sys.stderr)
            return 1
        env = dict(os.environ, DISPLAY=":" + number)
        if "--wm" in options:
            helpers.append(subprocess.Popen(["openbox", "--config-file", "/etc/xdg/openbox/rc.xml", "--sm-disable"],
                                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                            start_new_session=True))
        return subprocess.run(command, env=env).returncode
    finally:
        if os.path.basename(command[0]).startswith("wine"):
            # Wine's helper processes drew on this display too: end them with it.
            subprocess.run([os.path.join(os.path.dirname(command[0]), "wineserver"), "-k"], timeout=60)
        for process in helpers + [server]:
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            process.wait()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
