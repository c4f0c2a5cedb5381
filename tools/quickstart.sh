#!/usr/bin/env bash
# Builds Quotarium on Debian 12 and either starts it or runs the whole test
# suite. Installs what is missing first (needs root for that).
#   tools/quickstart.sh run    build a release and start the program
#   tools/quickstart.sh test   build with warnings as errors and run all tests
#   tools/quickstart.sh deps   only install what is missing
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-}"
case "$mode" in
run | test | deps) ;;
*)
    echo "usage: $0 run|test|deps" >&2
    exit 2
    ;;
esac

packages=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev
    fonts-wqy-microhei)
if [ "$mode" = test ]; then
    # A real X desktop with a tray for the end-to-end checks, clang's
    # sanitizer runtimes for the fuzz targets.
    packages+=(xvfb openbox trayer xdotool x11-utils imagemagick
        clang clang-format libclang-rt-14-dev libbenchmark-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "$mode" = deps ] && exit 0
jobs="$(nproc 2>/dev/null || echo 2)"
if [ "$mode" = run ]; then
    cmake --preset release
    cmake --build --preset release -j "$jobs" --target quotarium
    exec build/release/bin/quotarium
fi

# Formatting first (a second, and it fails fast); then unit tests (offscreen),
# the end-to-end checks on a real X display against the demo service, and
# every fuzz target for a bounded time.
bash tools/check_format.sh

cmake --preset dev
cmake --build --preset dev -j "$jobs"
ctest --preset dev

cmake --preset e2e
cmake --build --preset e2e -j "$jobs"
ctest --preset e2e

cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
QUOTARIUM_FUZZ_SECONDS="${QUOTARIUM_FUZZ_SECONDS:-15}" ctest --preset fuzz
