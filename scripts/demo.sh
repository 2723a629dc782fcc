#!/bin/bash
# Builds the shipped 32-bit module and its 64-bit twin, registers the stand-in
# tag reader in a Wine prefix, and runs the plugin probe (a small host) on the
# sample files in examples/, printing what the file manager would show.
# Usage: scripts/demo.sh [FILE...]   (default: every sample in examples/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/ensure-packages.sh
for preset in windows-x86 windows-x64; do
  echo "=== building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done

build=$root/build/windows-x64
prefix=$build/wine-prefix
tests/wine/prepare_prefix.sh "$prefix" "$build/tools/standin_reader/standin_reader.dll" >/dev/null

windows_path() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

files=()
if [ $# -gt 0 ]; then
  for file in "$@"; do files+=("$(windows_path "$file")"); done
else
  for file in examples/*; do
    case "$file" in *.tags|*.md) continue ;; esac
    files+=("$(windows_path "$file")")
  done
fi

echo "=== shipped module: $root/build/windows-x86/host/AmbrelTags.dll"
echo "=== running the probe on the 64-bit twin under Wine"
cmake/wine-run.sh "$prefix" "$build/tools/probe/ambrel_probe.exe" \
  --plugin "$(windows_path "$build/host/AmbrelTags.dll")" "${files[@]}"
