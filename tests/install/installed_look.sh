#!/usr/bin/env bash
# The installed program, started from an empty folder with HOME elsewhere,
# shows what the build-tree program shows in its own folder: the same
# picture and the same font, everywhere but in the clock bar (it shows the
# time). With a configuration file in its folder, the dialog takes the size
# the file gives.
# Usage: installed_look.sh BUILD_DIR   (runs itself under xvfb-run)
set -euo pipefail
if [ "${1:-}" != --inside ]; then
    exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" --inside "$@"
fi
build=$(cd "$2" && pwd)
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkdir -p "$work/home" "$work/empty"
# Fonts from the system's DejaVu folder only: Cabin Sketch must come from the
# program's own folder, or the captions change face.
cat >"$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>$work/fc</cachedir></fontconfig>
CONF
export FONTCONFIG_FILE="$work/fonts.conf"

# start FOLDER PROGRAM: runs PROGRAM in FOLDER until its window is up.
start() {
    (cd "$1" && HOME="$work/home" exec "$2") &
    pid=$!
    timeout 20 xdotool search --sync --onlyvisible --class resistenze >/dev/null
}
# The screen from 10 pixels below the clock bar down, the bar's place taken
# from the layout of a dialog of the whole screen at (-1, -1).
read -r _ _ _ clock_y _ clock_h < <("$build/app/resistenze-layout" 1920 1080 -1 -1 | grep ' orologio ')
below=$((clock_y + clock_h + 10))
area=1920x$((1080 - below))+0+$below
# shoot OUT: that part of the screen as raw RGB, once two shots a second
# apart agree and are not all black.
shoot() {
    import -window root -crop "$area" -depth 8 "rgb:$1"
    for _ in $(seq 15); do
        sleep 1
        import -window root -crop "$area" -depth 8 "rgb:$work/now.rgb"
        cmp -s "$1" "$work/now.rgb" && [ -n "$(tr -d '\0' <"$1" | head -c 1)" ] && return
        mv "$work/now.rgb" "$1"
    done
}

# finish: ends the program with Escape, as a user does.
finish() {
    xdotool key Escape
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        echo "FAIL: Escape did not end the program" >&2
        exit 1
    fi
    wait "$pid"
}

start "$build/app" ./resistenze
shoot "$work/built.rgb"
finish
start "$work/empty" "$work/prefix/bin/resistenze"
shoot "$work/installed.rgb"
finish
if ! cmp -s "$work/built.rgb" "$work/installed.rgb"; then
    differing=$(compare -metric AE -size "${area%%+*}" -depth 8 "rgb:$work/built.rgb" \
        "rgb:$work/installed.rgb" null: 2>&1 || true)
    echo "FAIL: the installed program's screen differs in $differing pixels" >&2
    exit 1
fi

# Lines end with CR LF, as the configuration reader expects.
printf "pixelori=800\r\npixelver=600\r\nlarghezzacornice=8\r\n" >"$work/empty/tavi_menu_conf.cnf"
start "$work/empty" "$work/prefix/bin/resistenze"
sleep 1
sizes=$(for w in $(xdotool search --onlyvisible --class resistenze); do
    xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: //p'
done)
finish
if ! grep -qx 800x600 <<<"$sizes"; then
    echo "FAIL: no 800x600 dialog; windows: $sizes" >&2
    exit 1
fi
echo "installed look: same screen below the clock bar; configured dialog 800x600"
