#!/usr/bin/env python3
"""Runs a command on a private desktop: on_xvfb.py -- command...

Wine needs an X server to make windows, and a window manager to make one
active. The acceptance suite's desktop picks a free display itself, so no
other run's screen is ever touched; its logs go to ./artifacts."""

import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "acceptance"))

from desktop import Desktop  # noqa: E402


def main(argv):
    command = argv[argv.index("--") + 1:]
    name = os.path.splitext(os.path.basename(command[-1]))[0]
    with Desktop(os.path.abspath("artifacts"), name, accessibility=False) as world:
        try:
            return subprocess.run(command, env=world.env).returncode
        finally:
            if os.path.basename(command[0]).startswith("wine"):
                # Wine's helper processes drew on this display too: end them with it.
                subprocess.run([os.path.join(os.path.dirname(command[0]), "wineserver"), "-k"], timeout=60)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
