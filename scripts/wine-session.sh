#!/usr/bin/env bash
# Starts and stops Wine's background services, the one place that does.
#   start  starts them with a first program (which also makes the prefix),
#          with no output inherited, so that they never hold a caller's
#          pipes open; exits 77 where Wine cannot run a 32-bit program.
#   keep   the same, and the services stay up between programs until stop.
#   stop   ends them, and any debugger a crash left running.
set -u
export WINEDEBUG=-all
case "${1:-}" in
start | keep)
  if [ "$1" = keep ]; then wineserver -p </dev/null >/dev/null 2>&1; fi
  timeout 300 wine cmd.exe /c exit 7 </dev/null >/dev/null 2>&1
  [ $? -eq 7 ] || exit 77
  ;;
stop)
  if command -v wineserver >/dev/null 2>&1; then wineserver -k >/dev/null 2>&1; fi
  exit 0
  ;;
*)
  echo "usage: $0 start|keep|stop" >&2
  exit 2
  ;;
esac
