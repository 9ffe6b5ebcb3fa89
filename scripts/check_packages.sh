#!/usr/bin/env bash
# Checks the packages that `cmake --build B --target package` wrote: the
# Debian package in the Linux build and the zip in the Windows build.
#   - each matches the .sha256 beside it;
#   - the .deb's fields, and its files unpacked with dpkg-deb -x: the two
#     programs stripped, the manual pages gzipped, the copyright and the
#     change log; lintian finds no error in it;
#   - the zip's files: the two programs, and the documents as text with CR
#     LF line ends, the manual pages rendered;
#   - the unpacked programs (the zip's under Wine) turn the sample font as
#     the Linux build does, byte for byte and line for line, and report the
#     package's version.
#   scripts/check_packages.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
cd "$(dirname "$0")/.."
linux=$(realpath "$1")
windows=$(realpath "$2")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
deb=kestrune_${version}_amd64.deb
zip=kestrune-${version}-win64.zip
work=$(mktemp -d)
# shellcheck source=scripts/wine.sh
source scripts/wine.sh
trap 'wine_stop; rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Each package matches its checksum file, which sha256sum -c reads.
for package in "$linux/$deb" "$windows/$zip"; do
  (cd "$(dirname "$package")" && sha256sum --check --quiet "$(basename "$package").sha256") ||
    fail "$(basename "$package") does not match its .sha256"
done

