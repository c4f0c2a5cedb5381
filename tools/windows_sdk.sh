#!/usr/bin/env bash
# Provides the Qt for Windows that the `windows` presets cross-compile against:
# Qt 6.4.2 (Core, Gui, Widgets, Network, Test and the plugins the program
# ships) with ICU 72.1, built with Debian's mingw-w64 (posix threads).
#   tools/windows_sdk.sh [ARCHIVE]
# With ARCHIVE (a .tar.xz holding one folder qt6-mingw/) it unpacks that;
# without, it builds the same from Debian bookworm's source packages (about
# half an hour on two cores). Either way the result lands in
#   ${QUOTARIUM_WINDOWS_SDK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quotarium}/qt6-mingw
# which is where the presets look unless QUOTARIUM_WINDOWS_SDK names another
# folder. Running it again with the same archive does nothing.
#
# Why ICU: Qt 6 converts GB18030 on Windows only through ICU, and wine does
# not implement the Windows code page for it either.
set -euo pipefail

CACHE=$(realpath -m "${QUOTARIUM_WINDOWS_SDK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quotarium}")
SDK=$CACHE/qt6-mingw
TRIPLE=x86_64-w64-mingw32
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
QTVER=6.4.2
ICUVER=72.1

log() { printf '=== [%s] %s\n' "$(date +%T)" "$*"; }

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The compilers and the host's moc/uic/rcc of the same Qt version are needed
# to use the SDK, whichever way it came.
install_missing g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
    binutils-mingw-w64-x86-64 qt6-base-dev qt6-base-dev-tools qt6-translations-l10n wine64 xz-utils

