#!/usr/bin/env bash
# Installs the Debian packages Belltale needs to build, test and run, and only those that are missing.
# Safe to run again: with everything present it changes nothing and needs no network.
set -euo pipefail

# libasound2-dev and libcurl4-openssl-dev give the headers the build needs; the program loads their
# libraries (pulled in with them) at run time, only when sound or a transfer first needs them.
packages=(
    qt6-base-dev qt6-serialport-dev libespeak-ng-dev espeak-ng-data libasound2-dev libcurl4-openssl-dev
    libfontconfig-dev libx11-dev libgtest-dev libgmock-dev libbenchmark-dev cmake g++ make clang libclang-rt-dev
    xvfb imagemagick trayer socat sox python3-aiosmtpd dovecot-pop3d poppler-utils xdg-utils locales
)
# The suite also runs once under a locale that writes numbers with a decimal comma.
test_locale=de_DE.UTF-8

have_test_locale() {
    locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'
}

make_test_locale() {
    have_test_locale && return 0
    echo "install-deps: generating the $test_locale locale"
    if ! grep -qx "$test_locale UTF-8" /etc/locale.gen 2>/dev/null; then
        echo "$test_locale UTF-8" | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${SUDO[@]}" locale-gen >/dev/null
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ] && have_test_locale; then
    exit 0
fi

[ ${#missing[@]} -eq 0 ] || echo "install-deps: missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        SUDO=(sudo -n)
    elif [ ${#missing[@]} -eq 0 ]; then
        # Only the second locale's run of the suite needs it: everything else works without.
        echo "install-deps: the $test_locale locale is missing; as root: add '$test_locale UTF-8' to /etc/locale.gen and run locale-gen" >&2
        exit 0
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
if [ ${#missing[@]} -gt 0 ]; then
    "${SUDO[@]}" apt-get update -qq
    "${SUDO[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
make_test_locale
echo "install-deps: done"
