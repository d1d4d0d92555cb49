#!/usr/bin/env bash
# The Windows build, made on Debian: cross-compiles Qt (once, into a cache
# outside the repository), then the program, the command line and the tests
# that need no POSIX, lays out the program folder and packs the ZIP users
# unpack. With --test it then runs them under Wine (tools/windows/wine-check.sh).
#
#   ./dev windows [--test]
#
# Environment:
#   KALVIDOR_QTSERIALPORT_SRC  Qt Serial Port 6.4.2's source: a source tree, a
#                              git repository (its tag v6.4.2 is used) or a
#                              .tar.* archive. Needed only when Debian's own
#                              source package cannot be downloaded.
#   XDG_CACHE_HOME             the cache (default ~/.cache); Qt for Windows is
#                              built in $XDG_CACHE_HOME/kalvidor-windows.
#   KALVIDOR_WINDOWS_BUILD     the program's build folder (default build-windows).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
HERE=$ROOT/tools/windows
JOBS=$(nproc 2>/dev/null || echo 2)
QT_VERSION=6.4.2
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/kalvidor-windows
QT_PREFIX=$CACHE/qt-$QT_VERSION-mingw64
BUILD=${KALVIDOR_WINDOWS_BUILD:-$ROOT/build-windows}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
TOOLCHAIN=$HERE/mingw-w64.cmake
# What builds against the Qt for Windows uses Qt's own toolchain file, which
# finds that Qt and loads the compiler's (ours, from this clone).
QT_TOOLCHAIN=(-DCMAKE_TOOLCHAIN_FILE="$QT_PREFIX/lib/cmake/Qt6/qt.toolchain.cmake"
              -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN")

say() { printf 'windows: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# apt with a private list of source entries: the machine's own package
# sources, each turned into a source entry, so that `apt-get source` works
# without touching the system's configuration or naming any host here.
APT_DIR=$CACHE/apt
apt_private() {
    apt-get -o Dir::Etc::SourceParts="$APT_DIR/sources.list.d" \
        -o Dir::Etc::SourceList="$APT_DIR/sources.list" \
        -o Dir::State::Lists="$APT_DIR/lists" \
        -o APT::Sandbox::User="$(id -un)" "$@"
}

prepare_source_entries() {
    [ -f "$APT_DIR/lists/.updated" ] && return 0
    rm -rf "$APT_DIR"
    mkdir -p "$APT_DIR/sources.list.d" "$APT_DIR/lists/partial"
    : >"$APT_DIR/sources.list"
    local f
    if [ -f /etc/apt/sources.list ]; then
        sed -nE 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$APT_DIR/sources.list"
    fi
    for f in /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed -nE 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >"$APT_DIR/sources.list.d/$(basename "$f")"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$APT_DIR/sources.list.d/$(basename "$f")"
    done
    # A source list that cannot be read (a third-party entry without
    # sources) is no reason to stop: the Debian entries are what counts.
    apt_private update -qq >/dev/null 2>"$APT_DIR/update.log" || true
    touch "$APT_DIR/lists/.updated"
}

# source_package NAME DIR: downloads Debian's source package NAME into DIR;
# fails quietly when the package's files are not served.
source_package() {
    local name=$1 dir=$2
    mkdir -p "$dir"
    (cd "$dir" && apt_private source --download-only "$name" >"$dir/download.log" 2>&1)
}

# unpack_orig DIR DEST: unpacks the upstream tarball of a downloaded source
# package into DEST (Debian's patches are not needed for this build).
unpack_orig() {
    local dir=$1 dest=$2 tarball
    tarball=$(ls "$dir"/*.orig.tar.* 2>/dev/null | head -1)
    [ -n "$tarball" ] || return 1
    rm -rf "$dest.tmp"
    mkdir -p "$dest.tmp"
    tar -xf "$tarball" -C "$dest.tmp" --strip-components=1
    mv "$dest.tmp" "$dest"
}

qtbase_source() {
    local dest=$CACHE/src/qtbase-$QT_VERSION
    [ -f "$dest/CMakeLists.txt" ] && { echo "$dest"; return 0; }
    prepare_source_entries
    say "downloading Debian's qt6-base source"
    source_package qt6-base "$CACHE/download/qt6-base" ||
        die "Debian's qt6-base source could not be downloaded (see $CACHE/download/qt6-base/download.log)"
    grep -q "qt6-base_$QT_VERSION" <(ls "$CACHE/download/qt6-base") ||
        die "Debian serves a qt6-base other than $QT_VERSION; the Windows build must match the host's Qt tools"
    unpack_orig "$CACHE/download/qt6-base" "$dest" || die "no upstream tarball in $CACHE/download/qt6-base"
    echo "$dest"
}

qtserialport_source() {
    local dest=$CACHE/src/qtserialport-$QT_VERSION given=${KALVIDOR_QTSERIALPORT_SRC:-}
    [ -f "$dest/CMakeLists.txt" ] && { echo "$dest"; return 0; }
    if [ -z "$given" ]; then
        prepare_source_entries
        say "downloading Debian's qt6-serialport source"
        if source_package qt6-serialport "$CACHE/download/qt6-serialport" &&
            unpack_orig "$CACHE/download/qt6-serialport" "$dest"; then
            echo "$dest"
            return 0
        fi
        say "Debian's qt6-serialport source is not served here (see $CACHE/download/qt6-serialport/download.log)."
        say "Give Qt Serial Port $QT_VERSION's source in KALVIDOR_QTSERIALPORT_SRC: a source tree,"
        say "a clone of Qt's qtserialport repository (tag v$QT_VERSION is used) or a source archive."
        exit 1
    fi
    rm -rf "$dest.tmp"
    mkdir -p "$dest.tmp"
    if [ -f "$given/CMakeLists.txt" ]; then
        cp -a "$given/." "$dest.tmp/"
    elif git -C "$given" rev-parse --git-dir >/dev/null 2>&1; then
        git -C "$given" rev-parse -q --verify "refs/tags/v$QT_VERSION" >/dev/null ||
            die "$given has no tag v$QT_VERSION"
        git -C "$given" archive --format=tar "v$QT_VERSION" | tar -x -C "$dest.tmp"
    elif [ -f "$given" ]; then
        tar -xf "$given" -C "$dest.tmp" --strip-components=1
    else
        die "KALVIDOR_QTSERIALPORT_SRC=$given is neither a source tree, a git repository nor an archive"
    fi
    [ -f "$dest.tmp/CMakeLists.txt" ] || die "no CMakeLists.txt in Qt Serial Port's source from $given"
    mv "$dest.tmp" "$dest"
    echo "$dest"
}

# The host's Qt tools must be the same version as the Qt built for Windows.
check_host_qt() {
    local version
    version=$(sed -nE 's/^set\(PACKAGE_VERSION "([0-9.]+)"\)/\1/p' \
        /usr/lib/x86_64-linux-gnu/cmake/Qt6CoreTools/Qt6CoreToolsConfigVersion*.cmake 2>/dev/null | head -1)
    [ "$version" = "$QT_VERSION" ] ||
        die "the host's Qt tools are ${version:-missing}, the Windows build needs $QT_VERSION"
}

# Qt for Windows: only what the program and its tests use. Bundled copies of
# the third-party libraries (there are no Windows builds of the system ones);
# OpenGL off, and with it the dynamic-GL loader of the Windows plugin;
# tablet events off (Debian's source leaves out the header the Windows plugin
# needs for them).
QT_FEATURES_OFF=(sql network dbus opengl dynamicgl printsupport concurrent icu vulkan
                 jpeg gif xml tabletevent
                 system_zlib system_pcre2 system_png system_freetype system_harfbuzz
                 system_doubleconversion system_jpeg)

build_qtbase() {
    [ -f "$QT_PREFIX/.qtbase-built" ] && return 0
    local src build=$CACHE/build/qtbase f args=()
    src=$(qtbase_source)
    for f in "${QT_FEATURES_OFF[@]}"; do args+=("-DFEATURE_$f=OFF"); done
    say "building Qt $QT_VERSION for Windows into $QT_PREFIX (about 25 minutes on two cores, once)"
    rm -rf "$build"
    mkdir -p "$build"
    cmake -S "$src" -B "$build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$QT_PREFIX" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DBUILD_SHARED_LIBS=ON \
        "${args[@]}" >"$build/configure.log" 2>&1 ||
        { tail -40 "$build/configure.log" >&2; die "configuring Qt failed; see $build/configure.log"; }
    cmake --build "$build" --parallel "$JOBS" >"$build/build.log" 2>&1 ||
        { tail -40 "$build/build.log" >&2; die "building Qt failed; see $build/build.log"; }
    cmake --install "$build" >"$build/install.log" 2>&1 || die "installing Qt failed; see $build/install.log"
    # Qt's Japanese texts, as Qt's installer would put them beside Qt (the
    # tests look for them there); the file is the same on every platform.
    mkdir -p "$QT_PREFIX/translations"
    cp /usr/share/qt6/translations/qtbase_ja.qm "$QT_PREFIX/translations/"
    touch "$QT_PREFIX/.qtbase-built"
}

build_qtserialport() {
    [ -f "$QT_PREFIX/.qtserialport-built" ] && return 0
    local src build=$CACHE/build/qtserialport
    src=$(qtserialport_source)
    say "building Qt Serial Port $QT_VERSION for Windows"
    rm -rf "$build"
    mkdir -p "$build"
    cmake -S "$src" -B "$build" -G Ninja -Wno-dev \
        "${QT_TOOLCHAIN[@]}" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$QT_PREFIX" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF >"$build/configure.log" 2>&1 ||
        { tail -40 "$build/configure.log" >&2; die "configuring Qt Serial Port failed; see $build/configure.log"; }
    cmake --build "$build" --parallel "$JOBS" >"$build/build.log" 2>&1 ||
        { tail -40 "$build/build.log" >&2; die "building Qt Serial Port failed; see $build/build.log"; }
    cmake --install "$build" >"$build/install.log" 2>&1 || die "installing Qt Serial Port failed"
    touch "$QT_PREFIX/.qtserialport-built"
}

# The program, the command line and the tests that need no POSIX, then the
# program folder and the ZIP (cmake/WindowsDeploy.cmake lays it out).
build_program() {
    if [ ! -f "$BUILD/build.ninja" ]; then
        mkdir -p "$BUILD"
        cmake -S "$ROOT" -B "$BUILD" -G Ninja \
            "${QT_TOOLCHAIN[@]}" \
            -DCMAKE_BUILD_TYPE=Release \
            -DQT_HOST_PATH=/usr \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$HERE/wine-run.sh" \
            -DKALVIDOR_QT_TRANSLATIONS=/usr/share/qt6/translations >"$BUILD/configure.log" 2>&1 ||
            { cat "$BUILD/configure.log" >&2; die "configuring the Windows build failed"; }
    fi
    say "cross-building the program, the command line and the tests in $BUILD"
    cmake --build "$BUILD" --parallel "$JOBS" >&2
    rm -rf "$BUILD/packages"
    cpack --config "$BUILD/CPackConfig.cmake" -B "$BUILD/packages" >&2
    local zip
    zip=$(ls "$BUILD"/packages/kalvidor-*-win64.zip)
    say "made $zip"
}

main() {
    local test=0 a
    for a in "$@"; do
        case $a in
            --test) test=1 ;;
            -h|--help) sed -n '2,17p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
            *) die "unknown option: $a (./dev windows [--test])" ;;
        esac
    done
    mkdir -p "$CACHE"
    check_host_qt
    build_qtbase
    build_qtserialport
    build_program
    if [ $test -eq 1 ]; then
        bash "$HERE/wine-check.sh" "$BUILD"
    fi
}

# Sourced (by the tests), it only defines its functions.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
