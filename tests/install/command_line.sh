#!/usr/bin/env bash
# --help and --version, given first, answer and exit 0 without any display;
# every other argument is ignored (not passed on to Qt either), so without a
# display the program ends with exit status 1 and names what it missed.
# Usage: command_line.sh PROGRAM VERSION
set -uo pipefail
program=$1 version=$2
failed=0
# environment | arguments | exit status | text expected on stdout or stderr
while IFS='|' read -r vars args status text; do
    # shellcheck disable=SC2086
    out=$(timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $vars "$program" $args 2>&1)
    got=$?
    if [ "$got" != "$status" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAIL: $vars resistenze $args: exit $got (want $status), output: $out" >&2
        failed=1
    fi
done <<CASES
|--help|0|Uso: resistenze
|--version|0|resistenze $version
|--help --version|0|Uso: resistenze
|--verbose foto.jpg|1|is DISPLAY or WAYLAND_DISPLAY set?
|-platform offscreen|1|is DISPLAY or WAYLAND_DISPLAY set?
DISPLAY=:731|--verbose|1|cannot open display ":731"
CASES
exit $failed
