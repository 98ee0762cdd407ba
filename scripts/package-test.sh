#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh), checks it with lintian and
# appstreamcli, unpacks it into a scratch root with dpkg -x and checks what it
# installed: the package's name, version, dependencies and files; that every
# program answers --help and --version and refuses an unknown option; that
# every program has a manual page man reads without a warning; that the
# installed verkan-r starts and shows its window with its icon without
# touching its bin folder (its journal goes to the user's data folder); and
# that the installed verkan-sim answers a status poll on its terminal.
#
# Usage: scripts/package-test.sh [--system] [--keep]
#   --system  also install the package on this machine with apt-get (root
#             only), run the same checks on /usr, then remove it again
#   --keep    with --system, leave the package installed
# VERKAN_PKG_BUILD_DIR sets the build folder (default: build-package).
# Needs lintian, appstream and man-db (bash scripts/setup.sh test).
# Exits non-zero on the first failed check.
set -euo pipefail
cd "$(dirname "$0")/.."

system=0
keep=0
for arg in "$@"; do
  case $arg in
    --system) system=1 ;;
    --keep) keep=1 ;;
    *) echo "usage: $0 [--system] [--keep]" >&2; exit 2 ;;
  esac
done
if ((system)) && [[ $(id -u) -ne 0 ]]; then
  echo "package-test: --system needs root" >&2
  exit 2
fi

fail() { echo "package-test: FAIL: $*" >&2; exit 1; }
note() { echo "package-test: $*"; }

for tool in lintian appstreamcli man dpkg-parsechangelog; do
  command -v "$tool" >/dev/null ||
    fail "$tool is missing: install the test tools with bash scripts/setup.sh test"
done

build=${VERKAN_PKG_BUILD_DIR:-build-package}
deb=$(bash scripts/package.sh "$build" | tail -n 1)
version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
upstream=${version%-*}
arch=$(dpkg --print-architecture)
[[ $deb == */verkan-r_${version}_${arch}.deb && -f $deb ]] ||
  fail "expected verkan-r_${version}_${arch}.deb, got $deb"
note "built $deb"

