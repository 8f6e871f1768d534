#!/usr/bin/env bash
# The main window as a user first sees it: started on a 200-row sample price
# list with two saved orders, maximised by a real window manager (openbox) on
# a virtual screen (Xvfb), the whole screen saved as OUT.png.
#
#   bash scripts/screenshot_maximised.sh [BUILD_DIR] docs/main-window-maximised.png
#
# Needs xvfb, openbox and imagemagick (scripts/setup.sh test). It works in a
# temporary folder, and its own X display, and removes both afterwards.
set -euo pipefail
if [ $# -eq 1 ]; then set -- "$(dirname "$0")/../build" "$1"; fi
build=$(cd "$1" && pwd)
out=$(realpath -m "$2")
program=$build/src/app/zakaz
dbftool=$build/tools/dbftool/dbftool
[ -x "$program" ] && [ -x "$dbftool" ] || { echo "build zakaz and dbftool in $build first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work"/{demand,archive,in,temp}
"$dbftool" sample 200 "$work/price.DBF" --seed 1 >/dev/null
"$dbftool" sample 3 "$work/demand/0001A3F0.DBF" --seed 2 >/dev/null
"$dbftool" sample 5 "$work/demand/0001B412.DBF" --seed 3 >/dev/null

# A free display number: the first without a lock file.
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
export DISPLAY=:$display
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
HOME=$work openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

# The settings file is beside the executable; a copy of the program keeps the
# build's own settings out of the picture and untouched.
mkdir "$work/bin"
cp "$program" "$work/bin/zakaz"
(cd "$work" && QT_QPA_PLATFORM=xcb exec "$work/bin/zakaz") >"$work/zakaz.log" 2>&1 &
pids+=($!)
# Until the window is mapped and maximised, then a moment to paint.
for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'Прайслист от'; then break; fi
  sleep 0.1
done
sleep 2
import -window root "$out"
echo "saved $out"
