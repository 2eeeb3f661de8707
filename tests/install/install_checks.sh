#!/usr/bin/env bash
# The installed console checked with Debian's own tools, one check a call:
#   install_checks.sh install BUILD STAGE    cmake --install BUILD into STAGE
#   install_checks.sh files STAGE PATH...    STAGE holds every PATH
#   install_checks.sh desktop STAGE ID       desktop-file-validate
#   install_checks.sh appstream STAGE ID     appstreamcli validate --no-net; provides every program
#   install_checks.sh man STAGE PAGE...      groff formats each compressed page without warnings
#   install_checks.sh options STAGE          each program's page names every option its --help lists
#   install_checks.sh package BUILD OUT      CPack makes the .deb in OUT
#   install_checks.sh depends OUT BINARY...  its Depends names every Qt library the binaries link
#   install_checks.sh runs OUT               unpacked, its executables answer without a display
#   install_checks.sh lintian OUT            Debian's package checker finds nothing to say, nor a hardening tag with -I
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
  local metainfo="$1/share/metainfo/$2.metainfo.xml" program
  appstreamcli validate --no-net --explain "$metainfo"
  for program in "$1"/bin/*; do
    grep -q "<binary>${program##*/}</binary>" "$metainfo" || fail "AppStream provides no ${program##*/}"
  done
}

check_man() {
  local stage=$1 warnings text
  shift
  for page in "$@"; do
    text=$(gzip -dc "$stage/share/man/man1/$page.gz") || fail "$page is not a gzip-compressed page"
    # groff exits 0 on warnings: its standard error must stay empty.
    warnings=$(groff -man -ww -z 2>&1 <<<"$text") || fail "groff failed on $page"
    [ -z "$warnings" ] || fail "$page: $warnings"
    # As man shows it on an 80-column terminal: lines that cannot be filled
    # or broken there warn only at that width.
    warnings=$(MANWIDTH=80 man --warnings -l "$stage/share/man/man1/$page.gz" 2>&1 >/dev/null) ||
      fail "man failed on $page"
    [ -z "$warnings" ] || fail "$page (man --warnings): $warnings"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' FILES EXAMPLES 'SEE ALSO'; do
      grep -q "^\.SH \"\?$section\"\?\$" <<<"$text" || fail "$page has no $section section"
    done
  done
}

# An option is named in a page as --name, its dashes escaped or not, and not
# as the start of a longer name (--latency is not --latency-timer).
check_options() {
  local stage=$1 program page options option missing=0
  for program in korvel-console korvel-ctl korvel-emulator; do
    page=$(gzip -dc "$stage/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
    options=$(env -u DISPLAY -u WAYLAND_DISPLAY "$stage/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
    [ -n "$options" ] || fail "$program --help lists no options"
    for option in $options; do
      grep -Eq -- "$option([^a-z-]|\$)" <<<"$page" || { echo "$program.1 lacks $option" >&2; missing=1; }
    done
  done
  [ "$missing" = 0 ] || fail "a manual page lacks options its program's --help lists"
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

# lintian warns on standard error when run as root; that notice is about the
# run, not the package, and is the one line let through.
check_lintian() {
  local deb said
  deb=$(the_package "$1")
  said=$(lintian "$deb" 2>&1 | grep -v '^running with root privileges is not recommended!$' || true)
  [ -z "$said" ] || fail "lintian: $said"
  # Its hardening tags are information only: shown with -I, and none may come
  # from a hardened build (a sanitizer build is not hardened).
  [ "${2:-}" = hardened ] || return 0
  said=$(lintian -I "$deb" 2>&1 | grep 'hardening' || true)
  [ -z "$said" ] || fail "lintian -I: $said"
}

step=$1
shift
"check_$step" "$@"