scratch=$(mktemp -d)
sim=""
prog=""
xvfb=""
installed=0
cleanup() {
  for p in $prog $sim $xvfb; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
  if ((installed && !keep)); then
    apt-get remove -y -qq verkan-r >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

# --- the package itself -----------------------------------------------------
[[ $(dpkg-deb -f "$deb" Package) == verkan-r ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version"
[[ $version == *-* ]] || fail "version $version has no Debian revision"
[[ $(dpkg-deb -f "$deb" Architecture) == "$arch" ]] || fail "package architecture"
maintainer=$(dpkg-deb -f "$deb" Maintainer)
[[ $maintainer =~ ^[^@]+\ \<[^@]+@[^@]+\.[a-z]+\>$ && $maintainer != *localhost* ]] ||
  fail "maintainer: $maintainer"
[[ $(dpkg-deb -f "$deb" Homepage) == https://* ]] || fail "no homepage"
[[ -n $(dpkg-deb -f "$deb" Section) ]] || fail "no section"
description=$(dpkg-deb -f "$deb" Description)
[[ $(sed -n 2p <<<"$description") == " verkan-r connects "* ]] ||
  fail "long description: $description"
depends=$(dpkg-deb -f "$deb" Depends)
depnames=$(sed 's/([^)]*)//g; s/ //g' <<<"$depends" | tr -s ',|' '\n')
for dep in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6multimedia6 \
  libmosquitto1 libstdc++6 fonts-liberation fonts-crosextra-caladea qt6-translations-l10n; do
  grep -qxF "$dep" <<<"$depnames" || fail "Depends lacks $dep: $depends"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for f in ./usr/bin/verkan-r ./usr/bin/verkan-sim ./usr/share/verkan-r/ringout.wav \
  ./usr/share/applications/verkan-r.desktop \
  ./usr/share/icons/hicolor/scalable/apps/verkan-r.svg \
  ./usr/share/icons/hicolor/16x16/apps/verkan-r.png \
  ./usr/share/icons/hicolor/48x48/apps/verkan-r.png \
  ./usr/share/icons/hicolor/256x256/apps/verkan-r.png \
  ./usr/share/doc/verkan-r/copyright ./usr/share/doc/verkan-r/changelog.Debian.gz \
  ./usr/share/doc/verkan-r/README.md ./usr/share/doc/verkan-r/docs/window.png \
  ./usr/share/doc/verkan-r/guide.ru.md ./usr/share/doc/verkan-r/guide.en.md; do
  grep -qxF "$f" <<<"$contents" || fail "package lacks $f"
done
grep -q '^\./usr/share/metainfo/.*\.metainfo\.xml$' <<<"$contents" ||
  fail "package lacks its AppStream file"
# The package's programs: each one is checked below.
programs=$(sed -n 's|^\./usr/bin/||p' <<<"$contents")
note "control fields and file list ok ($depends)"

# lintian: no error and no warning (information and pedantic tags may stay).
# It warns on stderr when run as root; that line is not a finding.
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || {
  cat "$scratch/lintian.log" >&2
  fail "lintian"
}
note "lintian clean"

root=$scratch/root
dpkg -x "$deb" "$root"

# AppStream: the installed tree (metainfo file, desktop entry, icons) validates.
appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1 || {
  cat "$scratch/appstream.log" >&2
  fail "appstreamcli validate-tree"
}
note "appstream metadata valid"

# Every installed program has a manual page that man formats without a
# warning, answers --help and --version with status 0, and answers an
# unknown option with its usage on standard error and status 2. No display
# is needed for any of it.
check_command_line() {
  local prefix=$1
  local -a nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=)
  local bin name out err rc
  for name in $programs; do
    bin=$prefix/bin/$name
    local page=$prefix/share/man/man1/$name.1.gz
    [[ -f $page ]] || fail "$name has no manual page $page"
    err=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$page" 2>&1 >/dev/null) ||
      fail "man $page: $err"
    [[ -z $err ]] || fail "man $page warns: $err"

    out=$("${nodisplay[@]}" timeout 10 "$bin" --help </dev/null) || fail "$name --help: status $?"
    [[ $out == *"$name"* ]] || fail "$name --help printed: $out"
    out=$("${nodisplay[@]}" timeout 10 "$bin" --version </dev/null) ||
      fail "$name --version: status $?"
    [[ $out == "$name $upstream" ]] || fail "$name --version printed: $out"
    rc=0
    out=$("${nodisplay[@]}" timeout 10 "$bin" --no-such-option </dev/null 2>"$scratch/err") ||
      rc=$?
    err=$(<"$scratch/err")
    [[ $rc -eq 2 && -z $out && $err == *no-such-option* && $err == *"$name"* ]] ||
      fail "$name --no-such-option: status $rc, output '$out', errors '$err'"
  done
  note "$prefix/bin: --help, --version, unknown option and manual pages of" $programs "ok"
}

# --- checks on one installation under PREFIX ---------------------------------
# Every run gets its own home and data folders; every COM port number points
# at a path that does not exist, so no real serial port is opened.
comports=()
for n in $(seq 1 16); do comports+=("VERKAN_COM$n=$scratch/no-such-tty$n"); done

check_program() {
  local prefix=$1 home=$2
  mkdir -p "$home"
  local -a env=(env HOME="$home" XDG_DATA_HOME="$home/.local/share"
    XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run"
    QT_LOGGING_RULES="qt.multimedia*=false" "${comports[@]}")
  mkdir -p "$home/run"
  chmod 700 "$home/run"

  ldd "$prefix/bin/verkan-r" | grep -q 'not found' && fail "$prefix/bin/verkan-r: missing libraries"

  # Offscreen: it starts, stays up and leaves its bin folder alone.
  "${env[@]}" QT_QPA_PLATFORM=offscreen "$prefix/bin/verkan-r" >"$home/offscreen.log" 2>&1 &
  prog=$!
  sleep 2
  kill -0 "$prog" 2>/dev/null || {
    cat "$home/offscreen.log" >&2
    fail "verkan-r exited within 2 s"
  }
  kill "$prog"
  wait "$prog" 2>/dev/null || true
  prog=""
  [[ -e $prefix/bin/Jurnal.txt ]] && fail "journal created in $prefix/bin"
  [[ -d $home/.local/share/verkan-r ]] || fail "journal folder $home/.local/share/verkan-r not made"

  # On a virtual X display, through the installed xcb platform plugin: the
  # window with its caption appears.
  if command -v Xvfb >/dev/null && command -v xwininfo >/dev/null && command -v xprop >/dev/null; then
    local display=:$((150 + RANDOM % 100))
    Xvfb "$display" -screen 0 1100x700x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do
      xwininfo -display "$display" -root >/dev/null 2>&1 && break
      sleep 0.1
    done
    "${env[@]}" DISPLAY="$display" QT_QPA_PLATFORM=xcb "$prefix/bin/verkan-r" \
      >"$home/xcb.log" 2>&1 &
    prog=$!
    local shown=0 window="" icon=""
    for _ in $(seq 100); do
      window=$(xwininfo -display "$display" -root -tree 2>/dev/null |
        awk '/"Программа настройки ВЕРКАН-Р Ливерт"/ && !id {id = $1} END {print id}')
      if [[ -n $window ]]; then
        shown=1
        break
      fi
      kill -0 "$prog" 2>/dev/null || break
      sleep 0.1
    done
    # The window carries its icon (_NET_WM_ICON, which xprop shows as
    # "Icon (W x H):" and the picture).
    if ((shown)); then
      for _ in $(seq 20); do
        icon=$(xprop -display "$display" -id "$window" -notype _NET_WM_ICON 2>/dev/null |
          cut -c 1-200 | head -n 1) || true
        [[ $icon == "_NET_WM_ICON = "*"Icon ("[0-9]* ]] && break
        sleep 0.1
      done
    fi
    kill "$prog" 2>/dev/null || true
    wait "$prog" 2>/dev/null || true
    prog=""
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    xvfb=""
    ((shown)) || {
      cat "$home/xcb.log" >&2
      fail "the window did not appear on $display"
    }
    [[ $icon == "_NET_WM_ICON = "*"Icon ("[0-9]* ]] || fail "the window has no icon: '$icon'"
    note "$prefix/bin/verkan-r shows its window with its icon"
  else
    note "no Xvfb/xwininfo/xprop: window check skipped, offscreen start ok"
  fi
}

check_sim() {
  local prefix=$1 home=$2
  local link=$home/sim-tty
  "$prefix/bin/verkan-sim" --link "$link" --quiet </dev/null >"$home/sim.log" 2>&1 &
  sim=$!
  for _ in $(seq 50); do [[ -e $link ]] && break; sleep 0.1; done
  [[ -e $link ]] || fail "verkan-sim made no link $link"
  local reply=""
  exec 3<>"$link"
  stty -F "$link" 9600 raw -echo
  # Status poll of flank 1 at address 1.
  # shellcheck disable=SC2016
  printf '$010b010c\r' >&3
  # The reply is "!", nine bytes in hex and CR. (bash's own read would put
  # the terminal into a mode that turns the CR into a newline.)
  reply=$(timeout 2 head -c 20 <&3 | od -An -c | tr -d ' \n') || true
  exec 3<&-
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  sim=""
  [[ $reply =~ ^!0b[0-9a-f]{16}\\r$ ]] || fail "verkan-sim answered the poll with '$reply'"
  note "$prefix/bin/verkan-sim answers: $reply"
}

check_command_line "$root/usr"
check_program "$root/usr" "$scratch/home-x"
check_sim "$root/usr" "$scratch/home-x"

if ((system)); then
  export DEBIAN_FRONTEND=noninteractive
  # A copy installed before this run is upgraded, and left installed.
  dpkg-query -W -f='${Status}' verkan-r 2>/dev/null | grep -q 'install ok installed' ||
    installed=1
  apt-get install -y -qq --no-install-recommends "$deb" >"$scratch/apt.log" 2>&1 || {
    cat "$scratch/apt.log" >&2
    fail "apt-get install $deb"
  }
  check_command_line /usr
  check_program /usr "$scratch/home-system"
  check_sim /usr "$scratch/home-system"
fi
note "all checks passed"
