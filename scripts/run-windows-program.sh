#!/usr/bin/env bash
# Runs a test program of the win32 build under Wine (on a kernel without
# 32-bit support, through the user-mode emulator that setup registers).
# Exits 77 (skipped) on a machine where Wine cannot start at all.
set -u
export WINEDEBUG=-all
if ! "$(dirname "$0")/wine-session.sh" start; then
  echo "skipped: this machine cannot run 32-bit Windows programs under Wine"
  exit 77
fi
# Where this Wine crashes when two threads run at once, the tests that start
# threads skip themselves (they run in the native build). The probe's answer
# is kept beside it, as a hanging probe costs its whole timeout.
probe="$(dirname "$1")/threads-probe.exe"
if [ -e "$probe" ]; then
  answer="$probe.answer"
  if [ ! "$answer" -nt "$probe" ]; then
    # Programs started side by side may probe at once: each writes its own
    # file and renames it into place, so the answer is never read half written.
    said=$(timeout 20 wine "$probe" </dev/null 2>/dev/null) && [ "$said" = "threads ran side by side" ] &&
      echo yes >"$answer.$$" || echo no >"$answer.$$"
    mv -f "$answer.$$" "$answer"
  fi
  if [ "$(cat "$answer")" = no ]; then
    echo "note: this Wine cannot run two threads at once; tests that need them are skipped"
    export VELMO_NO_THREADS_SIDE_BY_SIDE=1
  fi
fi
# A test program that ends without its summary line has stopped early,
# whatever its exit status says: that counts as a failure.
log=$(mktemp)
# Into a file, not the runner's pipe, which a debugger that Wine starts on a
# crash would otherwise hold open (and the runner wait on) long after.
wine "$@" >"$log" 2>&1
status=$?
cat "$log"
if [ "$status" -eq 0 ] && ! grep -q '^\[==========\] .* ran\.' "$log"; then
  echo "the program ended before its summary line"
  status=1
fi
rm -f "$log"
exit "$status"
