#!/usr/bin/env bash
# Runs a test program of the win32 build under Wine (on a kernel without
# 32-bit support, through the user-mode emulator that setup registers).
# Exits 77 (skipped) on a machine where Wine cannot start at all.
set -u
export WINEDEBUG=-all
# A first program starts Wine's background services. Started here, with no
# output inherited, they cannot hold the test runner's pipes open after the
# test has ended.
timeout 300 wine cmd.exe /c exit 7 </dev/null >/dev/null 2>&1
if [ $? -ne 7 ]; then
  echo "skipped: this machine cannot run 32-bit Windows programs under Wine"
  exit 77
fi
# A test program that ends without its summary line has stopped early,
# whatever its exit status says: that counts as a failure.
log=$(mktemp)
wine "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
if [ "$status" -eq 0 ] && ! grep -q '^\[==========\] .* ran\.' "$log"; then
  echo "the program ended before its summary line"
  status=1
fi
rm -f "$log"
exit "$status"
