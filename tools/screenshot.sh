#!/bin/sh
# Takes a screenshot of the program's window on a private virtual display.
#
#   tools/screenshot.sh OUT.png [PROGRAM [ARGUMENTS...]]
#
# Starts Xvfb on a free display, runs PROGRAM (by default the console demo,
# $CONSOLE_DEMO or build/tools/console_demo) with a real SDL window, an empty
# temporary drive C: and no sound, waits until its window is on the screen
# and has had time to draw, saves the whole screen as OUT.png, and stops
# both. Needs xvfb, x11-utils and imagemagick.
#
# Settings through the environment: SCREEN_SIZE (default 1280x1024x24),
# SETTLE_SECONDS (time to draw after the window appears, default 2),
# WAIT_SECONDS (how long to wait for the window, default 20).
set -eu

if [ $# -lt 1 ]; then
  echo "usage: $0 OUT.png [PROGRAM [ARGUMENTS...]]" >&2
  exit 2
fi
out=$1
shift
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ]; then
  set -- "${CONSOLE_DEMO:-$repo/build/tools/console_demo}"
fi
if [ ! -x "$1" ] && ! command -v "$1" >/dev/null 2>&1; then
  echo "$0: cannot run $1 (build it first, or name the program)" >&2
  exit 2
fi
screen=${SCREEN_SIZE:-1280x1024x24}
settle=${SETTLE_SECONDS:-2}
wait_limit=${WAIT_SECONDS:-20}

# The first display number from 99 up that nobody holds.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done

drive=$(mktemp -d)
xvfb_pid=
program_pid=
# Ends one child: politely first (the program closes its window on
# SIGTERM), then for good after five seconds.
stop() {
  kill "$1" 2>/dev/null || return 0
  (sleep 5; kill -9 "$1" 2>/dev/null) &
  watchdog=$!
  wait "$1" 2>/dev/null || true
  kill "$watchdog" 2>/dev/null || true
  wait "$watchdog" 2>/dev/null || true
}
# The program goes before the display it draws on.
cleanup() {
  if [ -n "$program_pid" ]; then stop "$program_pid"; fi
  if [ -n "$xvfb_pid" ]; then stop "$xvfb_pid"; fi
  rm -rf "$drive"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

Xvfb ":$display" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
tries=0
until DISPLAY=":$display" xdpyinfo >/dev/null 2>&1; do
  tries=$((tries + 1))
  if [ $tries -gt $((wait_limit * 10)) ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "$0: Xvfb did not start on :$display" >&2
    exit 1
  fi
  sleep 0.1
done

DISPLAY=":$display" TALMAR_VIDEO=sdl TALMAR_AUDIO=null TALMAR_DRIVE_C="$drive" "$@" &
program_pid=$!

# Waits until a top-level window is viewable.
mapped() {
  for id in $(DISPLAY=":$display" xwininfo -root -children 2>/dev/null |
              sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    if DISPLAY=":$display" xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; then
      return 0
    fi
  done
  return 1
}
tries=0
until mapped; do
  tries=$((tries + 1))
  if [ $tries -gt $((wait_limit * 10)) ] || ! kill -0 "$program_pid" 2>/dev/null; then
    echo "$0: no window appeared" >&2
    exit 1
  fi
  sleep 0.1
done
sleep "$settle"

DISPLAY=":$display" import -window root "$out"
echo "$out"
