#!/usr/bin/env bash
# Lays out a demo supplier's server files in ROOT as the supplier's server
# has them, fresh each time: a packed price list made from a fresh sample
# list under price/<client code>/price.rar, two waybills in
# nakl/<client code>/ and an empty zayav/ for the orders.
#
# usage: demo_supplier.sh ROOT CLIENT_CODE DBFTOOL
set -euo pipefail
root=$1
client_code=$2
dbftool=$3
# Debian's python3, whatever else PATH offers.
python=/usr/bin/python3

rm -rf "$root"
mkdir -p "$root/price/$client_code" "$root/nakl/$client_code" "$root/zayav"
"$dbftool" sample 250 "$root/price.dbf" --seed "$RANDOM" >/dev/null
# A ZIP archive under the name the supplier uses; the program tells the
# format from the content.
"$python" -c 'import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.write(sys.argv[2], "price.dbf")' "$root/price/$client_code/price.rar" "$root/price.dbf"
rm "$root/price.dbf"
"$dbftool" sample 4 "$root/nakl/$client_code/N0000101.DBF" --seed 11 >/dev/null
"$dbftool" sample 7 "$root/nakl/$client_code/N0000102.DBF" --seed 12 >/dev/null
