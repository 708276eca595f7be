#!/usr/bin/env bash
# Plays the bundled example song as a player would: the host loads
# son_velmo.dll, which plays it through SNESAPU.DLL, and the result is written
# to build/demo/example.wav. The shipped win32 build runs under Wine where
# Wine runs; elsewhere the native build of the same sources does.
set -euo pipefail
jobs="${JOBS:-2}"
demo=build/demo
mkdir -p "$demo"
# The demo plays with the default settings, whatever the user has stored.
export SONMARA_HOST_CONFIG_DIR="$demo/config"
export WINEDEBUG=-all

# Quiet unless it fails.
build() {
  local log="$demo/build-$1.log"
  cmake --preset "$1" >"$log" 2>&1 && cmake --build "build/$1" -j"$jobs" >>"$log" 2>&1 || { cat "$log"; exit 1; }
}
# The native build makes the example song.
build native
song=build/native/bin/example.spc
build win32
if scripts/wine-session.sh start; then
  echo "== the win32 build under Wine"
  host=(wine build/win32/bin/sonmara-host.exe)
else
  echo "== the native build (this machine cannot run 32-bit Windows programs)"
  host=(build/native/bin/sonmara-host)
fi
"${host[@]}" components
"${host[@]}" info "$song"
"${host[@]}" decode "$song" --pcm16 --overwrite -o "$demo/example.wav"
echo "== wrote $(pwd)/$demo/example.wav: play it with any player, for example: aplay $demo/example.wav"
