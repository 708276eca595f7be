#!/usr/bin/env bash
# Runs a test program of the win32 build under Wine (on a kernel without
# 32-bit support, through the user-mode emulator that setup registers).
# Exits 77 (skipped) on a machine where Wine cannot start at all.
set -u
export WINEDEBUG=-all
probe_file="${TMPDIR:-/tmp}/velmo-wine32-probe"
if [ ! -f "$probe_file" ]; then
  if command -v wine >/dev/null 2>&1 && timeout 300 wine cmd.exe /c exit 7 >/dev/null 2>&1; [ $? -eq 7 ]; then
    echo yes > "$probe_file"
  else
    echo no > "$probe_file"
  fi
fi
if [ "$(cat "$probe_file")" != yes ]; then
  echo "skipped: this machine cannot run 32-bit Windows programs under Wine"
  exit 77
fi
exec wine "$@"
