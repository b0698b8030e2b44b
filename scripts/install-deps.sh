#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. As root it runs apt-get;
# otherwise it prints the exact apt-get line to run and fails.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git python3
  clang libclang-rt-14-dev clang-tidy
  libhidapi-dev libudev-dev libjsoncpp-dev libcurl4-openssl-dev libfmt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ca-certificates
  qt6-base-dev qt6-tools-dev qt6-svg-dev libgl-dev fonts-dejavu-core fonts-wqy-microhei
  libxkbcommon-dev libqt6opengl6-dev xvfb xauth
  file dpkg-dev lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
