#!/bin/sh
# Builds the libraries of the PDF document library for Windows (x86_64 or
# i686) as static libraries, from Debian's own source packages only:
# libpng, libjpeg-turbo, HarfBuzz, qpdf and libdeflate from `apt-get source`
# (the script adds a deb-src entry for Debian's archive when there is none),
# zlib from Debian's libz-mingw-w64-dev. The result is a folder with
# include/ and lib/ in the user's cache, outside the clone, named after the
# architecture and the versions of the sources; a second run finds it and
# returns at once.
#
#   build-windows-deps.sh ARCH     build (or find) it; prints its path
#
# Everything else goes to standard error and to the build log beside the
# folder. The folder appears only when it is complete: the libraries are
# built in a temporary folder that is renamed at the end.
set -eu

usage() {
    echo "usage: build-windows-deps.sh x86_64|i686" >&2
    exit 2
}
[ $# -eq 1 ] || usage
ARCH=$1
case "$ARCH" in
x86_64 | i686) ;;
*) usage ;;
esac
TRIPLE=$ARCH-w64-mingw32
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TOOLCHAIN=$ROOT/cmake/toolchains/$TRIPLE.cmake
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/dro-windows-deps
# Raised when the way the libraries are built changes, so that an older
# result is not taken for a current one.
RECIPE=1
# The source packages come from the release, not from its security archive:
# `apt-get source libpng1.6` asks for a security .dsc that is not there.
SUITE=bookworm
PACKAGES="libpng1.6 libjpeg-turbo harfbuzz qpdf libdeflate"
ZLIB_PACKAGE=libz-mingw-w64-dev
SYSROOT=/usr/$TRIPLE

say() { echo "build-windows-deps: $*" >&2; }
die() {
    say "$*"
    exit 1
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        die "need root or sudo for: $*"
    fi
}

# The deb-src entry for Debian's archive, and the package lists that go with it.
SOURCES_ENTRY=/etc/apt/sources.list.d/dro-deb-src.sources
ensure_deb_src() {
    if apt-get source --print-uris qpdf/$SUITE >/dev/null 2>&1; then
        return
    fi
    say "adding $SOURCES_ENTRY and updating the package lists"
    as_root sh -c "cat >$SOURCES_ENTRY" <<EOF
# Debian's source packages, for scripts/build-windows-deps.sh of Dro.
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $SUITE $SUITE-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    as_root apt-get update -qq >&2
    apt-get source --print-uris qpdf/$SUITE >/dev/null 2>&1 ||
        die "apt-get source still finds no sources for $SUITE"
}

# The .dsc file name of a source package: name_version.dsc (no epoch).
dsc_of() {
    apt-get source --print-uris "$1/$SUITE" 2>/dev/null |
        sed -n "s/^'[^']*' \\([^ ]*\\.dsc\\) .*/\\1/p" | head -n 1
}

for tool in "$TRIPLE-gcc-posix" "$TRIPLE-g++-posix" "$TRIPLE-ar" cmake nasm dpkg-source; do
    command -v "$tool" >/dev/null 2>&1 ||
        die "$tool is missing (scripts/install-deps.sh installs it)"
done
[ -f "$SYSROOT/lib/libz.a" ] || die "$SYSROOT/lib/libz.a is missing (Debian package $ZLIB_PACKAGE)"

mkdir -p "$CACHE"
# The package lists are set up by one run at a time (make builds both
# architectures at once).
exec 7>"$CACHE/.apt.lock"
flock 7
ensure_deb_src
exec 7>&-
ZLIB_VERSION=$(dpkg-query -W -f='${Version}' "$ZLIB_PACKAGE" | sed 's/^[0-9]*://')
KEY="$ARCH-zlib$ZLIB_VERSION"
DSCS=""
for p in $PACKAGES; do
    dsc=$(dsc_of "$p")
    [ -n "$dsc" ] || die "no source package $p in $SUITE"
    DSCS="$DSCS $dsc"
    KEY="${KEY}_$(basename "$dsc" .dsc)"
done
KEY="${KEY}_r$RECIPE"
PREFIX=$CACHE/$KEY

if [ -f "$PREFIX/versions.txt" ]; then
    echo "$PREFIX"
    exit 0
fi

# One build per key at a time; a second run waits and then finds the result.
exec 9>"$CACHE/$KEY.lock"
flock 9
if [ -f "$PREFIX/versions.txt" ]; then
    echo "$PREFIX"
    exit 0
