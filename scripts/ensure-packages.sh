#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need, when
# any is missing. Safe to run again: it installs nothing that is present.
set -eu

packages="cmake ninja-build g++ clang libclang-rt-14-dev llvm googletest libgtest-dev libgmock-dev \
libbenchmark-dev locales g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 python3"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

echo "Installing missing packages:$missing"
if [ "$(id -u)" -ne 0 ]; then
  echo "error: these packages are missing and installing them needs root:$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq $missing
