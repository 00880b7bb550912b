#!/usr/bin/env bash
# Sets up, builds and runs every test (all CTest labels); exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
# The sanitizer tree (clang, AddressSanitizer and UndefinedBehaviorSanitizer): the fuzz targets
# with their corpora, and the unit and gui suites once more, where a use after free or undefined
# behaviour that a plain build survives stops the test that caused it.
cmake -S . -B build-fuzz -G Ninja -DTORVANEL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j2

# The sanitized suites first and the main suite last, so that the closing summary is the main
# one; both always run, and any failure fails the whole.
status=0
(cd build-fuzz && ctest --output-on-failure -j2) || status=$?
(cd build && ctest --output-on-failure -j2) || status=$?
exit $status