fi

LOG=$CACHE/$KEY.log
: >"$LOG"
say "building the Windows libraries for $ARCH into $PREFIX (log: $LOG)"

# The unpacked sources, shared by both architectures, Debian's patches applied.
# The download and the unpacking take the sources' lock.
SRC=$CACHE/src
mkdir -p "$SRC"
unpack() { # DSC -> the source folder
    dsc=$1
    dir=$SRC/$(basename "$dsc" .dsc)
    if [ ! -d "$dir" ]; then
        tmp=$(mktemp -d "$SRC/.fetch.XXXXXX")
        pkg=${dsc%%_*}
        (cd "$tmp" && apt-get source --download-only "$pkg/$SUITE" >>"$LOG" 2>&1) ||
            die "apt-get source $pkg/$SUITE failed (see $LOG)"
        dpkg-source --no-check -x "$tmp/$dsc" "$tmp/tree" >>"$LOG" 2>&1 ||
            die "dpkg-source -x $dsc failed (see $LOG)"
        patch_source "$pkg" "$tmp/tree"
        mv "$tmp/tree" "$dir"
        rm -rf "$tmp"
    fi
    echo "$dir"
}

# Changes the sources need for a cross build on a case-sensitive file system.
patch_source() { # PACKAGE TREE
    case "$1" in
    qpdf)
        # The configure checks link "Advapi32", which only a file system that
        # ignores case finds; every check then fails quietly and the build
        # breaks much later.
        sed -i 's/\bAdvapi32\b/advapi32/g' "$2/CMakeLists.txt"
        ;;
    esac
}

(
    flock 8
    for dsc in $DSCS; do unpack "$dsc" >/dev/null; done
) 8>"$SRC/.lock"
for dsc in $DSCS; do
    case "$dsc" in
    libpng1.6_*) PNG_SRC=$SRC/$(basename "$dsc" .dsc) ;;
    libjpeg-turbo_*) JPEG_SRC=$SRC/$(basename "$dsc" .dsc) ;;
    harfbuzz_*) HB_SRC=$SRC/$(basename "$dsc" .dsc) ;;
    qpdf_*) QPDF_SRC=$SRC/$(basename "$dsc" .dsc) ;;
    libdeflate_*) DEFLATE_SRC=$SRC/$(basename "$dsc" .dsc) ;;
    esac
done

STAGE=$PREFIX.tmp
BUILD=$CACHE/$KEY.build
rm -rf "$STAGE" "$BUILD"
mkdir -p "$STAGE/include" "$STAGE/lib" "$BUILD"
JOBS=${JOBS:-2}
# pkg-config must not offer the build machine's own libraries.
export PKG_CONFIG_LIBDIR="$STAGE/lib/pkgconfig"
unset PKG_CONFIG_PATH

cmake_build() { # NAME SOURCE [CMAKE OPTIONS...]
    name=$1
    src=$2
    shift 2
    say "  $name"
    cmake -S "$src" -B "$BUILD/$name" --toolchain "$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$STAGE" \
        -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include "$@" >>"$LOG" 2>&1 ||
        die "configuring $name failed (see $LOG)"
}

# zlib: Debian's static library. Linking -lz would take the import library
# libz.dll.a beside it, so the prefix has its own copy of the static one.
cp "$SYSROOT/include/zlib.h" "$SYSROOT/include/zconf.h" "$STAGE/include/"
cp "$SYSROOT/lib/libz.a" "$STAGE/lib/"
ZLIB_OPTIONS="-DZLIB_LIBRARY=$STAGE/lib/libz.a -DZLIB_INCLUDE_DIR=$STAGE/include"

# shellcheck disable=SC2086
cmake_build libpng "$PNG_SRC" $ZLIB_OPTIONS \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
cmake --build "$BUILD/libpng" -j "$JOBS" >>"$LOG" 2>&1 || die "building libpng failed (see $LOG)"
cmake --install "$BUILD/libpng" >>"$LOG" 2>&1 || die "installing libpng failed (see $LOG)"

# libjpeg-turbo with its SIMD code (nasm).
cmake_build libjpeg-turbo "$JPEG_SRC" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
cmake --build "$BUILD/libjpeg-turbo" --target jpeg-static -j "$JOBS" >>"$LOG" 2>&1 ||
    die "building libjpeg-turbo failed (see $LOG)"
