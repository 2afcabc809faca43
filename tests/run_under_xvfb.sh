#!/bin/sh
# Runs a command with DISPLAY set to a private Xvfb server, started and stopped here.
# Xvfb picks a free display number itself (-displayfd) and reports it once it accepts
# connections, so several of these may start at the same moment without taking each
# other's display.
set -eu
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT INT TERM
read -r display <"$fifo"
[ -n "$display" ] || { echo "Xvfb did not start"; exit 1; }
DISPLAY=":$display" "$@"
