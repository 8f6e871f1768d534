#!/usr/bin/env bash
# Unpacks the FTP daemons the real-server tests run into a private folder
# (default .cache/ftp-daemons of the source tree): their Debian packages are
# fetched with `apt-get download` and unpacked with `dpkg-deb -x`, so none of
# them is installed, configured or started as a system service. The test
# fixture starts them in the foreground on a free loopback port.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-.cache/ftp-daemons}
daemons=(vsftpd pure-ftpd proftpd-core)
binaries=(usr/sbin/vsftpd usr/sbin/pure-ftpd usr/bin/pure-pw usr/sbin/proftpd)

have_all() {
  for b in "${binaries[@]}"; do [ -x "$target/$b" ] || return 1; done
}
have_all && exit 0

mkdir -p "$target"
downloads=$(mktemp -d)
trap 'rm -rf "$downloads"' EXIT
# apt's sandbox user must be able to write the download folder.
chmod 755 "$downloads"
# A machine whose package lists were never fetched (or were cleaned) learns
# them first.
if ! (cd "$downloads" && apt-get download -qq "${daemons[@]}" 2>/dev/null); then
  if [ "$(id -u)" -eq 0 ]; then apt-get update -qq; else sudo apt-get update -qq; fi
  (cd "$downloads" && apt-get download -qq "${daemons[@]}")
fi
for deb in "$downloads"/*.deb; do
  dpkg-deb -x "$deb" "$target"
done
have_all || { echo "ftp_daemons.sh: a daemon is missing after unpacking" >&2; exit 1; }
echo "FTP daemons unpacked into $target"
