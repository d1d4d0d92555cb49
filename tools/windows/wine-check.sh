#!/usr/bin/env bash
# The Windows build tried under Wine, as a maintainer does before a release:
#
#  1. the cross-built tests (those that need no pseudo-terminal), by CTest
#     with Wine as the emulator;
#  2. kalvidor-cli.exe from the unpacked ZIP against the unit simulator,
#     reached through Wine's COM5 (set in Wine's Ports to lead to the
#     simulator's pseudo-terminal): write, read back, compare, a silent
#     unit, a refusing unit, and its Japanese lines;
#  3. kalvidor.exe from the unpacked ZIP on an X display (Xvfb): the main
#     window shows (its port on COM5, its table beside it), a screenshot of
#     it is kept, and 設定 › NELORへ流し込み, chosen with the mouse and the
#     keyboard (xdotool), writes the table to the simulator and ends with
#     its message (read through the clipboard).
#
#   wine-check.sh BUILD-DIR     (KALVIDOR_UNIT_SIM: the Linux simulator;
#                                KALVIDOR_WINE_KEEP=1 keeps the work folder)
#
# Prints one line per check and "N passed, M failed" at the end; exits 1
# when a check failed.
set -uo pipefail

BUILD=$1
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/kalvidor-windows
SIM=${KALVIDOR_UNIT_SIM:?KALVIDOR_UNIT_SIM must name the Linux unit simulator}
WINE_RUN=$HERE/wine-run.sh
export WINEPREFIX=${WINEPREFIX:-$CACHE/wine}
SHOT=${KALVIDOR_WINE_SHOT:-$ROOT/docs/windows-wine.png}

