#!/bin/sh
# Creates the build tree's Wine prefix on first use, then registers the
# stand-in tag reader in it (HKCR\CLSID) as an installed converter would be.
# Usage: prepare_prefix.sh PREFIX STANDIN_DLL
set -eu
prefix=$1
standin=$2
run="$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run.sh"

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  "$run" "$prefix" wineboot --init
fi
windows_path="Z:$(printf '%s' "$standin" | tr / '\\')"
"$run" "$prefix" regsvr32 /s "$windows_path"
echo "prefix ready: $prefix (stand-in tag reader registered from $windows_path)"
