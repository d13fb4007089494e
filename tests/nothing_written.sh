#!/usr/bin/env bash
# The program writes nothing: started with an empty home and cache folder,
# it comes up, ends with 0 when the session asks it to, and has created
# nothing under either; its starting folder holds what it held. Fontconfig,
# a system library, may keep its own cache there when the system's is out of
# date: that folder alone is allowed.
#   nothing_written.sh <resistenze executable> <scratch folder>
set -uo pipefail
program=$1 scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch/home" "$scratch/cache" "$scratch/start" &&
    mkdir -m 0700 "$scratch/runtime" || exit 1
cp "$(dirname "$program")/fondo3.jpg" "$scratch/start/"
before=$(ls -lA --time-style=full-iso "$scratch/start")
(cd "$scratch/start" && HOME="$scratch/home" XDG_CACHE_HOME="$scratch/cache" \
    XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen exec "$program") \
    2>"$scratch/err.txt" &
pid=$!
sleep 4
kill -TERM "$pid"
wait "$pid"
rc=$?
failed=0
[ "$rc" -eq 0 ] || { echo "FAIL: ended with $rc: $(head -c 300 "$scratch/err.txt")"; failed=1; }
created=$(cd "$scratch" && find home cache -mindepth 1 | grep -v '^cache/fontconfig\(/\|$\)')
[ -z "$created" ] || { echo "FAIL: created: $created"; failed=1; }
[ "$(ls -lA --time-style=full-iso "$scratch/start")" = "$before" ] ||
    { echo "FAIL: the starting folder changed"; failed=1; }
exit $failed
