#!/usr/bin/env bash
# The Debian package, checked as a user meets it: built by cpack, its control fields and files,
# lintian's verdict, the desktop entry and file types, and the installed program started the way
# a file manager starts it for a double-clicked table.
#   package_test.sh STEP BUILD_DIR WORK_DIR
# STEP "build" makes WORK_DIR/torvanel.deb from BUILD_DIR; the other steps read it.
set -euo pipefail
step=${1:?usage: package_test.sh STEP BUILD_DIR WORK_DIR}
build=$(realpath "${2:?}")
work=${3:?}
deb=$work/torvanel.deb

fail() { echo "FAIL: $*" >&2; exit 1; }

case $step in
build)
  rm -rf "$work" && mkdir -p "$work"
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack"; }
  made=("$work"/cpack/torvanel_*_amd64.deb)
  [ -f "${made[0]}" ] || fail "cpack made no torvanel_VERSION_amd64.deb: $(ls "$work/cpack")"
  cp "${made[0]}" "$deb"
  echo "$(basename "${made[0]}"): $(stat -c %s "$deb") bytes"
  ;;

fields)
  info=$(dpkg-deb -I "$deb")
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = torvanel ] || fail "Package: $(field Package)"
  [ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
  [ -n "$(field Version)" ] || fail "no Version"
  depends=$(field Depends)
  echo "Depends: $depends"
  names=$(sed -E 's/\([^)]*\)//g; s/,/ /g' <<<"$depends" | tr -s ' ' '\n')
  # Derived from the programs' libraries, plus the font the Chinese screens need.
  for p in fonts-noto-cjk libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
    grep -qxF "$p" <<<"$names" || fail "Depends lacks $p"
  done
  # Every dependency is a Debian package this machine has installed.
  for p in $names; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] ||
      fail "Depends names $p, which is not an installed Debian package here"
  done
  grep -q "^ Description: " <<<"$info" || fail "no Description"

  files=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for f in ./usr/bin/torvanel ./usr/bin/tdb ./usr/share/torvanel/tdbalias.cfg \
    ./usr/share/torvanel/demo/CUSTOMER.DBF ./usr/share/torvanel/demo/ORDERS.CDX \
    ./usr/share/torvanel/demo/PRODUCT.DB ./usr/share/torvanel/demo/SUPPLIER.TXT \
    ./usr/share/torvanel/ORDERS.ts0 \
    ./usr/share/applications/torvanel.desktop ./usr/share/mime/packages/torvanel.xml \
    ./usr/share/icons/hicolor/scalable/apps/torvanel.svg ./usr/share/doc/torvanel/copyright \
    ./usr/share/doc/torvanel/changelog.gz; do
    grep -qxF "$f" <<<"$files" || fail "the package lacks $f"
  done
  for size in 16 22 24 32 48 64 128 256; do
    grep -qxF "./usr/share/icons/hicolor/${size}x${size}/apps/torvanel.png" <<<"$files" ||
      fail "the package lacks the ${size}x${size} icon"
  done
  # Nothing else of the build folder travels: no tests, no tools.
  grep -Ev '^\./usr/((bin/(torvanel|tdb)?)|share/.*)?$' <<<"$files" && fail "unexpected files above"
  true
  ;;

lintian)
  # Errors fail; warnings are printed for the record.
  out=$(lintian --allow-root "$deb" 2>&1) || true
  echo "$out"
  grep -q '^E: ' <<<"$out" && fail "lintian reports errors"
  echo "lintian: no errors ($(grep -c '^W: ' <<<"$out" || true) warnings)"
  ;;

desktop)
  root=$work/desktop-root
  rm -rf "$root" && dpkg-deb -x "$deb" "$root"
  desktop-file-validate "$root/usr/share/applications/torvanel.desktop"
  entry=$root/usr/share/applications/torvanel.desktop
  grep -qx 'Exec=torvanel %F' "$entry" || fail "Exec: $(grep ^Exec= "$entry")"
  grep -qx 'Categories=Office;Database;' "$entry" || fail "Categories: $(grep ^Categories= "$entry")"
  # The file types compile and map both letter cases to the types the entry opens.
  update-mime-database "$root/usr/share/mime" 2>"$work/mime.log" || { cat "$work/mime.log"; fail "update-mime-database"; }
  globs=$root/usr/share/mime/globs2
  for g in application/x-dbf:\*.dbf application/x-dbf:\*.DBF application/x-paradox-table:\*.db \
    application/x-paradox-table:\*.DB application/x-torvanel-project:\*.tsm \
    application/x-torvanel-project:\*.TSM; do
    grep -qF ":$g" "$globs" || fail "no glob $g"
  done
  for type in application/x-dbf application/x-paradox-table; do
    grep -q "^MimeType=.*$type;" "$entry" || fail "the entry does not open $type"
  done
  # Each icon is the size its folder says.
  for png in "$root"/usr/share/icons/hicolor/*x*/apps/torvanel.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    [ "$(identify -format %wx%h "$png")" = "$size" ] || fail "$png is not $size"
  done
  ;;

