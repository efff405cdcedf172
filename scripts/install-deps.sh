#!/usr/bin/env bash
# Installs every Debian package Quillbox needs to build, test and run. Quick when all is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev libgl1-mesa-dev
    libcurl4-openssl-dev libboost-dev libsqlite3-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core xvfb xauth curl
    poppler-utils
    nginx openssl
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Server packages (nginx for the TLS tests) must not start system services on install: the
# tests start their own on free ports.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod +x "$policy"
    trap '$sudo rm -f "$policy"' EXIT
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
