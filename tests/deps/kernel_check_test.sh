#!/usr/bin/env bash
# The Windows lane's check for a kernel that runs 32-bit programs gives the same answer with
# an emulator registered for i386 programs as without one: the 32-bit Wine loader answers
# through the emulator, and emulation is no 32-bit support. Needs root, qemu-i386, binfmt_misc
# and the 32-bit Wine loader; says so and passes where one is missing.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
loader=/usr/lib/wine/wine
entry=vorbix-check-test
before=$("$top/scripts/kernel-runs-i386" "$loader")
trap '"$top/scripts/binfmt-i386" remove "$entry" 2>/dev/null' EXIT
if [ "$(id -u)" -ne 0 ] || [ ! -x "$loader" ] || ! command -v qemu-i386 >/dev/null ||
  ! "$top/scripts/binfmt-i386" add "$entry" 2>/dev/null; then
  echo "kernel_check_test: skipped: it needs root, $loader, qemu-i386 and binfmt_misc"
  exit 0
fi
"$loader" --version >/dev/null 2>&1 && through="answers" || through="does not answer"
after=$("$top/scripts/kernel-runs-i386" "$loader")
echo "without an emulator: $before"
echo "with one registered (the loader $through through it): $after"
[ "${before%%:*}" = "${after%%:*}" ] && grep -qx enabled "/proc/sys/fs/binfmt_misc/$entry"
