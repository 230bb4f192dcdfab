#!/usr/bin/env bash
# Lays out model files that a Windows program cannot make under Wine, then runs the Fleet's
# test of them: two names that differ in case only in one Linux folder, and, as root, two
# files on two tmpfs whose inode numbers, and so their file indexes under Wine, agree.
#   separate_models_test.sh DIALOG_TESTS.EXE MDLGEN.EXE WINE-COMMAND...
set -u
tests=$1 mdlgen=$2
shift 2
work=$(mktemp -d /tmp/vorbix-separate-XXXXXX)
mounted=()
finish() {
  for folder in "${mounted[@]}"; do umount "$folder"; done
  rm -rf "$work"
}
trap finish EXIT
windows() { echo "Z:${1//\//\\}"; }
mkdir -p "$work/case"
"$@" "$mdlgen" "$(windows "$work/case/m.mdl")" >/dev/null
cp "$work/case/m.mdl" "$work/case/M.MDL"
sets="$(windows "$work/case/m.mdl");$(windows "$work/case/M.MDL")"
mkdir -p "$work/v1" "$work/v2"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs tmpfs "$work/v1" 2>/dev/null && mounted+=("$work/v1") &&
  mount -t tmpfs tmpfs "$work/v2" 2>/dev/null && mounted+=("$work/v2"); then
  cp "$work/case/m.mdl" "$work/v1/M.MDL"
  cp "$work/case/m.mdl" "$work/v2/M.MDL"
  echo "two tmpfs, inode numbers $(stat -c %i "$work/v1/M.MDL") and $(stat -c %i "$work/v2/M.MDL")"
  sets+="|$(windows "$work/v1/M.MDL");$(windows "$work/v2/M.MDL")"
else
  echo "two file systems: skipped, mounting a tmpfs was refused (it needs root)"
fi
VORBIX_SEPARATE_MODELS=$sets "$@" "$tests" --gtest_filter=CatalogTest.FleetSetsEveryFileThatAnUpdateReplaces
