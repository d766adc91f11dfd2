#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: packages
# already present are skipped, and nothing is fetched when everything is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qtbase5-dev qtbase5-dev-tools qttools5-dev-tools qttranslations5-l10n
    libqt5serialport5-dev libqt5svg5-dev
    python3-ezdxf libdxflib-dev
    libnanoflann-dev zlib1g-dev libarchive-dev libx11-dev 7zip python3
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-utils desktop-file-utils
    librsvg2-bin python3-svgelements
    hp2xx
    lldb
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: all packages present"
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
