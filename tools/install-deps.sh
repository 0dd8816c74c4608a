#!/usr/bin/env bash
# Installs the Debian packages the editor needs to build, run and test.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang clang-format make
    qt6-base-dev qt6-svg-dev qt6-translations-l10n
    libdxflib-dev libboost-dev libgtest-dev libgmock-dev libbenchmark-dev
    libclang-rt-14-dev zlib1g-dev
    fonts-liberation2 python3-ezdxf poppler-utils xvfb xauth locales
    dpkg-dev desktop-file-utils appstream
)
# The comparison benchmarks (`tools/install-deps.sh --bench`, run by `make bench`) measure the
# program against other programs on the same drawings.
if [ "${1:-}" = "--bench" ]; then
    packages+=(librecad bc)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# The number-conversion tests run under a Polish locale, whose decimal separator is a comma.
if ! locale -a 2>/dev/null | grep -qi '^pl_PL\.utf-\?8$'; then
    echo "Generating the pl_PL.UTF-8 locale"
    as_root localedef -i pl_PL -f UTF-8 pl_PL.UTF-8
fi
