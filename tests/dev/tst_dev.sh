#!/usr/bin/env bash
# What ./dev prints and does that can be checked without a display: its list
# of commands, the one-line refusals when there is no display, the
# simulator's help and device, the options ./dev run hands to the simulator,
# and the settings file it writes.
#
#     tst_dev.sh SOURCE-DIR BUILD-DIR
set -uo pipefail
source_dir=$1
dev=$source_dir/dev
export KALVIDOR_BUILD_DIR=$2
simulator=$2/tools/unitsim/kalvidor-unit-sim
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
    printf 'FAIL: %s\n' "$*"
    failures=$((failures + 1))
}

# run COMMAND...: sets status, out and err.
run() {
    "$@" >"$scratch/out" 2>"$scratch/err" </dev/null
    status=$?
    out=$(<"$scratch/out")
    err=$(<"$scratch/err")
}

# expect_one_line_refusal WHAT STATUS PATTERN: ./dev said one line on stderr
# matching PATTERN, nothing on stdout, and exited with STATUS.
expect_one_line_refusal() {
    local what=$1
    [ "$status" -eq "$2" ] || fail "$what: exit code $status, expected $2"
    [ -z "$out" ] || fail "$what: printed on stdout: $out"
    [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "$what: not one line: $err"
    [[ $err =~ $3 ]] || fail "$what: '$err' does not match '$3'"
}

# help lists every command ./dev runs, one line each, and nothing of the script.
run "$dev" help
[ "$status" -eq 0 ] || fail "help: exit code $status"
listed=$(sed -n 's/^  \([a-z]\{1,\}\).*/\1/p' <<<"$out" | sort)
dispatched=$(sed -n 's/^ \{8\}\([a-z][a-z|-]*\)) cmd_.*/\1/p' "$dev" | cut -d'|' -f1 | sort)
[ "$listed" = "$dispatched" ] || fail "help lists [$(echo $listed)], ./dev runs [$(echo $dispatched)]"
for command in run test build sim bench fuzz soak screenshot help; do
    [ "$(grep -c "^  $command\b" <<<"$out")" -eq 1 ] || fail "help: no single line for $command"
done
[ "$(wc -l <<<"$out")" -eq $((2 + $(wc -l <<<"$listed"))) ] || fail "help: extra lines: $out"
grep -q -e 'set -e' -e '^ *#' <<<"$out" && fail "help prints the script: $out"

run "$dev" nosuch
[ "$status" -eq 2 ] || fail "unknown command: exit code $status"
[ -z "$out" ] || fail "unknown command: printed on stdout"
[ "$(head -1 <<<"$err")" = "unknown command: nosuch" ] || fail "unknown command: $err"

# No display, or one nobody answers on: one line, before anything is built
# or started.
run env -u DISPLAY "$dev" run
expect_one_line_refusal "no DISPLAY" 1 'DISPLAY is not set'
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
run env DISPLAY=":$display" "$dev" run
expect_one_line_refusal "DISPLAY=:$display" 1 ":$display cannot be reached"

run "$dev" run --refuse-sid 38
expect_one_line_refusal "run without --" 2 '^usage: ./dev run \[-- SIM-OPTIONS\]'
run "$dev" run -- --device /dev/ttyS0
expect_one_line_refusal "run -- --device" 2 'run/nelor'

# The options after -- reach the simulator; one it does not know stops the
# start, before the application is copied or started.
run env QT_QPA_PLATFORM=offscreen timeout 300 "$dev" run -- --no-such-option
[ "$status" -eq 1 ] || fail "run -- --no-such-option: exit code $status"
grep -qx 'kalvidor-unit-sim: unknown option: --no-such-option' <<<"$err" ||
    fail "run -- --no-such-option: the simulator did not say so: $err"
grep -qx 'error: the unit simulator did not start' <<<"$err" ||
    fail "run -- --no-such-option: ./dev did not say so: $err"

# sim --help is the simulator's help alone.
run "$dev" sim --help
[ "$status" -eq 0 ] || fail "sim --help: exit code $status"
[ -n "$out" ] && [ "$out" = "$("$simulator" --help)" ] || fail "sim --help: stdout is not the help: $out"
[ -z "$err" ] || fail "sim --help: also printed: $err"

# sim --device names the device it plays the unit on.
run timeout 60 "$dev" sim --device "$scratch/no-such-tty"
[ "$status" -eq 1 ] || fail "sim --device: exit code $status"
first=$(head -1 <<<"$err")
[[ $first == *"on $scratch/no-such-tty"* && $first != *nelor* ]] || fail "sim --device: says '$first'"

# ini_set, which ./dev run uses on run/Kalvidor.ini: the other lines and the
# CR LF line ends stay, names match in any case, and the file keeps ordinary
# permissions even when an older ./dev left it at 0600.
ini=$scratch/Kalvidor.ini
printf '[conf]\r\nport=3\r\n[Other]\r\nx=1\r\n' >"$ini"
chmod 600 "$ini"
(
    umask 022
    source "$dev"
    ini_set "$ini" CONF PORT 1
    ini_set "$ini" PORTS COM1 /dev/pts/7
) || fail "ini_set failed"
expected=$(printf '[conf]\r\nPORT=1\r\n[Other]\r\nx=1\r\n[PORTS]\r\nCOM1=/dev/pts/7\r\n_')
[ "$(cat "$ini"; printf _)" = "$expected" ] || fail "ini_set wrote: $(od -c "$ini")"
[ "$(stat -c %a "$ini")" = 644 ] || fail "ini_set left permissions $(stat -c %a "$ini")"
[ "$(ls "$scratch" | grep -c Kalvidor)" -eq 1 ] || fail "ini_set left files: $(ls "$scratch")"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all ./dev checks passed"