cp "$BUILD/libjpeg-turbo/libjpeg.a" "$STAGE/lib/"
cp "$JPEG_SRC/jpeglib.h" "$JPEG_SRC/jmorecfg.h" "$JPEG_SRC/jerror.h" \
    "$BUILD/libjpeg-turbo/jconfig.h" "$STAGE/include/"

# HarfBuzz as the one unit harfbuzz-subset.cc, which includes harfbuzz.cc:
# the library and its subsetter, without meson and without the optional
# back ends (FreeType, GLib, ICU, Uniscribe, DirectWrite).
say "  harfbuzz"
mkdir -p "$BUILD/harfbuzz" "$STAGE/include/harfbuzz"
"$TRIPLE-g++-posix" -std=c++17 -O2 -DNDEBUG -fno-exceptions -fno-rtti \
    -fno-threadsafe-statics -c "$HB_SRC/src/harfbuzz-subset.cc" \
    -o "$BUILD/harfbuzz/harfbuzz-subset.o" >>"$LOG" 2>&1 || die "building harfbuzz failed (see $LOG)"
"$TRIPLE-ar" rcs "$STAGE/lib/libharfbuzz.a" "$BUILD/harfbuzz/harfbuzz-subset.o"
for h in "$HB_SRC"/src/hb.h "$HB_SRC"/src/hb-*.h; do
    case "$(basename "$h")" in
    hb-ft.h | hb-glib.h | hb-gobject*.h | hb-icu.h | hb-graphite2.h | hb-coretext.h | \
        hb-uniscribe.h | hb-directwrite.h | hb-gdi.h | hb-cairo.h) ;;
    *) cp "$h" "$STAGE/include/harfbuzz/" ;;
    esac
done

# qpdf's library alone, with its own (native) cryptography.
# shellcheck disable=SC2086
cmake_build qpdf "$QPDF_SRC" -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
    -DUSE_IMPLICIT_CRYPTO=OFF -DREQUIRE_CRYPTO_NATIVE=ON -DBUILD_DOC=OFF \
    -DINSTALL_EXAMPLES=OFF -DINSTALL_CMAKE_PACKAGE=OFF -DINSTALL_PKGCONFIG=OFF \
    -DZLIB_H_PATH="$STAGE/include" -DZLIB_LIB_PATH="$STAGE/lib/libz.a" \
    -DLIBJPEG_H_PATH="$STAGE/include" -DLIBJPEG_LIB_PATH="$STAGE/lib/libjpeg.a"
cmake --build "$BUILD/qpdf" --target libqpdf -j "$JOBS" >>"$LOG" 2>&1 ||
    die "building qpdf failed (see $LOG)"
cp "$BUILD/qpdf/libqpdf/libqpdf.a" "$STAGE/lib/"
cp -r "$QPDF_SRC/include/qpdf" "$STAGE/include/"

# libdeflate (the page content's compression): its library sources compiled
# and archived directly, as its own Makefile does, with the run-time choice
# of the processor's fastest routines.
say "  libdeflate"
mkdir -p "$BUILD/libdeflate"
for c in "$DEFLATE_SRC"/lib/*.c "$DEFLATE_SRC"/lib/*/*.c; do
    o=$BUILD/libdeflate/$(basename "$(dirname "$c")")_$(basename "$c" .c).o
    "$TRIPLE-gcc-posix" -std=c99 -O2 -DNDEBUG -I"$DEFLATE_SRC" -c "$c" -o "$o" >>"$LOG" 2>&1 ||
        die "building libdeflate failed (see $LOG)"
done
"$TRIPLE-ar" rcs "$STAGE/lib/libdeflate.a" "$BUILD"/libdeflate/*.o
cp "$DEFLATE_SRC/libdeflate.h" "$STAGE/include/"

{
    echo "architecture $ARCH"
    echo "recipe $RECIPE"
    echo "$ZLIB_PACKAGE $ZLIB_VERSION (Debian's binary package)"
    for dsc in $DSCS; do echo "$(basename "$dsc" .dsc) (apt-get source, $SUITE)"; done
} >"$STAGE/versions.txt"

rm -rf "$BUILD"
mv "$STAGE" "$PREFIX"
say "done: $PREFIX"
echo "$PREFIX"
