#!/usr/bin/env python3
"""End-to-end tests of the Vorbix program.

Each case runs the built program in a scratch directory of its own (its current
directory), with model files written there by mdlgen, and compares standard output,
standard error and the exit code line by line, then what is left on disk. The same
cases run against the native binary and, with --exec-prefix wine, against Vorbix.exe.
Compared lines have CRLF made LF, and what differs from run to run masked: the
addresses in "Dbg: " lines, backup stamps and working-copy names.
"""
import argparse
import os
import pty
import re
import shutil
import stat
import subprocess
import sys
import tempfile

from cases import CASES, System

MASKS = [
    (re.compile(r"(=A'|Base= |CP= |MP= |\.rsrc= |Start= |End= )[0-9a-fA-F]+"), r"\1@"),
    (re.compile(r"Z[0-9]{14}"), "Z<stamp>"),
    (re.compile(r"\.[\\/]KRV[0-9A-Fa-f]+\.tmp"), "<work>"),
]


def mask(text):
    for pattern, replacement in MASKS:
        text = pattern.sub(replacement, text)
    return text


def lines(data):
    text = data.decode("latin-1").replace("\r\n", "\n")
    result = text.split("\n")
    if result and result[-1] == "":
        result.pop()
    return [mask(line) for line in result]


class Runner:
    def __init__(self, args):
        self.vorbix = os.path.abspath(args.vorbix)
        self.mdlgen = os.path.abspath(args.mdlgen)
        self.prefix = args.exec_prefix.split() if args.exec_prefix else []
        self.emulated = bool(self.prefix)
        self.failures = []

    def make_files(self, case, directory):
        originals = {}
        for name, options in case.get("files", {}).items():
            generated = os.path.join(directory, "generated.tmp")
            offset = subprocess.run([self.mdlgen, "--print-offset", *options, generated], check=True,
                                    capture_output=True, text=True).stdout.strip()
            target = os.path.join(directory, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            os.replace(generated, target)
            with open(target, "rb") as f:
                originals[name] = (f.read(), int(offset))
        for name, target in case.get("links", {}).items():
            os.makedirs(os.path.dirname(os.path.join(directory, name)), exist_ok=True)
            os.symlink(target, os.path.join(directory, name))
        for name in case.get("readonly", []):
            path = os.path.join(directory, name)
            os.chmod(path, os.stat(path).st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))
        return originals

    def run_program(self, case, directory):
        command = self.prefix + [self.vorbix, *case["args"]]
        if case.get("tty"):
            # The parser's complaint goes to the terminal behind standard error.
            master, slave = pty.openpty()
            result = subprocess.run(command, cwd=directory, stdout=subprocess.PIPE, stderr=slave,
                                    stdin=subprocess.DEVNULL, timeout=120)
            os.close(slave)
            chunks = []
            while True:
                try:
                    chunk = os.read(master, 4096)
                except OSError:
                    break
                if not chunk:
                    break
                chunks.append(chunk)
            os.close(master)
            return result.returncode, result.stdout, b"".join(chunks)
        result = subprocess.run(command, cwd=directory, capture_output=True, stdin=subprocess.DEVNULL, timeout=120)
        return result.returncode, result.stdout, result.stderr

    def compare_stderr(self, expected, actual):
        if len(expected) != len(actual):
            return False
        for want, got in zip(expected, actual):
            if isinstance(want, System):
                # The system's own text: ours natively; Windows' (or Wine's) is its own.
                if (not self.emulated and got != want.native) or not got.strip():
                    return False
            elif want != got:
                return False
        return True

    def check(self, case):
        problems = []
        directory = tempfile.mkdtemp(prefix="vorbix-cli-")
        try:
            originals = self.make_files(case, directory)
            code, out, err = self.run_program(case, directory)
            out_lines, err_lines = lines(out), lines(err)
            if out_lines != case.get("stdout", []):
                problems.append(("stdout", case.get("stdout", []), out_lines))
            expected_err = [line.replace("PROGRAM", self.vorbix) if isinstance(line, str) else line
                            for line in case.get("stderr", [])]
            if not self.compare_stderr(expected_err, err_lines):
                problems.append(("stderr", expected_err, err_lines))
            if code != case.get("exit", 0):
                problems.append(("exit code", case.get("exit", 0), code))
            left = sorted(mask(os.path.relpath(os.path.join(root, name), directory)).replace(os.sep, "/")
                          for root, _, names in os.walk(directory) for name in names)
            expected_left = sorted(case.get("left", list(case.get("files", {}).keys())))
            if left != expected_left:
                problems.append(("files left", expected_left, left))
            problems += [("link", name, "a file") for name in case.get("links", {})
                         if not os.path.islink(os.path.join(directory, name))]
            for name, (original, offset) in originals.items():
                with open(os.path.join(directory, name), "rb") as f:
                    now = f.read()
                scale = case.get("scales", {}).get(name)
                expected = original
                if scale is not None:
                    expected = original[:offset] + scale.to_bytes(2, "little") + original[offset + 2:]
                if now != expected:
                    problems.append(("content of " + name, "scale %s" % scale, "other bytes"))
        finally:
            for root, dirs, names in os.walk(directory):
                for name in dirs + names:
                    if not os.path.islink(os.path.join(root, name)):
                        os.chmod(os.path.join(root, name), 0o755)
            shutil.rmtree(directory, ignore_errors=True)
        return problems

    def run(self, selected):
        passed = failed = skipped = 0
        for case in CASES:
            if selected and not any(word in case["name"] for word in selected):
                continue
            if case.get("tty") and self.emulated:
                skipped += 1
                continue
            if case.get("readonly_refused") and self.emulated and os.geteuid() == 0:
                # Wine run as root lets read-only files be written; Windows refuses.
                skipped += 1
                print("skip " + case["name"] + " (Wine as root does not refuse writes to read-only files)")
                continue
            problems = self.check(case)
            if problems:
                failed += 1
                print("FAIL " + case["name"])
                for what, want, got in problems:
                    print("  %s:\n    expected: %r\n    actual:   %r" % (what, want, got))
            else:
                passed += 1
                print("ok   " + case["name"])
        print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
        return failed == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--vorbix", required=True)
    parser.add_argument("--mdlgen", required=True)
    parser.add_argument("--exec-prefix", default="", help="run the program through this, e.g. wine")
    parser.add_argument("only", nargs="*", help="run only cases whose name holds one of these words")
    args = parser.parse_args()
    sys.exit(0 if Runner(args).run(args.only) else 1)


if __name__ == "__main__":
    main()
