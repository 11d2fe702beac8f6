#!/bin/sh
# Installs the Debian packages that building, testing and the demo need:
# the Windows builds too (mingw-w64 with POSIX threads; GoogleTest from the
# sources of googletest) and Wine to run the 64-bit one (wine64 has
# /usr/lib/wine/wine64, fonts-wine the fonts of Windows' dialogs); for the
# Windows PDF library zlib from libz-mingw-w64-dev, nasm for libjpeg-turbo and
# dpkg-dev to unpack Debian's sources (scripts/build-windows-deps.sh); widl
# (mingw-w64-tools) with Wine's IDL files (libwine-dev) for the component's
# interface and type library.
# Packages already present are left alone; nothing happens when all are there.
set -eu

PACKAGES="
  build-essential cmake pkg-config clang-format
  googletest libgtest-dev libgmock-dev
  libqpdf-dev qpdf libharfbuzz-dev libfontconfig-dev fontconfig fonts-liberation2
  libpng-dev libjpeg-dev zlib1g-dev libdeflate-dev
  poppler-utils liblnk-utils valgrind
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  libz-mingw-w64-dev nasm dpkg-dev zip
  wine wine64 fonts-wine
  mingw-w64-tools libwine-dev
"

# "fuzz": what the libFuzzer build needs besides.
if [ "${1:-}" = fuzz ]; then
    PACKAGES="$PACKAGES clang libclang-rt-14-dev"
fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-deps: need root or sudo to install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
