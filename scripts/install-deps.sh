#!/usr/bin/env bash
# Installs the Debian packages Belltale needs to build, test and run, and only those that are missing.
# Safe to run again: with everything present it changes nothing and needs no network.
set -euo pipefail

packages=(
    qt6-base-dev qt6-serialport-dev libespeak-ng-dev espeak-ng-data libasound2-dev libcurl4-openssl-dev
    libx11-dev libgtest-dev libgmock-dev libbenchmark-dev cmake g++ make clang libclang-rt-dev
    xvfb imagemagick trayer socat sox python3-aiosmtpd dovecot-pop3d poppler-utils xdg-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        SUDO=(sudo -n)
    else
        echo "install-deps: these packages are missing and this script is not running as root." >&2
        echo "install-deps: run it as root (sudo scripts/install-deps.sh), or install them yourself:" >&2
        echo "  apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
else
    SUDO=()
fi

export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
echo "install-deps: done"
