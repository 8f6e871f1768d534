#!/usr/bin/env bash
# Sets up what building and running need, builds the program and starts it in
# the given working directory.
#
# Without one it runs the demo: a working directory demo/work made on first
# run (a sample price list, the directories demand, archive, in and temp, a
# few pending orders and the help text), and a supplier's server of its own on
# 127.0.0.1 (python3-pyftpdlib on a free port) laid out as the supplier's is:
# a packed price list made from a fresh sample list, two waybills for the
# demo's client code and an empty order directory. The program's settings
# point at that server while the demo runs; the server stops, and the earlier
# settings come back, when the program ends.
#
# The build is build/ in the checkout, or the directory ZAKAZ_BUILD_DIR names:
# one already configured (a CMakeCache.txt in it) is only brought up to date,
# with its own configuration; any other is configured there first. The
# settings (param.Ini) live beside the executable, in <build>/src/app/.
# Without a display, set QT_QPA_PLATFORM=offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${ZAKAZ_BUILD_DIR:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac

bash scripts/setup.sh run
if [ ! -e "$build/CMakeCache.txt" ]; then
  # The tests join the build only where the test tools are installed
  # (scripts/setup.sh test), so this works on a machine without them.
  tests=ON
  for p in libgtest-dev libgmock-dev libbenchmark-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || tests=OFF
  done
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAKAZ_TESTS=$tests \
    -DZAKAZ_BENCH=$tests >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target dbftool zakaz

program=$build/src/app/zakaz
dbftool=$build/tools/dbftool/dbftool
if [ $# -gt 0 ]; then
  cd "$1"
  exec "$program"
fi

client_code=0001
# Debian's python3, which has python3-pyftpdlib, whatever else PATH offers.
python=/usr/bin/python3
workdir=$root/demo/work
if [ ! -e "$workdir/price.DBF" ]; then
  mkdir -p "$workdir"/{demand,archive,in,temp}
  "$dbftool" sample 200 "$workdir/price.DBF" --seed 1
  "$dbftool" sample 3 "$workdir/demand/${client_code}A3F0.DBF" --seed 2
  "$dbftool" sample 5 "$workdir/demand/${client_code}B412.DBF" --seed 3
  cp resources/help.rtf "$workdir/help.rtf"
fi

# The supplier's side, fresh each run.
server_root=$root/demo/server
bash scripts/demo_supplier.sh "$server_root" "$client_code" "$dbftool"

port_file=$root/demo/server.port
rm -f "$port_file"
"$python" scripts/demo_server.py "$server_root" "$port_file" >"$root/demo/server.log" 2>&1 &
server_pid=$!
settings=$build/src/app/param.Ini
saved=$root/demo/param.Ini.before-demo
stop_demo() {
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  if [ -e "$saved" ]; then mv -f "$saved" "$settings"; fi
}
trap stop_demo EXIT
for _ in $(seq 100); do
  [ -s "$port_file" ] && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$root/demo/server.log" >&2; exit 1; }
  sleep 0.1
done
port=$(cat "$port_file")
if [ -e "$settings" ] && [ ! -e "$saved" ]; then cp -p "$settings" "$saved"; fi
"$python" scripts/demo_settings.py "$settings" "$client_code" "127.0.0.1:$port"
echo "Demo supplier server on 127.0.0.1:$port (account briolan), files in demo/server"

cd "$workdir"
"$program"
