#!/usr/bin/env bash
# --help and --version answer and exit 0 without any display; every other
# argument is refused with exit status 2 and a word on stderr.
# Usage: command_line.sh PROGRAM VERSION
set -uo pipefail
program=$1 version=$2
failed=0
# arguments | exit status | text expected on stdout (or stderr for refusals)
while IFS='|' read -r args status text; do
    # shellcheck disable=SC2086
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" $args 2>&1)
    got=$?
    if [ "$got" != "$status" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAIL: resistenze $args: exit $got (want $status), output: $out" >&2
        failed=1
    fi
done <<CASES
--help|0|Usage: resistenze
--version|0|resistenze $version
--verbose|2|unknown option '--verbose'
-platform xcb|2|unknown option '-platform'
foto.jpg|2|unexpected argument 'foto.jpg'
--help --version|2|'--version'
CASES
exit $failed
