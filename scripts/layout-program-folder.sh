#!/usr/bin/env bash
# Lays out the program folder (the build folder, where the executables are): the engine's alias
# file with the DEMO alias, the demo database and its report template. Each is made only when
# missing (make_demo adds only the demo tables the folder lacks), so the user's own aliases and the
# changes made to the demo tables and template survive a rebuild.
set -euo pipefail
folder=${1:?usage: layout-program-folder.sh PROGRAM_FOLDER}

if [ ! -e "$folder/tdbalias.cfg" ]; then
  # Relative folders are taken from the alias file's own folder.
  printf 'DEMO=demo\r\n' > "$folder/tdbalias.cfg"
fi
mkdir -p "$folder/demo"
"$folder/make_demo" "$folder/demo"
# The demo's report template (ORDERS.ts0) beside the program, kept once it is there.
"$folder/make_demo_report" "$folder"
