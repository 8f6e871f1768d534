#!/usr/bin/env bash
# Makes the Debian package from the build (cpack -G DEB) and checks it as a
# pharmacy's machine would get it: its name, its files, the dependencies
# dpkg-shlibdeps found, the desktop entry (desktop-file-validate) and lintian.
set -euo pipefail
build_dir=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
shopt -s nullglob
debs=("$work"/out/zakaz_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one zakaz_<version>_amd64.deb, got: $(ls "$work/out")"
deb=${debs[0]}
[[ $(basename "$deb") =~ ^zakaz_[0-9]+\.[0-9]+\.[0-9]+_amd64\.deb$ ]] || fail "name $(basename "$deb")"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/zakaz ./usr/bin/dbftool ./usr/bin/ftptool \
    ./usr/share/applications/zakaz.desktop ./usr/share/icons/hicolor/scalable/apps/zakaz.svg \
    ./usr/share/zakaz/help.rtf ./usr/share/zakaz/zakaz-start ./usr/share/zakaz/demo_server.py \
    ./usr/share/doc/zakaz/copyright ./usr/share/man/man1/zakaz.1.gz; do
  grep -qx -- "$f" <<<"$contents" || fail "the package lacks $f"
done

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6core6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

recommends=$(dpkg-deb -f "$deb" Recommends)
grep -q 'qt6-translations-l10n' <<<"$recommends" ||
  fail "Recommends lacks qt6-translations-l10n (Qt's own dialogs in Russian): $recommends"

dpkg-deb -x "$deb" "$work/root"
for program in zakaz dbftool ftptool; do
  if readelf -S "$work/root/usr/bin/$program" | grep -q '\.comment'; then
    fail "usr/bin/$program keeps its .comment section"
  fi
done
[ -s "$work/root/usr/share/lintian/overrides/zakaz" ] || fail "the package lacks its lintian overrides"
desktop=$work/root/usr/share/applications/zakaz.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Name=Заказ поставщику' "$desktop" || fail "desktop entry name"
grep -qx 'Categories=Office;' "$desktop" || fail "desktop entry category"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$work/root$exec_line" ] || fail "the desktop entry starts $exec_line, which the package lacks"
cmp -s "$work/root/usr/share/zakaz/help.rtf" "$(dirname "$0")/../../resources/help.rtf" ||
  fail "help.rtf differs from the program's help text"

# The launcher makes the working directory with the help text and starts
# the program in it; here a stand-in program prints where it runs.
launcher=$work/launcher
sed -e "s#/usr/share/zakaz/#$work/root/usr/share/zakaz/#" -e "s#/usr/bin/zakaz#pwd#" \
  "$work/root/usr/share/zakaz/zakaz-start" >"$launcher"
where=$(HOME=$work/home bash "$launcher")
[ "$where" = "$work/home/zakaz" ] || fail "the launcher started the program in $where"
[ -e "$work/home/zakaz/help.rtf" ] || fail "the launcher did not copy help.rtf"

lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian"; }
# Info tags the build itself is to avoid: the hardening flags and the strip.
if grep -E '^I: .*(hardening-no-|binary-has-unneeded-section)' "$work/lintian.log"; then
  fail "lintian: built without Debian's hardening flags or with an unneeded section"
fi
grep '^[IP]: ' "$work/lintian.log" || true
echo "package: ok ($(basename "$deb"))"
