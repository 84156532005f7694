#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Quorvel needs.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    libx11-dev libcurl4-openssl-dev libssl-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang llvm libclang-rt-14-dev clang-format
    xvfb x11-utils trayer openbox libxtst6
    clamav
    qt6-base-dev qt6-base-dev-tools
    util-linux procps python3 e2fsprogs
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    wine64 wine
    dpkg-dev file lintian desktop-file-utils librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq -o DPkg::Lock::Timeout=600
    apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
