#!/usr/bin/env python3
"""Batch speed of Vorbix: one run over N model files of 256 KiB in one directory, against
the floor of three plain copies of each file (backup, working copy, copy back), which an
update costs by design. Prints the times, the ratio and the time per file.

Natively the floor is three in-process copies of each file. With --exec-prefix (Vorbix.exe
under Wine) the floor is what the Win32 calls of one file cost when timed alone by
--calls (a small Windows program run under the same Wine), and the time per file of the
batch is the slope between two batch sizes, so that Wine's start-up is left out.
A benchmark, not a test: it asserts nothing.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

MODEL_BYTES = 256 * 1024


def make_models(mdlgen, directory, count):
    os.makedirs(directory)
    first = os.path.join(directory, "M00000.MDL")
    subprocess.run([mdlgen, "--size", str(MODEL_BYTES), first], check=True)
    names = ["M00000.MDL"]
    for i in range(1, count):
        name = f"M{i:05d}.MDL"
        shutil.copyfile(first, os.path.join(directory, name))
        names.append(name)
    return names


def best_of(runs, measure):
    return min(measure() for _ in range(runs))


def time_vorbix(args, count, root):
    def measure():
        work = tempfile.mkdtemp(dir=root)
        names = make_models(args.mdlgen, os.path.join(work, "models"), count)
        command = args.exec_prefix.split() + [args.vorbix, "-nologo", "-s", "9", *names]
        os.sync()  # the models' own writing is not charged to the run
        start = time.perf_counter()
        subprocess.run(command, cwd=os.path.join(work, "models"), stdout=subprocess.DEVNULL, check=True)
        elapsed = time.perf_counter() - start
        shutil.rmtree(work)
        return elapsed

    return best_of(args.runs, measure)


def time_floor(args, count, root):
    def measure():
        work = tempfile.mkdtemp(dir=root)
        models = os.path.join(work, "models")
        names = make_models(args.mdlgen, models, count)
        os.sync()
        start = time.perf_counter()
        for name in names:
            path = os.path.join(models, name)
            shutil.copyfile(path, path + ".backup")
            shutil.copyfile(path, os.path.join(work, "work.tmp"))
            shutil.copyfile(os.path.join(work, "work.tmp"), path)
        elapsed = time.perf_counter() - start
        shutil.rmtree(work)
        return elapsed

    return best_of(args.runs, measure)


def native(args, root):
    print(f"{'files':>6} {'Vorbix s':>9} {'floor s':>9} {'ratio':>6} {'ms/file':>8}")
    per_file = {}
    for count in args.counts:
        vorbix = time_vorbix(args, count, root)
        floor = time_floor(args, count, root)
        per_file[count] = vorbix / count * 1000
        print(f"{count:>6} {vorbix:>9.3f} {floor:>9.3f} {vorbix / floor:>6.2f} {per_file[count]:>8.3f}")
    low, high = min(args.counts), max(args.counts)
    print(f"time per file at {high} files / at {low} files: {per_file[high] / per_file[low]:.2f}")


def emulated(args, root):
    work = tempfile.mkdtemp(dir=root)
    models = os.path.join(work, "models")
    make_models(args.mdlgen, models, 1)
    calls = subprocess.run(args.exec_prefix.split() + [args.calls, "200"], cwd=models, check=True,
                           capture_output=True, text=True).stdout
    shutil.rmtree(work)
    print("Win32 calls of one file, each timed alone under the same Wine:")
    print(calls.rstrip())
    floor_ms = float(calls.strip().splitlines()[-1].split()[-2])  # "sum of the calls of one file: X ms"
    low, high = min(args.counts), max(args.counts)
    times = {count: time_vorbix(args, count, root) for count in (low, high)}
    for count, elapsed in times.items():
        print(f"{count:>6} files: Vorbix.exe {elapsed:.3f} s")
    slope_ms = (times[high] - times[low]) / (high - low) * 1000
    print(f"time per file {slope_ms:.2f} ms, sum of its calls {floor_ms:.2f} ms, ratio {slope_ms / floor_ms:.2f}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vorbix", required=True)
    parser.add_argument("--mdlgen", required=True)
    parser.add_argument("--exec-prefix", default="")
    parser.add_argument("--calls", help="the Windows program that times the Win32 calls alone")
    parser.add_argument("--counts", default="50,200,1000")
    parser.add_argument("--runs", type=int, default=5)
    # A disk's write-back makes the times of large batches vary from run to run by more
    # than what is measured; memory does not.
    parser.add_argument("--dir", default="/dev/shm" if os.path.isdir("/dev/shm") else None,
                        help="where the models are written (default: /dev/shm where there is one)")
    args = parser.parse_args()
    args.counts = [int(n) for n in args.counts.split(",")]
    args.vorbix, args.mdlgen = os.path.abspath(args.vorbix), os.path.abspath(args.mdlgen)
    root = tempfile.mkdtemp(prefix="vorbix-batch-", dir=args.dir)
    print(f"models in {root}")
    try:
        if args.exec_prefix:
            if not args.calls:
                sys.exit("--exec-prefix needs --calls")
            args.calls = os.path.abspath(args.calls)
            emulated(args, root)
        else:
            native(args, root)
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
