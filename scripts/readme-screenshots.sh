#!/usr/bin/env bash
# Takes the README's pictures (a table window in both views, the query builder, a filtered window
# with a sum, the preview of the demo's orders report) under a virtual X server, from the demo
# database and report template in the build's program folder, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --build build -j2 --target window_screenshots preview_screenshot make_demo make_demo_report
scripts/layout-program-folder.sh build
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi
xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/window_screenshots build/ docs
xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/preview_screenshot build/ \
  docs/preview-page.png
