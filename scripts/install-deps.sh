#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config python3
    clang libclang-rt-14-dev
    locales-all
    libgtest-dev libgmock-dev libbenchmark-dev libftdi1-dev libturbojpeg0-dev libtiff-dev libpng-dev libcli11-dev nlohmann-json3-dev
    qt6-base-dev fonts-dejavu-core
    poppler-utils
    dpkg-dev
)

# The independent LAS reader of the tests (npm package las-js), in a folder git ignores; the
# test that uses it is skipped without node or without the package.
root="$(cd "$(dirname "$0")/.." && pwd)"
if command -v npm >/dev/null 2>&1 && [ ! -d "$root/.cache/node/node_modules/las-js" ]; then
    npm install --prefix "$root/.cache/node" --no-audit --no-fund --no-save las-js >/dev/null 2>&1 ||
        echo "las-js not installed: the LAS reader test will be skipped" >&2
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
