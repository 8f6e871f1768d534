#!/usr/bin/env bash
# Installs the Debian packages one purpose needs:
#   setup.sh run    building and running the program (and its demo server);
#   setup.sh test   the same plus the test, fuzzing and packaging tools.
#   setup.sh --list run|test   prints what that purpose needs, installs nothing.
# Does nothing when they are all there; uses apt-get as root, sudo otherwise.
# No package here starts a system service: the FTP daemons the tests run are
# unpacked privately by scripts/ftp_daemons.sh, never installed.
set -euo pipefail

# Building and running: compiler, build tools, Qt 6 and its Russian texts
# (for Qt's own file, printer and page set-up dialogs), the unpacker's
# library, the grid's font, and python3-pyftpdlib for the demo's supplier
# server.
run_packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev libarchive-dev fonts-dejavu-core
  python3 python3-pyftpdlib
)

# Tests, sanitizers, fuzzing, benchmarks and the package check, on top of the
# above; openbox is the window manager of the main window's screenshot.
# clang-format checks the sources keep the project's layout; libpam-pwdfile
# checks the test servers' virtual users; the unpacked daemons' libraries
# (proftpd's libmemcached11, libmemcachedutil2 and libpcre2-posix3,
# vsftpd's libwrap0) let them run.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  python3-dbfread shapelib curl poppler-utils xvfb imagemagick
  libpam-pwdfile libmemcached11 libmemcachedutil2 libpcre2-posix3 libwrap0
  dpkg-dev desktop-file-utils lintian openbox
)

list=0
if [ "${1:-}" = "--list" ]; then
  list=1
  shift
fi
purpose=${1:-run}
case "$purpose" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: setup.sh [--list] run|test" >&2; exit 2 ;;
esac
if [ "$list" -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  apt_get=(apt-get)
elif command -v sudo >/dev/null 2>&1; then
  apt_get=(sudo apt-get)
else
  echo "Please install as root: apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${apt_get[@]}" update -qq
"${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
