#!/usr/bin/env bash
# Sets up the machine, builds, and runs the program in the given working
# directory, or in a demo working directory (demo/work) made on first run.
#
# Until the main window lands, "the program" is the table inspector shown on a
# freshly made sample price list.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target dbftool

workdir=${1:-$root/demo/work}
mkdir -p "$workdir"
if [ ! -e "$workdir/price.DBF" ] && [ $# -eq 0 ]; then
  build/tools/dbftool/dbftool sample 200 "$workdir/price.DBF" --seed 1
fi
build/tools/dbftool/dbftool info "$workdir/price.DBF"
build/tools/dbftool/dbftool dump "$workdir/price.DBF" | head -40