start)
  # Installed by dpkg into a throwaway root; the installed tree is what runs.
  root=$work/root home=$work/home tables="$work/数据 表"
  rm -rf "$root" "$home" "$tables"
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$home" "$tables"
  touch "$root/var/lib/dpkg/status"
  dpkg --root="$root" --force-depends --force-not-root -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg -i"; }
  for ext in DBF DBT MDX; do
    cp "$root/usr/share/torvanel/demo/CUSTOMER.$ext" "$tables/客户 名单.$ext"
  done
  # The command a file manager runs for two tables: the entry's Exec with %F expanded.
  read -r -a exec_words <<<"$(sed -n 's/^Exec=//p' "$root/usr/share/applications/torvanel.desktop")"
  command=()
  for w in "${exec_words[@]}"; do
    if [ "$w" = %F ]; then command+=("$tables/客户 名单.DBF" DEMO:ORDERS.DBF); else command+=("$w"); fi
  done
  runtime=$(mktemp -d)
  export HOME=$home XDG_RUNTIME_DIR=$runtime PATH="$root/usr/bin:$PATH"
  unset XDG_DATA_HOME
  # The server picks a free display itself and names it once it is ready, so tests and other
  # programs that start X servers at the same time never collide on a number.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$! pid=
  trap 'kill $pid $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
  for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
  export DISPLAY=:$(tr -d '\n' <"$work/display")
  "${command[@]}" &
  pid=$!
  for _ in $(seq 1 300); do
    xwininfo -root -tree 2>/dev/null | grep -q "Torvanel(Vorlant" && break
    kill -0 "$pid" 2>/dev/null || fail "torvanel ended before its main window showed"
    sleep 0.1
  done
  sleep 2 # the tables open after start-up; let their first paint land
  import -window root "$work/screenshot.png"
  xwininfo -root -tree >"$work/windows.txt"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "screenshot: $work/screenshot.png"
  grep -q '"Torvanel(Vorlant 企业版V2.0)"' "$work/windows.txt" || fail "no main window"
  # One window of the program on the screen: no message box refused a table.
  [ "$(grep -c '("torvanel" "torvanel")' "$work/windows.txt")" -eq 1 ] ||
    fail "more than the main window is up: $(grep torvanel "$work/windows.txt")"
  # The first start seeded the user's folder, and the DEMO alias leads there.
  seeded=$home/.local/share/torvanel
  cmp "$seeded/tdbalias.cfg" "$root/usr/share/torvanel/tdbalias.cfg" || fail "alias file not seeded"
  cmp "$seeded/demo/ORDERS.DBF" "$root/usr/share/torvanel/demo/ORDERS.DBF" || fail "demo not seeded"
  # The seeded report template prints the demo's 120 orders without a display: four A4 pages.
  (unset DISPLAY &&
    torvanel --report DEMO:ORDERS.DBF --template "$seeded/ORDERS.ts0" --pdf "$work/订单.pdf") ||
    fail "the demo's report could not be written"
  pdfinfo "$work/订单.pdf" | grep -q '^Pages: *4$' || fail "the demo's report has not four pages"
  # The two table windows: the first at the left edge, the second 100 pixels to the right, each
  # half the screen wide. A strip that only one of them covers shows a grid's text and lines; the
  # main window's empty right half is one flat colour.
  colours() { convert "$work/screenshot.png" -crop "$1" +repage -format %k info:; }
  first=$(colours 90x400+5+300) second=$(colours 85x400+650+300) empty=$(colours 460x400+800+300)
  echo "colours: first window $first, second window $second, empty area $empty"
  [ "$empty" -eq 1 ] || fail "the area beside the windows is not empty"
  [ "$first" -gt 8 ] || fail "no first table window"
  [ "$second" -gt 8 ] || fail "no second table window"
  ;;

*) fail "unknown step $step" ;;
esac
