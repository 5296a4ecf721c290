#!/usr/bin/env bash
# Installs every Debian package the project needs, only when something is
# missing. Non-interactive and safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ gcc clang libclang-rt-14-dev make pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 libwine xvfb xdotool imagemagick x11-utils
  # Wine's own fonts (Marlett draws the caption buttons' symbols, Tahoma backs
  # "MS Shell Dlg") and Liberation Sans, which Wine takes for a missing "Arial":
  # it has Arial's widths, so texts measure as on Windows.
  fonts-wine fonts-liberation
  libpcap-dev tcpdump tcpreplay tshark iproute2 python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang-format valgrind procps util-linux nsis
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# tshark asks whether non-root users may capture; answer it up front.
echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections 2>/dev/null || true
apt-get update -qq
apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confdef \
  -o Dpkg::Options::=--force-confold "${missing[@]}"