passed=0
failed=0
check() { # check NAME CONDITION-COMMAND...
    local name=$1
    shift
    if "$@"; then
        printf 'ok    %s\n' "$name"
        passed=$((passed + 1))
    else
        printf 'FAIL  %s\n' "$name"
        failed=$((failed + 1))
    fi
}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/kalvidor-wine.XXXXXX")
SIM_PID=
XVFB_PID=
cleanup() {
    [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    "$WINE_RUN" reg delete 'HKLM\Software\Wine\Ports' /v COM5 /f >/dev/null 2>&1
    wineserver -k 2>/dev/null
    if [ -n "${KALVIDOR_WINE_KEEP:-}" ]; then
        echo "kept: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

# Wine's prefix first (wine-run.sh makes it), so that no test pays for it;
# COM5 leads to the pseudo-terminal the simulator plays the unit on (Wine
# makes the link in dosdevices from this setting when it starts).
"$WINE_RUN" reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$WORK/nelor" /f >/dev/null 2>&1
wineserver -k 2>/dev/null
"$WINE_RUN" cmd /c exit >/dev/null 2>&1

# 1. The cross-built tests.
echo "== the cross-built tests under Wine"
if (cd "$BUILD" && ctest --output-on-failure --timeout 300 >"$WORK/ctest.log" 2>&1); then
    grep -E 'tests passed|tests failed' "$WORK/ctest.log"
    check "cross-built tests" true
else
    tail -40 "$WORK/ctest.log"
    check "cross-built tests" false
fi

# The program folder from the ZIP, as a user unpacks it.
zip=$(ls "$BUILD"/packages/kalvidor-*-win64.zip | head -1)
unzip -q "$zip" -d "$WORK/unpacked"
APP=$(ls -d "$WORK"/unpacked/kalvidor-*-win64)
echo "== from $zip"

# start_unit [SIMULATOR OPTIONS]: the simulator on a fresh pseudo-terminal,
# Wine's COM5 leading to it.
start_unit() {
    stop_unit
    local fd line
    exec {fd}< <(exec "$SIM" --pty "$WORK/nelor" --log "$WORK/commands.log" \
        --state "$WORK/unit-state.txt" "$@")
    SIM_PID=$!
    IFS= read -r -t 10 -u "$fd" line
    [ "$line" = "READY $WORK/nelor" ] || { echo "the unit simulator did not start"; exit 1; }
}
stop_unit() {
    if [ -n "$SIM_PID" ]; then
        kill "$SIM_PID" 2>/dev/null
        wait "$SIM_PID" 2>/dev/null
        SIM_PID=
    fi
}
commands_sent() { grep -cvE '^---' "$WORK/commands.log" 2>/dev/null; }

# cli NAME ARGUMENTS...: runs kalvidor-cli.exe in the program folder; its
# standard error (the lines for a person) in $WORK/NAME.err, the exit code
# in $WORK/NAME.code.
cli() {
    local name=$1
    shift
    : >"$WORK/commands.log"
    (cd "$APP" && "$WINE_RUN" ./kalvidor-cli.exe "$@" >"$WORK/$name.out" 2>"$WORK/$name.err")
    echo $? >"$WORK/$name.code"
    printf '   kalvidor-cli %s → exit %s, %s command lines at the unit\n' "$*" \
        "$(cat "$WORK/$name.code")" "$(commands_sent)"
    sed 's/^/     | /' "$WORK/$name.err"
}
code_is() { [ "$(cat "$WORK/$1.code")" = "$2" ]; }
said() { grep -qF -- "$2" "$WORK/$1.err"; }

echo "== kalvidor-cli.exe through COM5"
# A table with IDs in every list and both parameters off their defaults.
{
    printf '1,2800000\r\n'
    for line in $(seq 2 213); do printf '%d,%X\r\n' "$line" $((0x2800000 + line)); done
    printf '214,15\r\n215,3\r\n'
} >"$WORK/table.csv"
start_unit
cli write write "Z:$WORK/table.csv" --port 5
check "write: exit 0" code_is write 0
check "write: 215 commands at the unit" [ "$(commands_sent)" = 215 ]
check "write: Japanese outcome line" said write "警報ユニットへ設定が完了しました。"
cli read read "Z:$WORK/back.csv" --port 5
check "read: exit 0" code_is read 0
check "read: the file read back equals the table written" cmp -s "$WORK/table.csv" "$WORK/back.csv"
cli compare compare "Z:$WORK/table.csv" --port 5
check "compare: exit 0" code_is compare 0
check "compare: Japanese outcome line" said compare "警報ユニットの設定内容と一致しています。"

start_unit --silent
cli silent read "Z:$WORK/silent.csv" --port 5
check "silent unit: exit 2" code_is silent 2
check "silent unit: not connected" said silent "警報ユニットが接続されていません。"
check "silent unit: no file written" [ ! -e "$WORK/silent.csv" ]

start_unit --refuse-sid 38
cli refused write "Z:$WORK/table.csv" --port 5
check "refusing unit: exit 2" code_is refused 2
check "refusing unit: stops at operator 38" said refused "重機オペ 38"
stop_unit

echo "== kalvidor.exe on an X display"
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
start_unit
printf '[CONF]\r\nPORT=5\r\n' >"$APP/Kalvidor.ini"
cp "$WORK/table.csv" "$APP/IdCodeTable.csv"
: >"$WORK/commands.log"
# Wine's desktop belongs to the display its server started with: the tests
# and the command line ran without one, so a new server starts here.
wineserver -k 2>/dev/null
(cd "$APP" && timeout 300 "$WINE_RUN" ./kalvidor.exe >"$WORK/window.log" 2>&1) &
window_run=$!

# window_geometry TITLE: "+X+Y" of the top-level window of that exact title,
# empty while there is none. (The whole list first: grep would end xwininfo
# early, which pipefail counts as a failure.)
window_geometry() {
    local windows
    windows=$(xwininfo -root -tree 2>/dev/null || true)
    grep -F "\"$1\":" <<<"$windows" | head -1 | grep -o '+[0-9]*+[0-9]*$' || true
}
wait_for_window() { # wait_for_window TITLE SECONDS
    local geometry= i
    for i in $(seq "$2"); do
        geometry=$(window_geometry "$1")
        [ -n "$geometry" ] && break
        sleep 1
    done
    echo "$geometry"
}
main_title="Kalvidor装置「NELOR」設定アプリケーション"
geometry=$(wait_for_window "$main_title" 180)
check "window: the main window shows, titled $main_title" [ -n "$geometry" ]
if [ -n "$geometry" ]; then
    x=$(cut -d+ -f2 <<<"$geometry")
    y=$(cut -d+ -f3 <<<"$geometry")
    # A moment for the first paint, then the display as a user sees it.
    sleep 3
    xwd -root -silent | convert xwd:- -trim +repage "$WORK/window.png" 2>/dev/null
    [ -s "$WORK/window.png" ] && cp "$WORK/window.png" "$SHOT" && echo "   the main window under Wine: $SHOT"
    # 設定 › NELORへ流し込み as a user chooses it: the menu 設定 sits 80
    # pixels from the window's left edge in its menu bar; its first item is
    # the write.
    xdotool mousemove $((x + 80)) $((y + 8)) click 1
    sleep 1
    xdotool key Down Return
    box=$(wait_for_window "Kalvidor装置" 120)
    # Wine paints a message box black in a screenshot of Xvfb; its text is
    # read as Windows gives it, by Ctrl+C into the clipboard.
    said_text=
    if [ -n "$box" ]; then
        wid=$(xdotool search --name '^Kalvidor装置$' | head -1)
        xdotool windowfocus "$wid" 2>/dev/null
        sleep 0.5
        xdotool key --window "$wid" ctrl+c
        sleep 1
        said_text=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
        sed -n 's/^\(警報.*\)$/     | \1/p' <<<"$said_text"
        xdotool key --window "$wid" Return
    fi
    echo "   設定 › NELORへ流し込み → $(commands_sent) command lines at the unit"
    check "window: the write through the menu ends with its message" \
        grep -qF "警報ユニットへ設定が完了しました。" <<<"$said_text"
    whole_write_sent() { [ "$(commands_sent)" = 215 ] && [ "$(tail -1 "$WORK/commands.log")" = "SNM 03" ]; }
    check "window: 215 commands at the unit, the allowance last" whole_write_sent
fi
wineserver -k 2>/dev/null
wait "$window_run" 2>/dev/null

echo
echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
