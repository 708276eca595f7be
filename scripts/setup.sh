#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for both builds. Idempotent and
# quiet when everything is already there.
set -euo pipefail

packages=(cmake ninja-build g++ clang libgtest-dev libgmock-dev googletest libbenchmark-dev
          nlohmann-json3-dev libgme-dev g++-mingw-w64-i686 wine wine32:i386 xvfb)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
