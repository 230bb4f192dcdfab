#!/usr/bin/env python3
"""Runs scripts/install-deps against a fake apt-get, dpkg and dpkg-query early in PATH, so
the machine's packages are never touched: a mirror in mid-sync, an install that resolves only
with the release as the target release, one that never does, and nothing to install."""
import os, subprocess, sys, tempfile

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HALF_SYNCED = ("E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/"
               "binary-i386/Packages.xz  File has unexpected size (374820 != 376004). "
               "Mirror sync in progress? [IP: 192.0.2.1 80]\n"
               "E: Some index files failed to download. They have been ignored, or old ones used instead.")
FAKES = {
    "apt-get": """echo "apt-get $*" >>"$FAKE_LOG"
case "$1" in
  update) [ "$FAKE_UPDATE" = ok ] && exit 0; echo "$FAKE_UPDATE_TEXT" >&2; exit 100;;
  install) case "$FAKE_INSTALL:$*" in ok:*|release:*" -t "*) exit 0;; esac
           echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100;;
esac""",
    "dpkg": '[ "$1" = --print-foreign-architectures ] && echo i386; exit 0',
    "dpkg-query": '[ "$FAKE_INSTALLED" = yes ] && printf "install ok installed"; exit 0',
    "sudo": 'exec "$@"',
}

# (name, update, install, installed, status, lines expected in the output, apt calls)
CASES = [
    ("mirror in mid-sync, install works", "fail", "ok", "no", 0,
     ["install-deps: warning: apt-get update failed for bookworm-security/main/binary-i386/Packages.xz: "
      "File has unexpected size (374820 != 376004). Mirror sync in progress?; going on with the indexes that are there"],
     ["update", "install"]),
    ("install resolves only with the release", "fail", "release", "no", 0,
     ["install-deps: the install could not be resolved; trying once more with testrelease as the target release"],
     ["update", "install", "install -t testrelease"]),
    ("nothing resolves", "fail", "fail", "no", 1,
     ["install-deps: the package mirror may be in the middle of a sync: wait for it to finish, then run this again."],
     ["update", "install", "install -t testrelease"]),
    ("everything installed", "fail", "fail", "yes", 0, [], []),
]


def run(case, scratch):
    name, update, install, installed, status, lines, calls = case
    bin_dir = os.path.join(scratch, "bin")
    os.makedirs(bin_dir, exist_ok=True)
    for tool, body in FAKES.items():
        path = os.path.join(bin_dir, tool)
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body + "\n")
        os.chmod(path, 0o755)
    release = os.path.join(scratch, "os-release")
    with open(release, "w") as f:
        f.write("VERSION_CODENAME=testrelease\n")
    log = os.path.join(scratch, "apt.log")
    open(log, "w").close()
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"], OS_RELEASE=release, FAKE_LOG=log,
               FAKE_UPDATE=update, FAKE_UPDATE_TEXT=HALF_SYNCED, FAKE_INSTALL=install, FAKE_INSTALLED=installed)
    result = subprocess.run([os.path.join(TOP, "scripts", "install-deps")], env=env, capture_output=True,
                            text=True, timeout=60)
    output = (result.stdout + result.stderr).splitlines()
    with open(log) as f:
        made = [" ".join(w for w in line.split() if w in ("update", "install", "-t", "testrelease")) for line in f]
    faults = []
    if (result.returncode == 0) != (status == 0):
        faults.append(f"status {result.returncode}, expected {status}")
    faults += [f"missing line: {line}" for line in lines if line not in output]
    if made != calls:
        faults.append(f"apt calls {made}, expected {calls}")
    return faults


def main():
    failed = 0
    for case in CASES:
        with tempfile.TemporaryDirectory() as scratch:
            faults = run(case, scratch)
        print(("FAIL " if faults else "ok   ") + case[0])
        for fault in faults:
            print("     " + fault)
        failed += bool(faults)
    print(f"{len(CASES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
