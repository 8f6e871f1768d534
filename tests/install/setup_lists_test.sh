#!/usr/bin/env bash
# The set-up's two purposes: running needs no test tool and no FTP daemon;
# no package either purpose installs starts a system service; and with the
# tests switched off the build configures without the test packages.
set -euo pipefail
source_dir=$1
setup=$source_dir/scripts/setup.sh
fail() { echo "FAIL: $*" >&2; exit 1; }

mapfile -t run < <(bash "$setup" --list run)
mapfile -t test < <(bash "$setup" --list test)
has() {
  local want=$1 p
  shift
  for p in "$@"; do [ "$p" = "$want" ] && return 0; done
  return 1
}

for p in g++ cmake ninja-build qt6-base-dev qt6-translations-l10n libarchive-dev fonts-dejavu-core \
    python3-pyftpdlib; do
  has "$p" "${run[@]}" || fail "running needs $p"
done
for p in libgtest-dev libgmock-dev libbenchmark-dev clang poppler-utils python3-dbfread shapelib \
    curl lintian desktop-file-utils libpam-pwdfile; do
  has "$p" "${run[@]}" && fail "running installs the test tool $p"
  has "$p" "${test[@]}" || fail "testing needs $p"
done
for p in "${run[@]}"; do has "$p" "${test[@]}" || fail "testing lacks $p, which running needs"; done
for p in vsftpd pure-ftpd pure-ftpd-common proftpd-basic proftpd-core openbsd-inetd inetutils-inetd; do
  has "$p" "${test[@]}" && fail "$p would be installed (a system service)"
done

# A package that starts a service ships a systemd unit or an init script.
# Checked on what this machine has installed, as CI's set-up leaves it.
for p in "${test[@]}"; do
  files=$(dpkg-query -L "$p" 2>/dev/null) || continue
  if grep -E '^(/usr)?/lib/systemd/system/.*\.(service|socket)$|^/etc/init\.d/' <<<"$files"; then
    fail "$p starts a system service"
  fi
done

# The run command's configuration: no test tool is looked for.
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
cmake -S "$source_dir" -B "$build" -G Ninja -DZAKAZ_TESTS=OFF -DZAKAZ_BENCH=OFF >"$build/log" 2>&1 ||
  { cat "$build/log"; fail "the build without tests does not configure"; }
if grep -Eq '^(GTest|GTEST|GMOCK|benchmark)[A-Za-z_]*:' "$build/CMakeCache.txt"; then
  fail "the build without tests looked for a test package"
fi
echo "setup lists: ok"
