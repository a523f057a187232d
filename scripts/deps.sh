#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when any is missing.
# Sourced by run.sh and test.sh; idempotent.
set -euo pipefail

SCORVANE_PACKAGES=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n libqt6svg6
  libzip-dev zip unzip time
  libxlsxwriter-dev libfreexl-dev python3-openpyxl gnumeric
  python3-dbf
  fonts-noto-cjk fonts-wqy-zenhei
  xvfb xauth poppler-utils
  dpkg-dev desktop-file-utils shared-mime-info lintian appstream man-db groff-base clang-format
)

scorvane_install_missing() {
  local missing=() p
  for p in "${SCORVANE_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
