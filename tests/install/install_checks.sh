#!/usr/bin/env bash
# The installed console checked with Debian's own tools, one check a call:
#   install_checks.sh install BUILD STAGE    cmake --install BUILD into STAGE
#   install_checks.sh files STAGE PATH...    STAGE holds every PATH
#   install_checks.sh desktop STAGE ID       desktop-file-validate
#   install_checks.sh appstream STAGE ID     appstreamcli validate --no-net
#   install_checks.sh man STAGE PAGE...      groff formats each page without warnings
#   install_checks.sh package BUILD OUT      CPack makes the .deb in OUT
#   install_checks.sh depends OUT BINARY...  its Depends names every Qt library the binaries link
#   install_checks.sh runs OUT               unpacked, its executables answer without a display
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

the_package() {
  local found=("$1"/korvel-console_*.deb)
  [ -f "${found[0]}" ] || fail "no package in $1"
  [ ${#found[@]} -eq 1 ] || fail "more than one package in $1: ${found[*]}"
  echo "${found[0]}"
}

check_install() {
  rm -rf "$2"
  cmake --install "$1" --prefix "$2"
}

check_files() {
  local stage=$1 missing=0
  shift
  for path in "$@"; do
    if [ ! -s "$stage/$path" ]; then
      echo "missing or empty: $path" >&2
      missing=1
    fi
  done
  [ "$missing" = 0 ] || fail "the install tree lacks files"
  for program in bin/korvel-console bin/korvel-emulator bin/korvel-ctl; do
    [ -x "$stage/$program" ] || fail "$program is not executable"
  done
}

check_desktop() {
  local entry="$1/share/applications/$2.desktop"
  desktop-file-validate "$entry"
  [ "$(sed -n 's/^Icon=//p' "$entry")" = "$2" ] || fail "the desktop entry does not name the icon $2"
  [ -f "$1/share/icons/hicolor/scalable/apps/$2.svg" ] || fail "the named icon is not installed"
}

check_appstream() {
  appstreamcli validate --no-net --explain "$1/share/metainfo/$2.metainfo.xml"
}

check_man() {
  local stage=$1 warnings
  shift
  for page in "$@"; do
    # groff exits 0 on warnings: its standard error must stay empty.
    warnings=$(groff -man -ww -z "$stage/share/man/man1/$page" 2>&1) || fail "groff failed on $page"
    [ -z "$warnings" ] || fail "$page: $warnings"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' FILES EXAMPLES; do
      grep -q "^\.SH \"\?$section\"\?\$" "$stage/share/man/man1/$page" || fail "$page has no $section section"
    done
  done
}

check_package() {
  rm -rf "$2"
  cpack --config "$1/CPackConfig.cmake" -B "$2" >"$2.log" 2>&1 || { cat "$2.log" >&2; fail "cpack failed"; }
  the_package "$2" >/dev/null
}

# Every libQt6*.so the binaries need, by the package that holds it.
check_depends() {
  local deb depends library package
  deb=$(the_package "$1")
  shift
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for library in $(readelf -d "$@" | sed -n 's/.*(NEEDED).*\[\(libQt6[^]]*\)\]/\1/p' | sort -u); do
    package=$(dpkg -S "*/$library" | head -n 1 | cut -d: -f1)
    [ -n "$package" ] || fail "no Debian package holds $library"
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends does not name $package (for $library)"
    echo "$library: $package"
  done
}

check_runs() {
  local deb unpacked status
  deb=$(the_package "$1")
  unpacked=$(mktemp -d)
  trap 'rm -rf "$unpacked"' RETURN
  dpkg-deb -x "$deb" "$unpacked"
  # No display: the answers must come before the toolkit would need one.
  local no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  version=$("${no_display[@]}" "$unpacked/usr/bin/korvel-console" --version)
  [[ $version =~ ^korvel-console\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "korvel-console --version said '$version'"
  local ctl_version
  ctl_version=$("${no_display[@]}" "$unpacked/usr/bin/korvel-ctl" --version)
  [ "$ctl_version" = "korvel-ctl ${version#korvel-console }" ] || fail "korvel-ctl --version said '$ctl_version'"
  "${no_display[@]}" "$unpacked/usr/bin/korvel-emulator" --help | grep -q '^Usage: korvel-emulator' ||
    fail "korvel-emulator --help gave no usage"
  status=0
  "${no_display[@]}" "$unpacked/usr/bin/korvel-console" --no-such-option >/dev/null 2>&1 || status=$?
  [ "$status" = 2 ] || fail "an unknown option ended korvel-console with $status, not 2"
  echo "$version"
}

step=$1
shift
"check_$step" "$@"
