#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins libgl-dev
  firebird3.0-server firebird3.0-server-core firebird3.0-utils firebird-dev libfbclient2
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  faketime iproute2 util-linux procps locales
  xvfb xauth x11-utils fonts-wine fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  SUDO=()
  if [[ $(id -u) -ne 0 ]]; then SUDO=(sudo -E); fi
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -q
  "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The tests and the demo speak German: make sure the German locale exists.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=()
  if [[ $(id -u) -ne 0 ]]; then SUDO=(sudo); fi
  "${SUDO[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${SUDO[@]}" tee -a /etc/locale.gen > /dev/null
  "${SUDO[@]}" locale-gen > /dev/null
fi
