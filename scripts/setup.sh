#!/usr/bin/env bash
# Installs on Debian 12 what verkan-r needs, by profile:
#   setup.sh run    building, running and packaging the program
#   setup.sh test   the same, and the tools of the test suite, the package
#                   test, fuzzing, benchmarks and screenshots (the default)
# Idempotent: when everything is there it prints nothing and touches nothing.
# As root it installs what is missing with apt-get. Any other user is told
# which packages are missing and the command that installs them, and the
# script fails.
set -euo pipefail

profile=${1:-test}
run_packages=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-serialport-dev qt6-multimedia-dev libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libmosquitto-dev
  fonts-liberation fonts-crosextra-caladea
  dpkg-dev file
)
test_packages=(
  clang libclang-rt-14-dev
  libbenchmark-dev
  xvfb xauth x11-utils imagemagick
  lintian appstream man-db
  locales
  # Real peers of the network tests: a serial server in front of the
  # simulator's pseudo-terminal and an MQTT broker with its clients. The
  # tests start and end their own instances on free local ports.
  ser2net mosquitto mosquitto-clients
)
case $profile in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac

# How this user runs a command as root: sudo where it is installed and the
# user is in its group, su otherwise (a default Debian has no sudo).
as_root() {
  local cmd joined=""
  if command -v sudo >/dev/null && id -nG | grep -qwE 'sudo|admin|wheel'; then
    for cmd in "$@"; do joined+="${joined:+ && }sudo $cmd"; done
    echo "$joined"
  else
    for cmd in "$@"; do joined+="${joined:+ && }$cmd"; done
    echo "su -c \"$joined\""
  fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    {
      echo "setup: these packages are missing: ${missing[*]}"
      echo "Install them as root, then run this again:"
      echo "  $(as_root "apt-get install ${missing[*]}")"
    } >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests pin the Russian locale for number and date formatting.
if [[ $profile == test ]] && ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  if [[ $(id -u) -ne 0 ]]; then
    {
      echo "setup: the tests need the ru_RU.UTF-8 locale. Make it as root, then run this again:"
      echo "  $(as_root "sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen" locale-gen)"
    } >&2
    exit 1
  fi
  sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
