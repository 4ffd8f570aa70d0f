#!/usr/bin/env python3
"""Checks a built ludvane.exe so that a broken build cannot pass silently.

PE32 (i686) or PE32+ (x86_64, with --x86-64), GUI subsystem, an embedded manifest asking for
administrator rights and Common Controls 6, the version resource (1.0.0.0, "Ludvane"), and
imports from Windows system DLLs only. Exits 1 with the reasons when anything is missing.
"""
import struct
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll",
               "ole32.dll", "advapi32.dll", "msvcrt.dll", "shlwapi.dll", "oleaut32.dll",
               "comdlg32.dll", "version.dll", "ntdll.dll"}


def check(path, x86_64):
    problems = []
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        return ["not a Windows program"]
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return ["no PE header"]
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic, = struct.unpack_from("<H", data, pe + 24)
    subsystem, = struct.unpack_from("<H", data, pe + 24 + 68)
    want_machine, want_magic = (0x8664, 0x20B) if x86_64 else (0x14C, 0x10B)
    if machine != want_machine or magic != want_magic:
        problems.append("not %s" % ("PE32+ x86-64" if x86_64 else "PE32 i386"))
    if subsystem != 2:
        problems.append("subsystem %d, not GUI (2)" % subsystem)

    objdump = "x86_64-w64-mingw32-objdump" if x86_64 else "i686-w64-mingw32-objdump"
    headers = subprocess.run([objdump, "-p", path], capture_output=True, text=True,
                             check=True).stdout
    dlls = [line.split("DLL Name:")[1].strip().lower()
            for line in headers.splitlines() if "DLL Name:" in line]
    if not dlls:
        problems.append("no imports found")
    for dll in dlls:
        if dll not in SYSTEM_DLLS:
            problems.append("imports %s, not a Windows system DLL" % dll)

    if b'level="requireAdministrator" uiAccess="false"' not in data:
        problems.append("manifest does not ask for administrator rights")
    if b'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' not in data:
        problems.append("manifest does not depend on Common Controls 6")
    arch = b"amd64" if x86_64 else b"x86"
    if b'name="Ludvane" version="1.0.0.0" processorArchitecture="' + arch + b'"' not in data:
        problems.append("manifest identity is not Ludvane 1.0.0.0 for %s" % arch.decode())

    fixed = data.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        problems.append("no version resource")
    else:
        file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from("<IIII", data, fixed + 8)
        if (file_ms, file_ls, prod_ms, prod_ls) != (0x10000, 0, 0x10000, 0):
            problems.append("version resource is not 1.0.0.0")
        for key, value in (("FileDescription", "Ludvane"), ("ProductName", "Ludvane"),
                           ("FileVersion", "1.0.0.0"), ("ProductVersion", "1.0.0.0")):
            k = key.encode("utf-16-le") + b"\0\0"
            at = data.find(k, fixed)
            rest = data[at + len(k):at + len(k) + 8 + 2 * len(value)] if at >= 0 else b""
            if value.encode("utf-16-le") + b"\0\0" not in rest:
                problems.append("version resource lacks %s = %s" % (key, value))
    return problems


def main():
    args = [a for a in sys.argv[1:] if a != "--x86-64"]
    x86_64 = "--x86-64" in sys.argv[1:]
    if len(args) != 1:
        sys.exit("usage: check_exe.py [--x86-64] ludvane.exe")
    problems = check(args[0], x86_64)
    for p in problems:
        print("check_exe: %s: %s" % (args[0], p), file=sys.stderr)
    if problems:
        sys.exit(1)
    print("check_exe: %s: ok (%s, GUI, manifest, version 1.0.0.0, system imports only)"
          % (args[0], "PE32+" if x86_64 else "PE32"))


if __name__ == "__main__":
    main()
