#!/bin/sh
# A scripted installation of the sample Dro package with the Instal program:
# builds the package into BUILD/demo-install, puts a link to Instal beside it,
# installs into a fresh Wine-style prefix there (Windows 10, 64-bit) and
# lists what the installation made.
#
#   scripts/demo-install.sh BUILD
set -eu

build=$(cd "${1:?usage: demo-install.sh BUILD}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
demo=$build/demo-install
instal=$build/installer/Instal
[ -x "$instal" ] || { echo "demo-install: $instal is not built" >&2; exit 1; }

rm -rf "$demo"
mkdir -p "$demo"
sh "$here/examples/package/make-package.sh" "$demo/package" 2015
ln -s "$instal" "$demo/package/Instal"

# The prefix: drive C: with a 64-bit Windows 10 and the DOS configuration.
prefix=$demo/prefix
mkdir -p "$prefix/drive_c/windows/system32" "$prefix/drive_c/windows/syswow64" \
    "$prefix/drive_c/users/demo/Desktop" "$prefix/dosdevices"
ln -s ../drive_c "$prefix/dosdevices/c:"
ln -s / "$prefix/dosdevices/z:"
printf 'dos=high, umb\r\ndevice=%%SystemRoot%%\\system32\\himem.sys\r\nfiles=40\r\n' \
    >"$prefix/drive_c/windows/system32/Config.nt"

echo "== Installing the sample package: Instal 2015 Mono.exe X"
cd "$demo/package"
printf '%s\n' "type EdSlozka dro2015" "click BtnInstal" "OK" "OK" |
    WINEPREFIX=$prefix XDG_RUNTIME_DIR=$demo/run USER=demo DRO_PROGRAM_LOG=$demo/programs.log \
        ${INSTAL_WRAPPER:-} ./Instal 2015 Mono.exe X

echo
echo "== Programs started (name, working folder)"
cat "$demo/programs.log"
echo
echo "== What the installation made under $prefix/drive_c"
cd "$prefix/drive_c"
find DRO users/demo/Desktop windows/system32 -type f | sort
echo
echo "== DRO\\DRO2015\\S64.bat"
cat DRO/DRO2015/S64.bat
echo
echo "== windows\\system32\\Config.nt"
cat windows/system32/Config.nt
echo "== DRO\\DRO2015\\KdeJeZas.ttx"
cat DRO/DRO2015/KdeJeZas.ttx
if command -v lnkinfo >/dev/null 2>&1; then
    echo "== The desktop shortcut (lnkinfo)"
    lnkinfo users/demo/Desktop/DRO2015.lnk || echo "(not a shell link yet: the link templates are placeholders)"
fi
