#!/usr/bin/python3
"""Installs the build into a scratch prefix as `make install` does, checks
what lands where, runs scenarios against the installed command, then removes
the install again through its manifest.

    install_check.py --build BUILD --source SOURCE --site RATES_SITE --page PAGE --artifacts DIR

With --layout PREFIX it only checks what an install (the package's, say) put
under PREFIX.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
COMPONENT = "quillon"


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(argv, **kwargs):
    result = subprocess.run(argv, capture_output=True, text=True, **kwargs)
    check(result.returncode == 0,
          f"{' '.join(argv)} failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    return result.stdout


def png_size_of(data, what="the picture"):
    check(data[:8] == b"\x89PNG\r\n\x1a\n", f"{what} is no PNG picture")
    return struct.unpack(">II", data[16:24])


def png_size(path):
    with open(path, "rb") as f:
        return png_size_of(f.read(24), path)


def desktop_entry(path):
    entry = {}
    with open(path) as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def check_layout(prefix, source):
    private = os.path.join(prefix, "lib", "quillon")
    program = os.path.join(private, "quillon")
    check(os.path.isfile(program) and os.access(program, os.X_OK), f"no executable {program}")
    codes = os.path.join(private, "Codes.htm")
    with open(codes, "rb") as installed, open(os.path.join(source, "resources", "Codes.htm"), "rb") as shipped:
        check(installed.read() == shipped.read(), f"{codes} differs from resources/Codes.htm")
    module = os.path.join(private, "modules", "quillon-internet.so")
    check(os.path.isfile(module), f"no network module {module}")

    command = os.path.join(prefix, "bin", "quillon")
    check(os.path.islink(command), f"{command} is not a symbolic link")
    # Relative, so the tree can be moved (DESTDIR, a package) and still work.
    target = os.readlink(command)
    check(target == "../lib/quillon/quillon", f"{command} points to {target!r}")
    check(os.path.realpath(command) == os.path.realpath(program), f"{command} does not reach {program}")

    entry_path = os.path.join(prefix, "share", "applications", "quillon.desktop")
    run(["desktop-file-validate", entry_path])
    entry = desktop_entry(entry_path)
    check(entry.get("Exec") == command, f"the desktop entry runs {entry.get('Exec')!r}, not {command!r}")
    check(entry.get("Icon") == "quillon", f"the desktop entry's icon is {entry.get('Icon')!r}")
    check(entry.get("Name") == "Quillon", f"the desktop entry's name is {entry.get('Name')!r}")

    for size in (16, 32, 48, 64, 128, 256):
        icon = os.path.join(prefix, "share", "icons", "hicolor", f"{size}x{size}", "apps", "quillon.png")
        check(png_size(icon) == (size, size), f"{icon} is {png_size(icon)}, not {size}x{size}")
    # The scalable icon must draw, at a size no PNG has.
    svg = os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps", "quillon.svg")
    drawn = subprocess.run(["rsvg-convert", "-w", "512", "-h", "512", svg], capture_output=True)
    check(drawn.returncode == 0 and png_size_of(drawn.stdout) == (512, 512),
          f"{svg} does not draw: {drawn.stderr.decode(errors='replace')}")

    metainfo = os.path.join(prefix, "share", "metainfo", "example.brimlow.quillon.metainfo.xml")
    run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo])
    with open(metainfo) as f:
        text = f.read()
    check("<launchable type=\"desktop-id\">quillon.desktop</launchable>" in text,
          "the metainfo does not launch the installed desktop entry")

    # The manual page as man reads it, with its warnings (lintian's check).
    page = os.path.join(prefix, "share", "man", "man1", "quillon.1.gz")
    shown = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page],
                           capture_output=True, text=True, env={**os.environ, "LC_ALL": "C.UTF-8", "MANWIDTH": "80"})
    check(shown.returncode == 0 and not shown.stderr, f"man warns about {page}: {shown.stderr}")
    docs = os.path.join(prefix, "share", "doc", "quillon")
    held = sorted(os.listdir(docs))
    check(held == ["changelog.Debian.gz", "changelog.gz", "copyright"], f"{docs} holds {held}")


def installed_files(prefix):
    """Files and links (a link to a file is listed with the files) under prefix."""
    return sorted(os.path.relpath(os.path.join(d, f), prefix) for d, _, files in os.walk(prefix) for f in files)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--layout", metavar="PREFIX")
    scratch_install = ("build", "site", "page", "artifacts")
    for name in scratch_install:
        parser.add_argument(f"--{name}")
    parser.add_argument("--timeout", default="30")
    args = parser.parse_args()
    if args.layout:
        check_layout(args.layout, args.source)
        print(f"layout of {args.layout}: passed")
        return 0
    missing = [f"--{name}" for name in scratch_install if getattr(args, name) is None]
    if missing:
        parser.error(f"{', '.join(missing)} required")

    # The checked-in entry validates as it is, before any install rewrites it.
    run(["desktop-file-validate", os.path.join(args.source, "packaging", "quillon.desktop")])

    scratch = tempfile.mkdtemp(prefix="quillon-install-")
    try:
        prefix = os.path.join(scratch, "usr")
        run(["cmake", "--install", args.build, "--prefix", prefix, "--component", COMPONENT])
        check_layout(prefix, args.source)

        # The installed command, reached through its link, finds Codes.htm and
        # the network module in the private folder.
        command = os.path.join(prefix, "bin", "quillon")
        for scenario in ("startup", "codes", "get_rates"):
            result = subprocess.run(
                [sys.executable, os.path.join(HERE, "acceptance.py"), "--app", command, "--site", args.site,
                 "--page", args.page, "--artifacts", args.artifacts, "--timeout", args.timeout,
                 "--deadline", "80", scenario], capture_output=True, text=True)
            print(result.stdout, end="")
            check(result.returncode == 0, f"{scenario} failed against {command}:\n{result.stderr}")

        manifest = os.path.join(args.build, f"install_manifest_{COMPONENT}.txt")
        run(["cmake", "-P", os.path.join(args.source, "cmake", "Uninstall.cmake"), manifest])
        left = installed_files(prefix)
        check(left == [], f"the uninstall left {left}")
        check(not os.path.exists(os.path.join(prefix, "lib", "quillon")), "the uninstall left lib/quillon")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("install: passed")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as error:
        print(f"FAILED: {error}", file=sys.stderr)
        sys.exit(1)
