#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Torvanel need.
# Idempotent: when everything is present it prints nothing and asks apt nothing.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config clang-format
  # the workbench: Qt 6 Widgets, PrintSupport and the SVG icon engine; the print service's client
  # library, to hear whether a print job was taken
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins libcups2-dev
  # tests, and the fuzz build (clang with libFuzzer and the sanitizer runtimes)
  googletest libgtest-dev clang libclang-rt-14-dev
  # headless start and screenshot: X server, authority, a window lister, ImageMagick
  xvfb xauth x11-utils imagemagick
  # Chinese text on screen
  fonts-noto-cjk
  # interop tests: independent readers and writers of DBF tables and their memo files
  python3 python3-dbf python3-dbfread
  # interop tests: an independent reader of MDX, CDX and NDX index files (Perl's XBase module)
  libdbd-xbase-perl
  # interop tests: an independent writer of Paradox tables and their .MB blob files (pxlib),
  # linked into the C helper tests/interop/px_write.c
  pxlib-dev
  # the Debian package: cpack's dependency list (dpkg-shlibdeps, file), and its tests: lintian,
  # the desktop entry's validator, the file types' compiler
  dpkg-dev file lintian desktop-file-utils shared-mime-info
  # report tests: an independent reader of the PDFs the reports write (pdfinfo for the page count
  # and size, pdftotext for the text and the box characters of the table rules)
  poppler-utils
  # printing tests: the print scheduler and its PDF filter, which the tests run on a socket of
  # their own with queues that keep each job as a PDF file
  cups
  # benchmarks: shapelib's dbfdump, the peer program that `tdb dump` is timed against
  shapelib
)

missing=()
for p in "${packages[@]}"; do
  # A package counts as present only when dpkg reports it fully installed.
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" != "installed" ]; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
