#!/usr/bin/env bash
# Sets up the machine, builds the program and starts it in the given working
# directory, or in a demo working directory (demo/work) made on first run: a
# sample price list, the directories demand, archive, in and temp, a few
# pending orders and the help text.
#
# The program's settings (param.Ini) live beside the executable, in
# build/src/app/. Without a display, set QT_QPA_PLATFORM=offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target dbftool zakaz

dbftool=$root/build/tools/dbftool/dbftool
if [ $# -eq 0 ]; then
  workdir=$root/demo/work
  if [ ! -e "$workdir/price.DBF" ]; then
    mkdir -p "$workdir"/{demand,archive,in,temp}
    "$dbftool" sample 200 "$workdir/price.DBF" --seed 1
    "$dbftool" sample 3 "$workdir/demand/0001A3F0.DBF" --seed 2
    "$dbftool" sample 5 "$workdir/demand/0001B412.DBF" --seed 3
    cp resources/help.rtf "$workdir/help.rtf"
  fi
else
  workdir=$1
fi

cd "$workdir"
exec "$root/build/src/app/zakaz"
