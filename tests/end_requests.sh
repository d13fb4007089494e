#!/usr/bin/env bash
# The real program on a virtual X server: a window manager's close request
# for the black backdrop ends it as the dialog's close does, and the end
# signals that were ignored when it started stay ignored.
#   end_requests.sh <resistenze executable> <send_close helper> <scratch folder>
set -uo pipefail
program=$1 send_close=$2 scratch=$3
if [ "${4:-}" != "--inside" ]; then
    command -v xvfb-run >/dev/null || { echo "end_requests: xvfb-run is missing; skipped"; exit 77; }
    rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
    exec xvfb-run -a -s "-noreset -screen 0 1280x1024x24" bash "$0" "$program" "$send_close" "$scratch" --inside
fi
cd "$scratch" || exit 1
printf 'pixelori=800\npixelver=600\n' >tavi_menu_conf.cnf # the backdrop is the larger window
export XDG_CACHE_HOME=$scratch/cache && unset QT_QPA_PLATFORM WAYLAND_DISPLAY # X11, as set up here
failed=0
# Waits up to 10 s for the process to end; its status in $rc, 255 if it did not.
ended() {
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$1" 2>/dev/null && rc=255 || { wait "$1"; rc=$?; }; }
ready() { for _ in $(seq 150); do "$send_close" "$@" && return 0; sleep 0.2; done; return 1; }

"$program" 2>close.err & pid=$!
ready || echo "FAIL: no window to close"
# Qt's X11 layer can hold a close request that comes in its first seconds
# until the next one arrives, so it is sent again as a person clicks again.
for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; "$send_close"; done
ended "$pid"
[ "$rc" -eq 0 ] || { echo "FAIL: closing the backdrop: status $rc $(cat close.err)"; failed=1; }

# As nohup and a background job leave them: SIGHUP and SIGINT ignored.
bash -c "trap '' HUP INT; exec '$program'" 2>signals.err & pid=$!
ready --look
kill -HUP "$pid" && kill -INT "$pid"
sleep 1
kill -0 "$pid" 2>/dev/null || { echo "FAIL: an ignored SIGHUP or SIGINT ended the program"; failed=1; }
kill -TERM "$pid" 2>/dev/null
ended "$pid"
[ "$rc" -eq 0 ] || { echo "FAIL: SIGTERM: status $rc $(cat signals.err)"; failed=1; }
exit $failed