# The .deb's fields.
field() { dpkg-deb --field "$linux/$deb" "$1"; }
[ "$(field Package)" = kestrune ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
field Maintainer | grep -q '^[^<]\+ <[^>]\+@[^>]\+>$' || fail "Maintainer: $(field Maintainer)"
# Read from the libraries the programs link against (dpkg-shlibdeps).
for library in libc6 libstdc++6; do
  field Depends | grep -q "\\(^\\|, \\)$library (>= " || fail "Depends lacks $library: $(field Depends)"
done
[ "$(field Description | wc -l)" -gt 3 ] || fail "no extended description"
echo "-- $deb: Depends: $(field Depends)"

# A package holds these files, and nothing else.
files_are() {  # WHAT DIR FILES...
  local what=$1 dir=$2 held
  shift 2
  held=$(cd "$dir" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
  [ "$held" = "$* " ] || fail "$what holds $held"
}
root="$work/deb"
mkdir "$root" && dpkg-deb -x "$linux/$deb" "$root"
files_are "the .deb" "$root" usr/bin/kestrune usr/bin/kestrune-convert usr/bin/kestrune-view \
  usr/share/doc/kestrune/changelog.gz usr/share/doc/kestrune/copyright \
  usr/share/man/man1/kestrune-convert.1.gz usr/share/man/man1/kestrune-view.1.gz \
  usr/share/man/man1/kestrune.1.gz
for program in kestrune kestrune-view kestrune-convert; do
  readelf --section-headers "$root/usr/bin/$program" | grep -q '\.symtab' && fail "$program is not stripped"
done
# grep -c reads to the end where grep -q would stop at the first line found:
# the program writing into the pipe would then fail on it, and so the check.
for page in kestrune kestrune-view kestrune-convert; do
  man -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 | grep -c '^EXIT STATUS' >/dev/null ||
    fail "man cannot show the .deb's $page.1.gz"
done
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
  "$root/usr/share/doc/kestrune/copyright" || fail "the copyright file is not in the DEP-5 form"
zcat "$root/usr/share/doc/kestrune/changelog.gz" | grep -c "^## \\[$version\\]" >/dev/null ||
  fail "the change log has no entry for $version"
for page in kestrune kestrune-view kestrune-convert; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -c "^\.TH .* \"Kestrune $version\" " >/dev/null ||
    fail "$page.1 does not name Kestrune $version in its .TH line"
done

# lintian: any error fails; the warnings and notes are shown.
status=0
lintian --fail-on error --info "$linux/$deb" >"$work/lintian" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian" | grep '^[EWI]:' || true
[ "$status" -eq 0 ] || { cat "$work/lintian"; fail "lintian found an error in $deb"; }

# The zip's files: the programs, and text that Windows opens.
mkdir "$work/zip" && (cd "$work/zip" && unzip -q "$windows/$zip")
zipped="$work/zip/kestrune-$version-win64"
files_are "the zip" "$work/zip" "${zipped#"$work/zip/"}"/{CHANGELOG.txt,LICENSE.txt,README.txt} \
  "${zipped#"$work/zip/"}"/{kestrune-convert.exe,kestrune-convert.txt} \
  "${zipped#"$work/zip/"}"/{kestrune-view.exe,kestrune-view.txt,kestrune.exe,kestrune.txt}
for text in "$zipped"/*.txt; do
  [ -s "$text" ] || fail "$(basename "$text") is empty"
  grep -q $'[^\r]$\\|^$' "$text" && fail "$(basename "$text") has a line that does not end in CR LF"
  grep -q $'[\b\e]' "$text" && fail "$(basename "$text") holds a backspace or an escape code"
done
for page in kestrune kestrune-view kestrune-convert; do
  grep -q $'^EXIT STATUS\r$' "$zipped/$page.txt" || fail "$page.txt is not the rendered manual page"
  grep -q '^\.\(TH\|SH\|B\) ' "$zipped/$page.txt" && fail "$page.txt holds roff source"
done
tr -d '\r' <"$zipped/LICENSE.txt" | cmp -s - LICENSE || fail "LICENSE.txt is not LICENSE"
tr -d '\r' <"$zipped/README.txt" | cmp -s - README.md || fail "README.txt is not README.md"

# The unpacked programs against the Linux build, in empty directories
# holding the sample font: status, messages (CRs aside) and every file.
sample=$(realpath examples/sample.sfp)
run_in() {  # DIR PROGRAM ARGS...
  local dir=$1 status=0
  shift
  rm -rf "$dir" && mkdir -p "$dir" && cp "$sample" "$dir/in.sfp"
  if [[ $1 == *.exe ]]; then
    (cd "$dir" && on_wine messages "$@") || status=$?
  else
    (cd "$dir" && "$@" >messages 2>&1) || status=$?
  fi
  echo "$status" >"$dir/status"
  sed -i 's/\r$//' "$dir/messages"
}
compare() {  # WHAT PROGRAM... -- ARGS...
  local what=$1 program=()
  shift
  while [ "$1" != -- ]; do program+=("$1") && shift; done
  shift
  run_in "$work/plain" "$linux/$(basename "${program[-1]}" .exe)" "$@"
  run_in "$work/packaged" "${program[@]}" "$@"
  diff -r "$work/plain" "$work/packaged" >/dev/null && return
  fail "$what $* differs from the Linux build's"
  diff -r "$work/plain" "$work/packaged" | head -n 10 || true
}
wine_start "$windows/wine-prefix"
cases=0
for options in "" "-r300 -f20" "-l" "-clean" "-l -clean -r600 -f20"; do
  # shellcheck disable=SC2086  # an option set is split into words
  compare "the .deb's kestrune" "$root/usr/bin/kestrune" -- in.sfp out.sfp $options
  # shellcheck disable=SC2086
  compare "the zip's kestrune.exe" "$zipped/kestrune.exe" -- in.sfp out.sfp $options
  cases=$((cases + 2))
done
compare "the .deb's kestrune" "$root/usr/bin/kestrune" -- in.sfp
compare "the .deb's kestrune-view" "$root/usr/bin/kestrune-view" -- --png sheet.png in.sfp
compare "the zip's kestrune-view.exe" "$zipped/kestrune-view.exe" -- --table in.sfp
compare "the .deb's kestrune-convert" "$root/usr/bin/kestrune-convert" -- in.sfp out.bdf
compare "the zip's kestrune-convert.exe" "$zipped/kestrune-convert.exe" -- --scale 2 in.sfp out.sfp
echo "-- $((cases + 5)) runs of the unpacked programs compared with the Linux build"
for program in kestrune-view kestrune-convert; do
  wanted="$program $version (Kestrune)"
  [ "$("$root/usr/bin/$program" --version)" = "$wanted" ] ||
    fail "the .deb's $program --version: $("$root/usr/bin/$program" --version)"
  on_wine "$work/version" "$zipped/$program.exe" --version || true
  [ "$(tr -d '\r' <"$work/version")" = "$wanted" ] ||
    fail "the zip's $program.exe --version: $(cat "$work/version")"
done

[ "$failures" -eq 0 ] || { echo "$failures package checks failed"; exit 1; }
echo "-- $deb and $zip hold what they should, and their programs agree with the Linux build"
