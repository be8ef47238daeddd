#!/usr/bin/env bash
# Runs a Windows build's programs under wine, headless.
#
#   tools/wine-env.sh prefix             create the prefix if it is missing; leaves nothing running
#   tools/wine-env.sh start              the prefix, then wine's server and services, kept running
#   tools/wine-env.sh run PROGRAM [ARG]  run a Windows program (CTest's emulator)
#   tools/wine-env.sh stop               end every wine process of the prefix
#
# The prefix is $WINEPREFIX, or build/wineprefix when that is unset (a build's tests use
# build/<preset>/wineprefix; CI sets one for the whole run).
#
# Whatever starts wineserver and wine's background programs lends them its output, and CTest
# waits for a command's output to close. So `start` sends theirs nowhere, and `run` gives the
# program a file for each output that is a pipe and copies it out when the program ends:
# whether wine was already up or the program starts it, nothing of wine's holds CTest's pipes.
# Wine that `run` starts ends by itself seconds after the program (so listing a build's tests
# leaves nothing running); wine that `start` starts stays up until `stop`, so the tests don't
# each wait for it to start.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No dialogs offering to download Mono and Gecko: the tests need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

quietly() { "$@" </dev/null >/dev/null 2>&1; }

prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  echo "Creating the wine prefix $WINEPREFIX" >&2
  quietly wineboot -i
  quietly wineserver -w
}

start() {
  prefix
  # Stays up until stopped, so the tests' wine processes all share this one server. If a
  # server is already up it can't be made to stay: one that `run` started ends within seconds,
  # so wait for that (at most 10 s, in case it was started to stay) and try again.
  if ! quietly wineserver -p; then
    quietly timeout 10 wineserver -w || true
    quietly wineserver -p || true
  fi
  quietly wine cmd /c exit
}

run() {
  prefix
  # Only a pipe keeps its reader waiting while wine's background programs hold it: a piped
  # output goes through a file, copied out when the program ends. A terminal (a console, to
  # wine), a file or a device the program writes to straight, and sees what comes of it.
  local out="" err="" status=0
  [ -p /dev/stdout ] && out="$(mktemp)"
  [ -p /dev/stderr ] && err="$(mktemp)"
  exec 3>&1 4>&2
  [ -z "$out" ] || exec 3>"$out"
  [ -z "$err" ] || exec 4>"$err"
  wine "$@" >&3 2>&4 3>&- 4>&- || status=$?
  exec 3>&- 4>&-
  if [ -n "$out" ]; then cat "$out"; rm -f "$out"; fi
  if [ -n "$err" ]; then cat "$err" >&2; rm -f "$err"; fi
  return "$status"
}

stop() {
  quietly wineserver -k || true
}

command="${1:-}"
case "$command" in
  prefix | start | stop) "$command" ;;
  run) shift; [ $# -gt 0 ] || { echo "usage: $0 run PROGRAM [ARGUMENT...]" >&2; exit 2; }; run "$@" ;;
  *) echo "usage: $0 prefix|start|run PROGRAM [ARGUMENT...]|stop" >&2; exit 2 ;;
esac
