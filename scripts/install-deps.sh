#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and
# only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3 clang-format clang libclang-rt-14-dev git
  googletest libgtest-dev libgmock-dev libbenchmark-dev libopencv-dev
  libpng-dev libjpeg62-turbo-dev libtiff-dev zlib1g-dev libfreetype-dev libfontconfig-dev fonts-noto-cjk
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64
  wine64 xvfb xauth imagemagick
  mono-devel libgdiplus zip file
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
