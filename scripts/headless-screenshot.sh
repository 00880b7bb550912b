#!/usr/bin/env bash
# Starts the workbench under a virtual X server, waits for its main window, saves a screenshot of
# the whole screen and ends the program.
set -euo pipefail
program=$(realpath "${1:?usage: headless-screenshot.sh PROGRAM OUTPUT.png}")
output=$(realpath -m "${2:?usage: headless-screenshot.sh PROGRAM OUTPUT.png}")

export PROGRAM="$program" OUTPUT="$output"
# Qt wants a private runtime folder, which a bare session lacks.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi
xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" bash -c '
  set -u
  "$PROGRAM" & pid=$!
  for _ in $(seq 1 300); do
    if xwininfo -root -tree 2>/dev/null | grep -q "Torvanel(Vorlant"; then break; fi
    if ! kill -0 "$pid" 2>/dev/null; then echo "torvanel ended before its main window showed" >&2; exit 1; fi
    sleep 0.1
  done
  sleep 1  # let the first paint of every control land
  import -window root "$OUTPUT"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
'
echo "screenshot: $output"
