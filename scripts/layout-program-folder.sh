#!/usr/bin/env bash
# Lays out the program folder (the build folder, where the executables are): the engine's alias
# file with the DEMO alias, and a copy of the demo database. Both are made only when missing, so
# the user's own aliases and the changes made to the demo tables survive a rebuild.
set -euo pipefail
folder=${1:?usage: layout-program-folder.sh PROGRAM_FOLDER}
top=$(cd "$(dirname "$0")/.." && pwd)

if [ ! -e "$folder/tdbalias.cfg" ]; then
  # Relative folders are taken from the alias file's own folder.
  printf 'DEMO=demo\r\n' > "$folder/tdbalias.cfg"
fi
mkdir -p "$folder/demo"
find "$top/demo" -maxdepth 1 -type f ! -name '*.md' -exec cp -n {} "$folder/demo/" \;
