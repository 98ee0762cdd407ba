#!/usr/bin/env bash
# Installs what building, running and testing verkan-r need on Debian 12.
# Idempotent: when every package is already there it prints nothing and
# touches nothing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config dpkg-dev file
  qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
  libgl-dev
  fonts-liberation fonts-crosextra-caladea
  libgtest-dev
  clang libclang-rt-14-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing packages: ${missing[*]}; run as root or install them" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Tests pin the Russian locale for number and date formatting.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  if [[ $(id -u) -eq 0 ]]; then
    sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
  fi
fi
