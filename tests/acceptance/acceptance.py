#!/usr/bin/python3
"""Runs one acceptance scenario against the built Quillon on a private X
server, and keeps a screenshot of its end state.

    acceptance.py --app QUILLON --site RATES_SITE --page PAGE --artifacts DIR SCENARIO[@VARIANT]
    acceptance.py --list

A variant runs the scenario in another locale (de_DE.UTF-8) or under another
window manager (fluxbox); --list names every run the suite makes.

Needs Debian's python3-pyatspi, so it runs with /usr/bin/python3.
"""

import argparse
import os
import signal
import sys
import time
import traceback

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import desktop  # noqa: E402
import scenarios  # noqa: E402
import screen  # noqa: E402


class Stopped(Exception):
    pass


def on_signal(number, _frame):
    # Unwinds through every finally, so the private desktop is stopped too.
    raise Stopped(f"stopped by signal {number}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app")
    parser.add_argument("--site")
    parser.add_argument("--page")
    parser.add_argument("--artifacts")
    parser.add_argument("--timeout", type=float, default=30, help="seconds for any one wait")
    parser.add_argument("--deadline", type=float, default=150, help="seconds for the whole scenario")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("scenario", nargs="?")
    args = parser.parse_args()
    if args.list:
        print("\n".join(scenarios.runs()))
        return 0
    if args.scenario not in scenarios.runs():
        parser.error(f"unknown scenario {args.scenario!r}; --list names them")
    name, _, variant = args.scenario.partition("@")
    setting = {"locale": variant} if variant in scenarios.LOCALES else {"window_manager": variant} if variant else {}
    for what in ("app", "site", "page", "artifacts"):
        if not getattr(args, what):
            parser.error(f"--{what} is required")

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    # Ends the run on its own before the test driver's time-out, which would
    # kill this process alone and leave its desktop behind.
    signal.signal(signal.SIGALRM, on_signal)
    signal.alarm(int(args.deadline))

    started = time.monotonic()
    label = args.scenario.replace("@", "-")
    shot = os.path.join(args.artifacts, f"{label}.png")
    run = None
    with desktop.Desktop(args.artifacts, label, **setting) as world:
        screen.load_accessibility(world)
        run = scenarios.Run(world, os.path.abspath(args.app), os.path.abspath(args.site),
                            os.path.abspath(args.page), args.timeout)
        try:
            scenarios.SCENARIOS[name](run)
        except BaseException:
            traceback.print_exc()
            if run.program is not None:
                print("\nThe program's windows as a screen reader reads them:")
                print(run.program.tree())
            raise
        finally:
            world.screenshot(shot)
            print(f"screenshot: {shot}")
            print(f"logs: {os.path.join(args.artifacts, label + '.log')}")
        if run.program is not None:
            run.program.process.stop()
            scenarios.check_sanitizers(run.program.process.log())
    print(f"{args.scenario}: passed in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (AssertionError, desktop.SetupError, Stopped) as error:
        print(f"FAILED: {error}", file=sys.stderr)
        sys.exit(1)
