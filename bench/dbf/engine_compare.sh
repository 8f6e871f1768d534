#!/usr/bin/env bash
# Reference figures for the table engine's benchmark: the same 100,000-row
# sample price list read by `cat` from the page cache (the raw limit) and by
# python3-dbfread (every record decoded). Usage: engine_compare.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/price.DBF"
"$build/tools/dbftool/dbftool" sample 100000 "$file" --seed 1 >/dev/null
rows=100000
cat "$file" >/dev/null  # warm the page cache

# CPU time (user + system), as the benchmark counts it, so a busy machine
# does not skew the comparison; best of five.
TIMEFORMAT='%U %S'
best_cat=999
for _ in 1 2 3 4 5; do
  t=$( { time cat "$file" >/dev/null; } 2>&1 )
  best_cat=$(echo "$t" | awk -v b="$best_cat" '{t = $1 + $2; print (t < b) ? t : b}')
done
awk -v t="$best_cat" -v r="$rows" -v s="$(stat -c %s "$file")" \
  'BEGIN {printf "cat: %d bytes in %.4fs CPU, %.0f records/s\n", s, t, (t > 0 ? r / t : 0)}'

/usr/bin/python3 - "$file" "$rows" <<'PY'
import sys, time, dbfread
path, rows = sys.argv[1], int(sys.argv[2])
best = None
for _ in range(3):
    start = time.process_time()
    n = 0
    for record in dbfread.DBF(path, encoding='cp866', load=False):
        n += 1
    elapsed = time.process_time() - start
    best = elapsed if best is None else min(best, elapsed)
print('python3-dbfread: %d live records in %.3fs CPU, %.0f records/s (%.0f column reads/s)'
      % (n, best, n / best, n * 11 / best))
PY
