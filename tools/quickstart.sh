#!/usr/bin/env bash
# Builds Quotarium on Debian 12 and either starts it or runs the whole test
# suite. Installs what is missing first (needs root for that).
#   tools/quickstart.sh run       build a release and start the program
#   tools/quickstart.sh test      build with warnings as errors and run all tests
#   tools/quickstart.sh windows   build the Windows zip and installer in build/windows/
#   tools/quickstart.sh deps      only install what is missing
# For Windows, QUOTARIUM_WINDOWS_SDK_ARCHIVE may name a prebuilt Qt for
# Windows to unpack (see tools/windows_sdk.sh); without it that Qt is built
# from Debian's sources once, which takes about half an hour.
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-}"
case "$mode" in
run | test | windows | deps) ;;
*)
    echo "usage: $0 run|test|windows|deps" >&2
    exit 2
    ;;
esac

packages=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev libxcb1-dev
    fonts-wqy-microhei)
if [ "$mode" = test ]; then
    # A real X desktop with a tray for the end-to-end checks, clang's
    # sanitizer runtimes for the fuzz targets, the Debian package's builder
    # and validators.
    packages+=(xvfb openbox trayer xdotool x11-utils imagemagick
        clang clang-format libclang-rt-14-dev libbenchmark-dev
        dpkg-dev desktop-file-utils appstream)
fi
if [ "$mode" = test ] || [ "$mode" = windows ]; then
    # The Windows build: the cross compilers, the host's moc/uic/rcc, NSIS
    # for the installer, wine for the tests, and icupkg for the Chinese
    # collation files the Windows package carries.
    packages+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev qt6-base-dev-tools nsis wine64 xz-utils
        fonts-dejavu-core icu-devtools)
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

windows_sdk() {
    bash tools/windows_sdk.sh ${QUOTARIUM_WINDOWS_SDK_ARCHIVE:+"$QUOTARIUM_WINDOWS_SDK_ARCHIVE"} >/dev/null
}
if [ "$mode" = windows ]; then
    windows_sdk
    cmake --preset windows
    cmake --build --preset windows -j "$jobs" --target package
    exec ctest --preset windows
fi

# Formatting first (a second, and it fails fast); then unit tests (offscreen),
# plain and under the sanitizers, the end-to-end checks on a real X display
# against the demo service, and every fuzz target for a bounded time.
bash tools/check_format.sh

cmake --preset dev
cmake --build --preset dev -j "$jobs"
ctest --preset dev

# The unit tests again under the address and undefined-behaviour sanitizers.
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan

# Windows: the release with its unit tests under wine, its zip and the zip's
# contents check; then the same program pointed at the demo service, zipped
# for the end-to-end checks, which run it under wine as well.
windows_sdk
cmake --preset windows-tests
cmake --build --preset windows-tests -j "$jobs" --target all package
ctest --preset windows-tests
cmake --preset windows-e2e
cmake --build --preset windows-e2e -j "$jobs" --target package

# The zip is named after the project's version, defined in CMakeLists.txt.
version="$(sed -n 's/^project(Quotarium VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
cmake --preset e2e -DQUOTARIUM_E2E_WINDOWS_ZIP="$PWD/build/windows-e2e/quotarium-$version-win64.zip"
cmake --build --preset e2e -j "$jobs"
ctest --preset e2e

cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
QUOTARIUM_FUZZ_SECONDS="${QUOTARIUM_FUZZ_SECONDS:-15}" ctest --preset fuzz
