#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for both builds. Idempotent and
# quiet when everything is already there.
set -euo pipefail

packages=(cmake ninja-build g++ clang libgtest-dev libgmock-dev googletest libbenchmark-dev
          nlohmann-json3-dev libgme-dev g++-mingw-w64-i686 wine wine32:i386 wine32-preloader:i386
          qemu-user xvfb)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  # Another setup may be installing at the same time: wait for its lock.
  apt=(apt-get -o DPkg::Lock::Timeout=600)
  # A mirror in the middle of a sync fails an update now and then: try again,
  # and go on with the lists it did fetch if it keeps failing.
  for attempt in 1 2 3; do
    $sudo "${apt[@]}" update -qq && break
    echo "setup: package lists incomplete (try $attempt of 3)"
    sleep $((attempt * 10))
  done
  if ! DEBIAN_FRONTEND=noninteractive $sudo "${apt[@]}" install -y -qq "${missing[@]}" >/dev/null; then
    # With one architecture's security list missing, the other's newer
    # libraries cannot be matched: install from the main archive alone.
    echo "setup: installing without the security suite"
    sources=$(mktemp -d)
    for f in /etc/apt/sources.list.d/*.sources; do
      if [ -e "$f" ]; then awk -v RS= -v ORS='\n\n' '!/debian-security/' "$f" >"$sources/$(basename "$f")"; fi
    done
    if [ -e /etc/apt/sources.list ]; then
      grep -v debian-security /etc/apt/sources.list >"$sources/main.list" || true
    fi
    DEBIAN_FRONTEND=noninteractive $sudo "${apt[@]}" -o Dir::Etc::SourceParts="$sources" \
      -o Dir::Etc::SourceList=/dev/null install -y -qq "${missing[@]}" >/dev/null
    rm -rf "$sources"
  fi
fi

# Wine's 32-bit loader is an i386 program. A kernel without 32-bit support
# cannot start it, so such programs are handed to the user-mode emulator.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    echo "setup: running i386 programs through qemu-i386"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:OC' \
      | $sudo tee "$binfmt/register" >/dev/null
  fi
fi
