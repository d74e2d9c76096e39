#!/usr/bin/env bash
# Installs, from Debian and only where missing, what the build, the tests and the
# programs need. Quick when everything is present: one dpkg-query, no apt call.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsqlite3-dev libssl-dev openssl
  libgtest-dev libgmock-dev
  python3 python3-pyftpdlib python3-openssl vsftpd netbase
  lftp curl
  fonts-wqy-microhei fonts-dejavu-core shared-mime-info adwaita-icon-theme
  clang libclang-rt-14-dev
  xauth xvfb
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# A stale package index makes installs fail with 404s on a machine that was imaged long ago.
$sudo apt-get update -qq || true
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
