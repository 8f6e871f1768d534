#!/usr/bin/env bash
# Transfer throughput of the FTP session against vsftpd on 127.0.0.1, with
# curl against the same server in the same run as the reference.
#
#   bash bench/ftp/transfer_bench.sh [SIZE_MB] [ROUNDS]
#
# Fetches (RETR) and stores (STOR) a SIZE_MB file (200 by default) in passive
# mode, ROUNDS times each (3 by default), with ftptool and with curl, and
# prints the best time of each as MB/s with the ratio to curl. It also fetches
# a file a tenth of the size to show that ftptool's peak memory does not grow
# with the file. The server is the tests' own vsftpd, unpacked privately by
# scripts/ftp_daemons.sh and run with a virtual user (bench/ftp/serve_vsftpd),
# so no system account is made. Needs root (for the daemon's private mount
# namespace), curl and /usr/bin/time; builds ftptool and serve_vsftpd in
# build-bench/ (BUILD_DIR overrides).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

size_mb=${1:-200}
rounds=${2:-3}
build=${BUILD_DIR:-$root/build-bench}
# The fixture's virtual user (tests/support/ftp_real_server.h).
user=briolan
password='hG&4T!9K'

for tool in curl /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "run as root: the daemon runs in a private mount namespace" >&2; exit 1; }

bash scripts/ftp_daemons.sh >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZAKAZ_WITH_QT=OFF \
  -DZAKAZ_TESTS=ON -DZAKAZ_BENCH=ON >/dev/null
cmake --build "$build" --target ftptool serve_vsftpd >/dev/null
ftptool=$build/tools/ftptool/ftptool

work=$(mktemp -d)
server_pid=
cleanup() {
  # Closing the server's input lets it stop its daemon itself.
  exec 4>&- 2>/dev/null || true
  [ -n "$server_pid" ] && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/srv" "$work/local"
chmod 755 "$work"
chmod 777 "$work/srv" "$work/local"

head -c "$((size_mb * 1024 * 1024))" /dev/urandom >"$work/srv/big.bin"
head -c "$((size_mb * 1024 * 1024 / 10))" /dev/urandom >"$work/srv/small.bin"
cp "$work/srv/big.bin" "$work/local/up.bin"
chmod 644 "$work/srv/"*.bin "$work/local/up.bin"

# The server runs until its input closes; the script holds that input open.
mkfifo "$work/hold"
"$build/bench/serve_vsftpd" "$work/srv" <"$work/hold" >"$work/port" 2>"$work/serve.log" &
server_pid=$!
exec 4>"$work/hold"
for _ in $(seq 200); do
  [ -s "$work/port" ] && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/serve.log" >&2; exit 1; }
  sleep 0.05
done
port=$(cat "$work/port")

url=ftp://127.0.0.1:$port
# Runs a command under /usr/bin/time; prints "seconds peak_kib".
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; exit 1; }
  cat "$work/time"
}
best() { sort -n | head -1; }

declare -A seconds memory
run() {  # name, command...
  local name=$1
  shift
  local results=()
  for _ in $(seq "$rounds"); do
    rm -f "$work/local/got.bin" "$work/srv/put.bin"
    results+=("$(measure "$@")")
  done
  seconds[$name]=$(printf '%s\n' "${results[@]}" | awk '{print $1}' | best)
  memory[$name]=$(printf '%s\n' "${results[@]}" | awk '{print $2}' | sort -n | tail -1)
}

run ftptool_get "$ftptool" --quiet "127.0.0.1:$port" get big.bin "$work/local/got.bin"
cmp "$work/srv/big.bin" "$work/local/got.bin"
run curl_get curl -sS --disable-epsv --user "$user:$password" -o "$work/local/got.bin" "$url/big.bin"
run ftptool_put "$ftptool" --quiet "127.0.0.1:$port" put "$work/local/up.bin" put.bin
cmp "$work/local/up.bin" "$work/srv/put.bin"
run curl_put curl -sS --disable-epsv --user "$user:$password" -T "$work/local/up.bin" "$url/put.bin"
run ftptool_get_small "$ftptool" --quiet "127.0.0.1:$port" get small.bin "$work/local/got.bin"

rate() { awk -v mb="$1" -v s="$2" 'BEGIN { printf "%.0f", (s > 0 ? mb / s : 0) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f%%", (a > 0 ? 100 * b / a : 0) }'; }
small_mb=$((size_mb / 10))

echo
echo "| Transfer ($size_mb MB, passive, loopback) | ftptool MB/s | curl MB/s | ftptool / curl |"
echo "|---|---|---|---|"
echo "| RETR | $(rate "$size_mb" "${seconds[ftptool_get]}") | $(rate "$size_mb" "${seconds[curl_get]}") | $(ratio "${seconds[ftptool_get]}" "${seconds[curl_get]}") |"
echo "| STOR | $(rate "$size_mb" "${seconds[ftptool_put]}") | $(rate "$size_mb" "${seconds[curl_put]}") | $(ratio "${seconds[ftptool_put]}" "${seconds[curl_put]}") |"
echo
echo "| Peak memory of ftptool | KiB |"
echo "|---|---|"
echo "| RETR of $size_mb MB | ${memory[ftptool_get]} |"
echo "| RETR of $small_mb MB | ${memory[ftptool_get_small]} |"
echo "| STOR of $size_mb MB | ${memory[ftptool_put]} |"
