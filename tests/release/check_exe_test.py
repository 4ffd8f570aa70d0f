#!/usr/bin/env python3
"""The release check must refuse an exe that lost its manifest, version resource, GUI subsystem
or processor, and pass the one the build made. With --reproducible, two releases of the checkout
at ROOT, made in different build folders, must also be the same bytes, with every file in
SHA256SUMS, every name ASCII, and the Chinese guide as a text file Notepad reads.
Usage: check_exe_test.py [--x86-64] [--reproducible ROOT] ludvane.exe"""
import argparse
import calendar
import hashlib
import io
import os
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, "..", "..", "scripts", "check_exe.py")


def run_checker(path, flags):
    return subprocess.run([sys.executable, CHECKER] + flags + [path], capture_output=True,
                          text=True)


def check_refusals(exe, flags):
    good = open(exe, "rb").read()
    pe = struct.unpack_from("<I", good, 0x3C)[0]

    def without(needle):
        assert needle in good, needle
        return good.replace(needle, b"X" * len(needle))

    def patched(offset, fmt, value):
        data = bytearray(good)
        struct.pack_into(fmt, data, offset, value)
        return bytes(data)

    cases = {
        "the build's own exe": (good, True),
        "no administrator request": (without(b'level="requireAdministrator"'), False),
        "no Common Controls 6": (without(b'name="Microsoft.Windows.Common-Controls"'), False),
        "no version resource": (without(struct.pack("<I", 0xFEEF04BD)), False),
        "another product name": (without("ProductName".encode("utf-16-le")), False),
        "console subsystem": (patched(pe + 24 + 68, "<H", 3), False),
        "other processor": (patched(pe + 4, "<H", 0x1C0), False),
    }
    failed = 0
    with tempfile.TemporaryDirectory() as scratch:
        for name, (data, should_pass) in cases.items():
            path = os.path.join(scratch, "ludvane.exe")
            open(path, "wb").write(data)
            result = run_checker(path, flags)
            ok = (result.returncode == 0) == should_pass
            print("%s: %s" % ("ok" if ok else "FAIL", name))
            if not ok:
                print(result.stdout + result.stderr)
                failed += 1
    print("%d passed, %d failed" % (len(cases) - failed, failed))
    return failed


RELEASE = "ludvane-1.0.0"


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def make_release(root, build, tz, umask):
    """Runs scripts/release.sh with its build folder at build; returns (exe, zip) bytes or None."""
    env = dict(os.environ, LUDVANE_BUILD=build, TZ=tz)
    # The release's own choice of time is under test, not a caller's.
    env.pop("SOURCE_DATE_EPOCH", None)
    result = subprocess.run(["bash", os.path.join(root, "scripts", "release.sh")], env=env,
                            capture_output=True, text=True, preexec_fn=lambda: os.umask(umask))
    if result.returncode != 0:
        print(result.stdout[-4000:] + result.stderr[-4000:])
        return None
    release = os.path.join(build, "release")
    with open(os.path.join(release, RELEASE, "ludvane.exe"), "rb") as f:
        exe = f.read()
    with open(os.path.join(release, RELEASE + ".zip"), "rb") as f:
        return exe, f.read()


def check_reproducible(root):
    """Two releases of one commit, made one after the other in build folders of different paths
    and lengths, in different time zones and with different umasks, must be the same bytes."""
    started = time.monotonic()
    results = []

    def report(ok, name, detail=""):
        print("%s: %s%s" % ("ok" if ok else "FAIL", name, (" (%s)" % detail) if detail else ""))
        results.append(ok)
        return ok

    with tempfile.TemporaryDirectory() as scratch:
        first = make_release(root, os.path.join(scratch, "a"), "UTC", 0o022)
        second = make_release(root, os.path.join(scratch, "second-build-folder"), "EST5EDT",
                              0o077)
    if not report(first is not None and second is not None, "two releases made"):
        return 1
    for i, name in enumerate(("ludvane.exe", RELEASE + ".zip")):
        a, b = first[i], second[i]
        report(a == b, "both releases' %s are the same bytes" % name,
               "" if a == b else "first difference at byte %d" % first_difference(a, b))

    archive = zipfile.ZipFile(io.BytesIO(first[1]))
    names = archive.namelist()
    sums = {}
    for line in archive.read(RELEASE + "/SHA256SUMS").decode().splitlines():
        digest, path = line.split(None, 1)
        sums[RELEASE + "/" + path.lstrip("*")] = digest
    wrong = [n for n in names if n != RELEASE + "/SHA256SUMS" and not n.endswith("/")
             and sums.get(n) != hashlib.sha256(archive.read(n)).hexdigest()]
    report(not wrong and set(sums) <= set(names), "SHA256SUMS covers and matches the zip's files",
           ", ".join(wrong or sorted(set(sums) - set(names))))
    report(archive.read(RELEASE + "/ludvane.exe") == first[0], "the zip carries the built exe")
    # Windows 7's own zip support ignores the flag that marks a name as UTF-8.
    other = [n for n in names if not n.isascii()]
    report(not other, "every name in the zip is ASCII", ", ".join(other))
    # Notepad from Windows 7 on: UTF-8 known by its byte-order mark, lines ended by CR LF.
    guide = RELEASE + "/README.zh-CN.txt"
    with open(os.path.join(root, "README.zh-CN.md"), "rb") as f:
        lines = f.read().replace(b"\r\n", b"\n").split(b"\n")
    carried = archive.read(guide) if guide in names else b""
    try:
        problem = "" if carried else "missing"
        carried.decode("utf-8")
    except UnicodeDecodeError as error:
        problem = str(error)
    report(not problem and carried == b"\xef\xbb\xbf" + b"\r\n".join(lines),
           "the zip carries README.zh-CN.md as README.zh-CN.txt, UTF-8 with a byte-order mark "
           "and CR LF line ends", problem)

    commit = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                            capture_output=True, text=True)
    if commit.returncode == 0:
        # Zip times are in whole two-second steps.
        when = int(commit.stdout)
        off = [i.filename for i in archive.infolist()
               if abs(calendar.timegm(i.date_time + (0, 0, 0)) - when) > 2]
        report(not off, "the zip's times are the commit's", ", ".join(off))
    else:
        print("skipped: the zip's times are the commit's (no git history at %s)" % root)

    failed = results.count(False)
    print("%d passed, %d failed, in %.0f s" % (len(results) - failed, failed,
                                                 time.monotonic() - started))
    return failed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--x86-64", action="store_true", help="the exe is the 64-bit build")
    parser.add_argument("--reproducible", metavar="ROOT",
                        help="also make two releases of the checkout at ROOT and compare them")
    parser.add_argument("exe")
    args = parser.parse_args()
    failed = check_refusals(args.exe, ["--x86-64"] if args.x86_64 else [])
    if args.reproducible:
        failed += check_reproducible(os.path.abspath(args.reproducible))
    sys.exit(1 if failed else 0)

if __name__ == "__main__":
    main()
