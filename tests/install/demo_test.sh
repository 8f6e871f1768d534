#!/usr/bin/env bash
# The demo's supplier: the layout demo_supplier.sh makes, served by
# demo_server.py on loopback to the fixed account, checked with ftptool as
# the program's three operations see it; and the demo's settings, which
# point at the server and keep the user's other lines.
set -euo pipefail
source_dir=$1
dbftool=$2
ftptool=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

bash "$source_dir/scripts/demo_supplier.sh" "$work/server" 0001 "$dbftool"
/usr/bin/python3 "$source_dir/scripts/demo_server.py" "$work/server" "$work/port" \
  >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log"; fail "the server ended"; }
  sleep 0.1
done
port=$(cat "$work/port")
ftp() { "$ftptool" --quiet --user briolan --password 'hG&4T!9K' "127.0.0.1:$port" "$@"; }

# The price list: a ZIP archive named price.rar holding one price.dbf.
ftp get price/0001/price.rar "$work/price.rar" || fail "price list"
/usr/bin/python3 -c 'import sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).namelist()
sys.exit(names != ["price.dbf"])' "$work/price.rar" || fail "price.rar does not hold price.dbf"
"$dbftool" info "$work/price.rar" >/dev/null 2>&1 && fail "price.rar is not packed"

# The waybills, listed in full (this server refuses masks), and an empty zayav.
waybills=$(ftp cd nakl/0001 ls "" | sort | tr '\n' ' ')
[ "$waybills" = "N0000101.DBF N0000102.DBF " ] || fail "waybills: $waybills"
[ -z "$(ftp cd zayav ls "")" ] || fail "zayav is not empty"
"$dbftool" sample 2 "$work/0001ABCD.DBF" >/dev/null
ftp cd zayav put "$work/0001ABCD.DBF" 0001ABCD.DBF || fail "an order is refused"
cmp -s "$work/0001ABCD.DBF" "$work/server/zayav/0001ABCD.DBF" || fail "the order differs"
ftp cd nakl/0001 rm N0000101.DBF || fail "a waybill cannot be removed"
[ ! -e "$work/server/nakl/0001/N0000101.DBF" ] || fail "the waybill stays"
ftp --password wrong ls "" >/dev/null 2>&1 && fail "a wrong password is let in"

# The settings: the demo's keys set, the user's comment and other sections kept.
printf '[Main]\r\nComment=\xcf\xf0\xe8\xe2\xe5\xf2\r\nftp=ftp.example.ru\r\n[Other]\r\nx=1\r\n' \
  >"$work/param.Ini"
/usr/bin/python3 "$source_dir/scripts/demo_settings.py" "$work/param.Ini" 0001 "127.0.0.1:$port"
expected=$(printf '[Main]\r\nComment=\xcf\xf0\xe8\xe2\xe5\xf2\r\nClientcode=0001\r\nClient=%s\r\nftp=127.0.0.1:%s\r\nPassiv=1\r\n[Other]\r\nx=1\r\n' \
  "$(printf 'Аптека (демо)' | iconv -f utf-8 -t cp1251)" "$port")
[ "$(cat "$work/param.Ini")" = "$expected" ] || { cat -A "$work/param.Ini"; fail "settings"; }
echo "demo: ok"
