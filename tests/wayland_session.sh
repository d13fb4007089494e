#!/usr/bin/env bash
# The program without X11: on a Wayland compositor (weston's headless
# backend, started here and ended by its PID), and with no display at all.
#   wayland_session.sh <resistenze executable> <test_program> <scratch folder>
set -uo pipefail
program=$1 whole_program_test=$2 scratch=$3
if ! command -v weston >/dev/null; then
    echo "wayland_session: weston is not installed; skipped"
    exit 77
fi
rm -rf "$scratch" && mkdir -p "$scratch/runtime" && chmod 0700 "$scratch/runtime"
cd "$scratch" || exit 1
cp "$(dirname "$program")/fondo3.jpg" . 2>/dev/null
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=$scratch/runtime
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# Without any display the program says so in one line and ends with 1,
# whatever platform is asked for; it never aborts.
for setting in "" "QT_QPA_PLATFORM=wayland" "QT_QPA_PLATFORM=xcb" "WAYLAND_DISPLAY=none-here" \
    "DISPLAY=:97"; do
    # shellcheck disable=SC2086
    env -i PATH="$PATH" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" $setting "$program" 2>err.txt
    rc=$?
    lines=$(wc -l <err.txt)
    [ "$rc" -eq 1 ] && [ "$lines" -eq 1 ] ||
        fail "no display (${setting:-nothing set}): exit $rc, $lines lines: $(head -c 300 err.txt)"
done

socket=resistenze-test-$$
weston --backend=headless-backend.so --socket="$socket" --width=1920 --height=1080 \
    --idle-time=0 >weston.log 2>&1 &
weston_pid=$!
for _ in $(seq 1 100); do
    [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || {
    cat weston.log
    kill "$weston_pid"
    echo "FAIL: weston did not start"
    exit 1
}

# The whole program in-process on the Wayland platform: clicks, readings,
# timers, Escape, "0", "Fine", a close request.
QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=$socket "$whole_program_test" >whole.log 2>&1 ||
    fail "the whole-program test on Wayland: $(grep -E 'Failure|FAILED|rror' whole.log | head -20)"

# The real program with only WAYLAND_DISPLAY set: it stays up and ends
# cleanly (status 0) when the session asks it to.
WAYLAND_DISPLAY=$socket "$program" 2>program.err &
pid=$!
sleep 4
if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid"
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || fail "the program on Wayland ended with $rc after SIGTERM: $(cat program.err)"
else
    wait "$pid"
    fail "the program on Wayland did not stay up (exit $?): $(cat program.err)"
fi

kill "$weston_pid"
wait "$weston_pid"
exit $failed
