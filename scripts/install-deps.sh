#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, run, fuzz and benchmark.
# Safe to run again: packages already present are skipped without touching apt.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config make
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev qt6-serialport-dev
  libjpeg62-turbo-dev
  libcli11-dev libcpp-httplib-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstrtspserver-1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-x gstreamer1.0-tools
  libgtest-dev libgmock-dev
  libbenchmark-dev
  clang libclang-rt-dev clang-format
  fonts-wqy-microhei fontconfig
  xvfb x11-apps imagemagick
  help2man lintian dpkg-dev desktop-file-utils man-db file xauth
  onvif-tools iproute2
  nodejs npm
)

missing=()
for p in "${packages[@]}"; do
  # A nodejs from outside Debian bundles its own npm, which Debian's npm conflicts with.
  [ "$p" = npm ] && command -v npm >/dev/null && continue
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

