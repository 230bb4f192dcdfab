#!/usr/bin/env python3
"""Checks that a Windows program needs no DLL beyond the system's own: it is linked
statically, so it runs from a bare folder on any 32-bit Windows."""
import subprocess
import sys

SYSTEM = {"kernel32.dll", "msvcrt.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "advapi32.dll",
          "shell32.dll", "version.dll"}


def main():
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", sys.argv[1]], check=True, capture_output=True,
                          text=True).stdout
    dlls = sorted({line.split()[-1].lower() for line in dump.splitlines() if "DLL Name:" in line})
    others = [dll for dll in dlls if dll not in SYSTEM]
    print("imports: " + ", ".join(dlls))
    if "PE32 " not in dump and "pei-i386" not in dump:
        print("not a 32-bit program")
        sys.exit(1)
    if others:
        print("DLLs that are not the system's: " + ", ".join(others))
        sys.exit(1)


if __name__ == "__main__":
    main()
