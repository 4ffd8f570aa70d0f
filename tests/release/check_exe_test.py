#!/usr/bin/env python3
"""The release check must refuse an exe that lost its manifest, version resource, GUI subsystem
or processor, and pass the one the build made. Usage: check_exe_test.py [--x86-64] ludvane.exe"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, "..", "..", "scripts", "check_exe.py")


def run_checker(path, flags):
    return subprocess.run([sys.executable, CHECKER] + flags + [path], capture_output=True,
                          text=True)


def main():
    flags = [a for a in sys.argv[1:] if a == "--x86-64"]
    exe = [a for a in sys.argv[1:] if a != "--x86-64"][0]
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
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
