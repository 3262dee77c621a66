#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing.
set -euo pipefail

packages=(
  build-essential cmake ccache clang lld libclang-rt-14-dev g++-multilib pkg-config
  clang-format clang-tidy
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libxerces-c-dev libxalan-c-dev nlohmann-json3-dev
  prometheus prometheus-alertmanager prometheus-node-exporter
  libmicrohttpd-dev libcurl4-gnutls-dev libgnutls28-dev
  wrk nginx-light gnuplot-nox gcovr
  python3 curl logrotate
  chromium chromium-driver
)
# Node.js with npm drives the browser tests; any installation that brings npm
# along will do.
if ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
