#!/usr/bin/env bash
# The program's look on a 3840x2160 X screen at Xft.dpi 192, halved, against
# its look on 1920x1080 at 96 DPI, control by control, after the same four
# presses (giallo, viola, rosso, oro).
#   look_density.sh <resistenze executable> <resistenze-layout> <scratch folder>
# Each control is cut from both screenshots, the larger halved, and both
# reduced to blocks of 8 x 8 pixels of the smaller look (32 x 32 for the
# result lines, see below); every block must match within MAX_BLOCK per
# cent of full scale. Single pixels differ (the
# sketched glyphs and thin lines round differently at the two sizes); a
# caption of another size or place does not pass.
set -euo pipefail
MAX_BLOCK=25

# Waits until the screen's pixel (x, y) has the colour given as #RRGGBB.
wait_for() {
    for _ in $(seq 1 300); do
        [ "$(import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}')" = "$3" ] &&
            return 0
        sleep 0.1
    done
    echo "look_density: $1,$2 never became $3" >&2
    return 1
}

if [ "${1:-}" = "--inside" ]; then
    # Inside the virtual X server: set the desktop's DPI, start the program
    # in a folder of its own, wait for the white face of "bianco", press,
    # wait for the fourth band (gold) on the strip, take the screen, end
    # the program with Escape.
    program=$2 dpi=$3 out=$4 ready=$5 done=$6
    shift 6
    echo "Xft.dpi: $dpi" | xrdb -nocpp -merge
    cd "$(dirname "$out")"
    cp "$(dirname "$program")/fondo3.jpg" . 2>/dev/null || true
    "$program" &
    pid=$!
    # shellcheck disable=SC2086
    wait_for $ready '#FFFFFF'
    while [ $# -ge 2 ]; do
        xdotool mousemove "$1" "$2" click 1
        sleep 0.3
        shift 2
    done
    # shellcheck disable=SC2086
    wait_for $done '#FFD700'
    sleep 1 # the pressed button's flash ends
    import -window root "$out"
    xdotool key Escape
    wait "$pid"
    exit $?
fi

program=$1 layout=$2 scratch=$3
for tool in xvfb-run xauth xdotool xrdb import convert compare; do
    if ! command -v "$tool" >/dev/null; then
        echo "look_density: $tool is not installed; skipped"
        exit 77
    fi
done
rm -rf "$scratch" && mkdir -p "$scratch"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"

# Control rectangles (x y w h on the screen) at each size, from the layout
# program: the dialog fills the screen and its client area starts at
# (-1, -1). The frame stays 10 pixels at both sizes, so the larger layout is
# not exactly twice the smaller.
declare -A small large
while read -r _ name x y w h; do small[$name]="$x $y $w $h"; done < <("$layout" 1920 1080 -1 -1)
while read -r _ name x y w h; do large[$name]="$x $y $w $h"; done < <("$layout" 3840 2160 -1 -1)
if [ -z "${small[bianco]:-}" ] || [ -z "${large[bianco]:-}" ]; then
    echo "look_density: $layout gave no rectangles" >&2
    exit 1
fi
compared=(nero marrone rosso giallo viola argento oro indietro resistenza riga1 riga2 riga3 fine
    resetta)

# The centre of a control, for a click.
centre() {
    local x y w h
    read -r x y w h <<<"$1"
    echo "$((x + w / 2)) $((y + h / 2))"
}
# A point low on the white face of "bianco" (below its caption), and one on
# the fourth band of the strip (below its number).
ready() {
    local x y w h
    read -r x y w h <<<"$1"
    echo "$((x + w / 2)) $((y + h * 9 / 10))"
}
fourth_band() {
    local x y w h
    read -r x y w h <<<"$1"
    echo "$((x + w * 245 / 1000)) $((y + h * 3 / 4))"
}
presses() {
    local -n at=$1
    local c
    for c in giallo viola rosso oro; do centre "${at[$c]}"; done | tr '\n' ' '
}

# shellcheck disable=SC2046
xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bash "$0" --inside "$program" 96 "$scratch/1080.png" \
    "$(ready "${small[bianco]}")" "$(fourth_band "${small[resistenza]}")" $(presses small)
# shellcheck disable=SC2046
xvfb-run -a -s "-screen 0 3840x2160x24 -noreset" bash "$0" --inside "$program" 192 "$scratch/2160.png" \
    "$(ready "${large[bianco]}")" "$(fourth_band "${large[resistenza]}")" $(presses large)

# Largest block difference of a control, the larger look's crop moved by
# (dx, dy) pixels of the smaller look. Both looks are cut once per control
# (the larger with a margin of 24 of its pixels), then compared as moved.
cut_control() {
    local x=$1 y=$2 w=$3 h=$4 X=$5 Y=$6 W=$7 H=$8
    convert "$scratch/1080.png" -crop "${w}x${h}+${x}+${y}" +repage "$scratch/small.mpc"
    convert "$scratch/2160.png" -bordercolor black -border 24 \
        -crop "$((W + 48))x$((H + 48))+${X}+${Y}" +repage \
        "$scratch/large.mpc"
}
block_difference() {
    local w=$1 h=$2 W=$3 H=$4 dx=$5 dy=$6 block=$7
    convert -filter box "$scratch/small.mpc" \
        \( "$scratch/large.mpc" -crop "${W}x${H}+$((24 + 2 * dx))+$((24 + 2 * dy))" +repage \
        -resize "${w}x${h}!" \) \
        -resize "$(awk "BEGIN { print 100 / $block }")%" -compose difference -composite -colorspace gray \
        -format '%[fx:round(100*maxima)]' info:
}

# Texts are placed at fixed pixel offsets inside their controls, which do not
# double with the screen: a control that does not match in place may match
# moved by up to 12 pixels across or 2 down or up (of the smaller look). The
# result lines are long black texts on a light ground whose letters advance
# by rounded widths at each size, so they drift apart along the line: they
# are compared in blocks of 32 x 32 pixels (still far finer than a line
# drawn at another size or place).
failed=0
for name in "${compared[@]}"; do
    read -r x y w h <<<"${small[$name]}"
    read -r X Y W H <<<"${large[$name]}"
    cut_control "$x" "$y" "$w" "$h" "$X" "$Y" "$W" "$H"
    block=8
    case $name in riga*) block=32 ;; esac
    worst=$(block_difference "$w" "$h" "$W" "$H" 0 0 "$block")
    shift_seen="in place"
    if [ "$worst" -gt "$MAX_BLOCK" ]; then
        for dx in -12 -10 -8 -6 -4 -2 0 2 4 6 8 10 12; do
            for dy in -2 0 2; do
                d=$(block_difference "$w" "$h" "$W" "$H" "$dx" "$dy" "$block")
                if [ "$d" -lt "$worst" ]; then worst=$d shift_seen="moved by $dx,$dy"; fi
            done
        done
    fi
    if [ "$worst" -le "$MAX_BLOCK" ]; then
        echo "$name: ok, largest block difference $worst% ($shift_seen)"
    else
        echo "$name: FAIL, largest block difference $worst% (over $MAX_BLOCK%, $shift_seen)"
        failed=1
    fi
done
exit $failed
