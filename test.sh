#!/usr/bin/env bash
# Sets up, builds and runs every test (all CTest labels); exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
cd build
ctest --output-on-failure -j2