# Qt's catalogs are the same files on every platform, but come in a module of
# their own that neither way provides: Debian's Chinese ones are added, so the
# Windows Qt has them where Qt looks (the package takes them from there too).
add_catalogs() {
    mkdir -p "$1/translations"
    cp /usr/share/qt6/translations/*_zh_CN.qm "$1/translations/"
}

# ICU's Chinese collation rules (names by pinyin) are files beside the
# program, since the slim ICU data of the DLL lacks them. They come from the
# build machine's ICU of the same major version, whose data is one blob in
# libicudata: it is cut out and icupkg takes the files from it.
add_collation() {
    local out=$1/share/icu/icudt${ICUVER%%.*}l/coll
    [ -f "$out/zh.res" ] && return 0
    install_missing icu-devtools "libicu${ICUVER%%.*}"
    local lib=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/libicudata.so.${ICUVER%%.*}
    local addr size secaddr secoff tmp
    read -r addr size < <(nm -DS "$lib" | awk '/ R icudt[0-9]+_dat$/ { print $1, $2 }')
    read -r secaddr secoff < <(readelf -SW "$lib" |
        awk '$2 == ".rodata" { print $4, $5 } $3 == ".rodata" { print $5, $6 }')
    tmp=$(mktemp -d)
    dd if="$lib" of="$tmp/icudt${ICUVER%%.*}l.dat" bs=1M iflag=skip_bytes,count_bytes status=none \
        skip=$((0x$addr - 0x$secaddr + 0x$secoff)) count=$((0x$size))
    printf 'coll/%s.res\n' zh zh_CN zh_Hans zh_Hans_CN >"$tmp/list.txt"
    mkdir -p "$tmp/out"
    icupkg -x "$tmp/list.txt" -d "$tmp/out" "$tmp/icudt${ICUVER%%.*}l.dat"
    mkdir -p "$out"
    cp "$tmp"/out/coll/*.res "$out/"
    rm -rf "$tmp"
}

# The CMake toolchain file: the presets use the project's own
# (cmake/WindowsToolchain.cmake); this one serves anybody using the SDK bare.
write_toolchain() {
    cat >"$1/mingw-w64-x86_64-posix.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER   $TRIPLE-gcc-posix)
set(CMAKE_CXX_COMPILER $TRIPLE-g++-posix)
set(CMAKE_RC_COMPILER  $TRIPLE-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$TRIPLE "\${CMAKE_CURRENT_LIST_DIR}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

if [ $# -ge 1 ]; then
    archive=$(realpath "$1")
    stamp="$(sha256sum "$archive" | cut -d' ' -f1)"
    if [ -f "$SDK/.quotarium-stamp" ] && [ "$(cat "$SDK/.quotarium-stamp")" = "$stamp" ]; then
        add_catalogs "$SDK"
        add_collation "$SDK"
        echo "$SDK"
        exit 0
    fi
    log "unpacking $archive into $CACHE" >&2
    # Unpacked beside and moved in whole, so an interrupted run never leaves
    # a half SDK where the presets look.
    mkdir -p "$CACHE"
    scratch=$(mktemp -d "$CACHE/unpack.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    tar -xJf "$archive" -C "$scratch"
    [ -f "$scratch/qt6-mingw/lib/cmake/Qt6/Qt6Config.cmake" ] ||
        { echo "$archive does not hold qt6-mingw/ with Qt 6" >&2; exit 1; }
    add_catalogs "$scratch/qt6-mingw"
    add_collation "$scratch/qt6-mingw"
    echo "$stamp" >"$scratch/qt6-mingw/.quotarium-stamp"
    rm -rf "$SDK"
    mv "$scratch/qt6-mingw" "$SDK"
    echo "$SDK"
    exit 0
fi

# ---- Built from Debian's sources ----------------------------------------
[ -f "$SDK/.quotarium-stamp" ] && [ "$(cat "$SDK/.quotarium-stamp")" = "built $QTVER $ICUVER" ] &&
    { add_catalogs "$SDK"; add_collation "$SDK"; echo "$SDK"; exit 0; }
install_missing build-essential dpkg-dev cmake ninja-build perl python3 debian-archive-keyring
WORK=$CACHE/build
SRC=$WORK/src
PREFIX=$WORK/qt6-mingw
mkdir -p "$SRC"

log "fetching Debian bookworm's icu and qt6-base sources" >&2
# A private apt state, so the machine's own sources need no deb-src lines.
APT=$WORK/apt
mkdir -p "$APT/lists/partial" "$APT/cache/archives/partial" "$APT/sources"
cat >"$APT/sources/bookworm-src.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_src() {
    apt-get -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$APT/sources" \
        -o Dir::State::Lists="$APT/lists" -o Dir::Cache="$APT/cache" "$@"
}
apt_src update -qq
cd "$SRC"
ls -d icu-"$ICUVER"*/ >/dev/null 2>&1 || apt_src source icu
ls -d qt6-base-"$QTVER"*/ >/dev/null 2>&1 || apt_src source qt6-base
ICUSRC=$(realpath "$(ls -d "$SRC"/icu-"$ICUVER"*/ | head -1)")
QTSRC=$(realpath "$(ls -d "$SRC"/qt6-base-"$QTVER"*/ | head -1)")

log "ICU for the build machine (its tools run during the cross build)" >&2
rm -rf "$WORK/icu-host" && mkdir -p "$WORK/icu-host" && cd "$WORK/icu-host"
"$ICUSRC/source/configure" --disable-tests --disable-samples --disable-extras \
    --disable-layoutex --disable-icuio >configure.log
make -j"$JOBS" >build.log

# Debian's tarball ships ICU's data prebuilt only, so it is slimmed with
# icupkg to what the program reaches through Qt: the GB18030 converter, root
# collation, time zones and the locale basics (about 2 MB instead of 30).
log "slimming ICU's data" >&2
ICUPKG() { LD_LIBRARY_PATH="$WORK/icu-host/lib" "$WORK/icu-host/bin/icupkg" "$@"; }
DAT=$ICUSRC/source/data/in/icudt72l.dat
[ -f "$DAT.full" ] || cp "$DAT" "$DAT.full"
rm -rf "$WORK/icu-data" && mkdir -p "$WORK/icu-data/full" && cd "$WORK/icu-data"
cp "$DAT.full" full/icudt72l.dat
keep='^(cnvalias\.icu|gb18030\.cnv|res_index\.res|root\.res|pool\.res|icuver\.res|icustd\.res'
keep+='|coll/(res_index|root|ucadata)\.(res|icu)'
keep+='|zoneinfo64\.res|timezoneTypes\.res|metaZones\.res|windowsZones\.res'
keep+='|supplementalData\.res|likelySubtags\.res|nfkc\.nrm)$'
ICUPKG -l full/icudt72l.dat | grep -Ev "$keep" >remove.txt || true
ICUPKG -r remove.txt full/icudt72l.dat icudt72l.dat
cp icudt72l.dat "$DAT"

log "ICU for Windows" >&2
rm -rf "$WORK/icu-mingw" "$PREFIX" && mkdir -p "$WORK/icu-mingw" "$PREFIX" && cd "$WORK/icu-mingw"
env CC=$TRIPLE-gcc-posix CXX=$TRIPLE-g++-posix AR=$TRIPLE-ar RANLIB=$TRIPLE-ranlib \
    CFLAGS="-O2" CXXFLAGS="-O2 -std=c++17" \
    "$ICUSRC/source/configure" --host=$TRIPLE --build=x86_64-pc-linux-gnu \
    --with-cross-build="$WORK/icu-host" --prefix="$PREFIX" \
    --disable-tests --disable-samples --disable-extras --disable-layoutex \
    --disable-icuio --disable-tools --with-data-packaging=library >configure.log
make -j"$JOBS" >build.log
make install >install.log
for f in "$PREFIX"/lib/icu*.dll; do [ -e "$f" ] && mv -f "$f" "$PREFIX/bin/"; done

# Debian's tarball lacks the tablet header (tablet events off); direct2d stays
# on because in Qt 6.4 it also gates the DirectWrite font database that the
# windows platform plugin links.
log "qtbase for Windows" >&2
write_toolchain "$PREFIX"
rm -rf "$WORK/qtbase-mingw"
cmake -G Ninja -S "$QTSRC" -B "$WORK/qtbase-mingw" \
    -DCMAKE_TOOLCHAIN_FILE="$PREFIX/mingw-w64-x86_64-posix.cmake" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_icu=ON -DICU_ROOT="$PREFIX" \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF \
    -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_network=ON -DFEATURE_testlib=ON \
    -DFEATURE_schannel=ON -DFEATURE_openssl=OFF -DFEATURE_libproxy=OFF \
    -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON -DFEATURE_gif=ON -DFEATURE_ico=ON -DFEATURE_jpeg=OFF \
    -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF \
    -DFEATURE_direct2d=ON -DFEATURE_tabletevent=OFF >"$WORK/qtbase-configure.log"
cmake --build "$WORK/qtbase-mingw" --parallel "$JOBS" >"$WORK/qtbase-build.log"
cmake --install "$WORK/qtbase-mingw" >"$WORK/qtbase-install.log"

# The compiler's runtime DLLs travel with the program like Qt's own.
for f in /usr/lib/gcc/$TRIPLE/12-posix/libstdc++-6.dll /usr/lib/gcc/$TRIPLE/12-posix/libgcc_s_seh-1.dll \
    /usr/$TRIPLE/lib/libwinpthread-1.dll; do
    install -m 644 "$f" "$PREFIX/bin/"
done
$TRIPLE-strip --strip-unneeded "$PREFIX"/bin/*.dll "$PREFIX"/plugins/*/*.dll
add_catalogs "$PREFIX"
add_collation "$PREFIX"
echo "built $QTVER $ICUVER" >"$PREFIX/.quotarium-stamp"
rm -rf "$SDK"
mv "$PREFIX" "$SDK"
log "done" >&2
echo "$SDK"
