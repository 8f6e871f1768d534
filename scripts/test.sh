#!/usr/bin/env bash
# Sets up the machine (scripts/setup.sh test, then the FTP daemons unpacked
# into a private folder by scripts/ftp_daemons.sh) and runs the whole test
# suite three ways, after checking that the sources are formatted:
#   build/        the normal build (RelWithDebInfo), every test;
#   build-asan/   the same tests under AddressSanitizer + UndefinedBehaviorSanitizer;
#   build-fuzz/   every libFuzzer target (clang), each run briefly on its seed corpus.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh test
bash scripts/ftp_daemons.sh

jobs=$(nproc)
fuzz_seconds=${ZAKAZ_FUZZ_SECONDS:-20}

echo "== source layout (clang-format, .clang-format at the root)"
unformatted=$(git ls-files '*.cc' '*.h' | xargs clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*' | sort -u || true)
if [ -n "$unformatted" ]; then
  echo "not formatted with clang-format (run clang-format -i on these files):"
  echo "$unformatted"
  exit 1
fi

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600) | tee "$logs/normal.log"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZAKAZ_SANITIZE=ON -DZAKAZ_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-O1" >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j "$jobs" --timeout 900) | tee "$logs/asan.log"

echo "== fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZAKAZ_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$jobs"
shopt -s nullglob
fuzzers=(build-fuzz/fuzz/*_fuzzer)
for f in "${fuzzers[@]}"; do
  name=$(basename "$f")
  corpus="$root/fuzz/corpus/${name%_fuzzer}"
  work=$(mktemp -d)
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  echo "-- $name"
  "$f" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    "$work" "${seeds[@]}" >"$work.log" 2>&1 || { tail -50 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done
echo "fuzz: ${#fuzzers[@]} targets ran clean"

# One closing line for the whole run: test cases of both builds plus fuzz targets.
count() { sed -n "s/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p" "$1" | tail -1; }
read -r failed_n total_n < <(count "$logs/normal.log")
read -r failed_a total_a < <(count "$logs/asan.log")
passed=$(( total_n - failed_n + total_a - failed_a + ${#fuzzers[@]} ))
echo "suite: $passed passed, $(( failed_n + failed_a )) failed"
