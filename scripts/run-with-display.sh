#!/usr/bin/env bash
# Runs a program that opens windows on a private virtual display of its own.
# Exits 77 (skipped) where no virtual display can start.
set -u
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "skipped: Xvfb is not installed, so the windows have no display"
  exit 77
fi
if ! xvfb-run -a true >/dev/null 2>&1; then
  echo "skipped: Xvfb cannot start on this machine"
  exit 77
fi
# Wine's session services keep the display they were started with; those
# of the usual prefix may be running without one. A prefix of the display
# tests' own starts its services here, on this display.
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}-display"
xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
status=$?
# The prefix's services belong to the display that has just gone (a crash
# there can leave a debugger running): they stop with it.
"$(dirname "$0")/wine-session.sh" stop
exit "$status"
