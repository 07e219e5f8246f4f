#!/usr/bin/env bash
# Checks a built Tervalo package before it goes to a workstation: the files it must hold, its
# control fields, the menu entry, lintian (errors fail, warnings are listed), and that the
# programs it carries start from an unpacked copy and print their version without a display.
#   check-package.sh PACKAGE.deb
set -uo pipefail
deb="$1"
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}

contents=$(dpkg-deb -c "$deb") || { echo "FAILED: dpkg-deb -c $deb"; exit 1; }
info=$(dpkg-deb -I "$deb")
field() { dpkg-deb -f "$deb" "$1"; }

for path in ./usr/bin/tervalo ./usr/bin/tervalo-inspect \
  ./usr/share/applications/tervalo.desktop \
  ./usr/share/icons/hicolor/scalable/apps/tervalo.svg \
  ./usr/share/icons/hicolor/16x16/apps/tervalo.png \
  ./usr/share/icons/hicolor/48x48/apps/tervalo.png \
  ./usr/share/icons/hicolor/256x256/apps/tervalo.png \
  ./usr/share/man/man1/tervalo.1.gz ./usr/share/man/man1/tervalo-inspect.1.gz \
  ./usr/share/doc/tervalo/copyright ./usr/share/doc/tervalo/changelog.gz; do
  check "the package holds $path" grep -q " $path\$" <<<"$contents"
done
check "the programs are executable" grep -q '^-rwxr-xr-x root/root .* ./usr/bin/tervalo$' <<<"$contents"
check "nothing outside /usr" bash -c '! grep -v " \./usr/\| \./$" <<<"$1"' _ "$contents"
check "no build tree paths" bash -c '! grep -q "/build/" <<<"$1"' _ "$contents"
check "Package: tervalo" test "$(field Package)" = tervalo
check "a Version" grep -Eq '^[0-9]+\.[0-9]+\.[0-9]+' <<<"$(field Version)"
check "Architecture of this machine" test "$(field Architecture)" = "$(dpkg --print-architecture)"
check "a Maintainer with an address" grep -Eq '<[^@>]+@[^>]+>' <<<"$(field Maintainer)"
check "Depends on Qt 6 widgets (from shlibdeps)" grep -q 'libqt6widgets6' <<<"$(field Depends)"
check "Depends on Qt's platform plugins" grep -q 'qt6-qpa-plugins' <<<"$(field Depends)"
check "Depends on the C library (from shlibdeps)" grep -q 'libc6' <<<"$(field Depends)"
check "a Description with a long part" test "$(field Description | wc -l)" -ge 3
check "md5sums" grep -q ' md5sums' <<<"$info"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
check "the menu entry validates" desktop-file-validate "$root/usr/share/applications/tervalo.desktop"
check "the menu entry is in the Office category" grep -q '^Categories=Office;' "$root/usr/share/applications/tervalo.desktop"
check "the man pages format" bash -c 'for m in "$1"/usr/share/man/man1/*.1.gz; do
  out=$(MANWIDTH=80 man --warnings -l "$m" 2>&1 >/dev/null); [ -z "$out" ] || { echo "$out"; exit 1; }; done' _ "$root"
version=$(field Version)
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
check "tervalo --version without a display" test "$("${no_display[@]}" "$root/usr/bin/tervalo" --version)" = "tervalo $version"
check "tervalo-inspect --version" test "$("$root/usr/bin/tervalo-inspect" --version)" = "tervalo-inspect $version"
check "tervalo --help without a display" bash -c '"${@:2}" "$1/usr/bin/tervalo" --help | grep -q -- "--screenshot"' _ "$root" "${no_display[@]}"

if command -v lintian >/dev/null; then
  lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v "running with root privileges")
  if grep -q '^E:' <<<"$lintian_out"; then
    failed=$((failed + 1))
    echo "FAILED: lintian reports errors"
  else
    passed=$((passed + 1))
  fi
  [ -z "$lintian_out" ] || printf 'lintian:\n%s\n' "$lintian_out"
else
  echo "lintian is not installed: skipped"
fi

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
