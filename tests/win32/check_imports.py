#!/usr/bin/env python3
"""Checks a Windows program's PE machine and that it needs no DLL beyond the system's own:
it is linked statically, so it runs from a bare folder on any Windows of its kind."""
import argparse
import struct
import subprocess
import sys

SYSTEM = {"kernel32.dll", "msvcrt.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "advapi32.dll",
          "shell32.dll", "version.dll"}
MACHINES = {"i386": 0x014C, "x86-64": 0x8664}


def pe_machine(path):
    with open(path, "rb") as f:
        head = f.read(4096)
    (e_lfanew,) = struct.unpack_from("<I", head, 0x3C)
    if head[:2] != b"MZ" or head[e_lfanew:e_lfanew + 4] != b"PE\0\0":
        return None
    (machine,) = struct.unpack_from("<H", head, e_lfanew + 4)
    return machine


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--objdump", required=True)
    args = parser.parse_args()

    machine = pe_machine(args.program)
    if machine != MACHINES[args.machine]:
        print(f"PE machine {machine!r} is not {args.machine} (0x{MACHINES[args.machine]:04x})")
        sys.exit(1)
    dump = subprocess.run([args.objdump, "-p", args.program], check=True, capture_output=True, text=True).stdout
    dlls = sorted({line.split()[-1].lower() for line in dump.splitlines() if "DLL Name:" in line})
    others = [dll for dll in dlls if dll not in SYSTEM]
    print(f"{args.machine}; imports: " + ", ".join(dlls))
    if not dlls:
        print("no import table found")
        sys.exit(1)
    if others:
        print("DLLs that are not the system's: " + ", ".join(others))
        sys.exit(1)


if __name__ == "__main__":
    main()
