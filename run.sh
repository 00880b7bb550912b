#!/usr/bin/env bash
# Sets up, builds and starts the workbench on the bundled demo database.
# Without a display it starts the program under Xvfb, saves build/screenshot.png once the main
# window is up, ends the program and exits 0.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
scripts/layout-program-folder.sh build

if [ -n "${DISPLAY:-}" ]; then
  exec build/torvanel
fi
scripts/headless-screenshot.sh build/torvanel build/screenshot.png
