#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine: the emulator CTest
# puts before every test of the Windows build, and what wine-check.sh starts
# the unpacked programs with. Qt's DLLs come from the Qt built for Windows.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -euo pipefail
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/kalvidor-windows
export WINEPREFIX=${WINEPREFIX:-$CACHE/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    # Wine makes COM1 to COM4 of this machine's serial lines (/dev/ttyS0…),
    # which here may be a virtual machine's console: opening it blocks
    # inside Windows' serial API. The unit is reached through the COM port
    # wine-check.sh sets up; these four lead nowhere, as on a PC without
    # them.
    for n in 1 2 3 4; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d '' /f >/dev/null 2>&1
    done
    wineserver --wait
fi
# Wine sees the Linux file system as drive Z:. The DLLs a program of the
# build folder needs: Qt's and MinGW's runtime (an unpacked program folder
# holds its own copies, which come first).
winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }
dirs=()
for qt_bin in "$CACHE"/qt-*-mingw64/bin; do [ -d "$qt_bin" ] && dirs+=("$(winpath "$qt_bin")"); done
for dll in libstdc++-6.dll libwinpthread-1.dll; do
    dirs+=("$(winpath "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")")
done
WINEPATH=$(IFS=';'; echo "${dirs[*]}")${WINEPATH:+;$WINEPATH}
export WINEPATH

# Wine does not hand the QT_* variables of Linux to a Windows program (they
# would steer the wrong Qt). Those meant for the Windows program
# (QT_QPA_PLATFORM and QT_QPA_FONTDIR for the tests) are set
# again inside Wine, by a batch file that then starts the program.
# The offscreen platform of the tests reads its fonts from one folder: the
# IPA Gothic fonts the Linux tests use (fonts-ipafont-gothic).
if [ "${QT_QPA_PLATFORM:-}" = offscreen ] && [ -z "${QT_QPA_FONTDIR:-}" ]; then
    QT_QPA_FONTDIR=$(winpath /usr/share/fonts/opentype/ipafont-gothic)
    export QT_QPA_FONTDIR
fi
# Qt's messages, and Qt Test's report, go to standard error and output as on
# Linux (on Windows they would go to the debugger's log).
export QT_FORCE_STDERR_LOGGING=${QT_FORCE_STDERR_LOGGING:-1}
qt_vars=$(compgen -e | grep '^QT_' || true)
if [ -z "$qt_vars" ]; then
    exec wine "$@"
fi
program=$1
shift
[ -f "$program" ] && program=$(readlink -f "$program")
case $program in
    /*) program="Z:${program//\//\\}" ;;
esac
batch_dir=$WINEPREFIX/drive_c/kalvidor
mkdir -p "$batch_dir"
batch=$(mktemp "$batch_dir/run-XXXXXX.bat")
trap 'rm -f "$batch"' EXIT
{
    printf '@echo off\r\n'
    for v in $qt_vars; do printf 'set "%s=%s"\r\n' "$v" "${!v}"; done
    printf '"%s" %%*\r\n' "$program"
    printf 'exit /b %%ERRORLEVEL%%\r\n'
} >"$batch"
wine cmd /c "C:\\kalvidor\\$(basename "$batch")" "$@"
