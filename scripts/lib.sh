# SPDX-FileCopyrightText: 2026 porunka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by ./scripts/run and ./scripts/test: installs the Debian packages that are missing,
# then configures and builds into build/<name>. Sourced, not run.

PORUNKA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

PORUNKA_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-svg-dev
    qt6-translations-l10n fonts-ipafont-gothic
    libbenchmark-dev libchm-dev
)

porunka_install_missing() {
    local missing=() p
    for p in "${PORUNKA_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# porunka_build NAME BUILD_TYPE [cmake options...]
porunka_build() {
    local name=$1 type=$2
    shift 2
    PORUNKA_BUILD="$PORUNKA_ROOT/build/$name"
    cmake -S "$PORUNKA_ROOT" -B "$PORUNKA_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
    cmake --build "$PORUNKA_BUILD"
}
