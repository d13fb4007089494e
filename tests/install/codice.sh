#!/usr/bin/env bash
# resistenze-codice: the window's lines for colours, the codes of a value, and
# refusals as one line on stderr with exit status 2 and nothing on stdout.
# Usage: codice.sh PROGRAM VERSION
set -uo pipefail
program=$1 version=$2
failed=0
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
# arguments | exit status | a whole line of stdout (\t a tab), or a part of stderr
while IFS='|' read -r args status want; do
    want=$(printf '%b' "$want")
    # shellcheck disable=SC2086
    out=$("$program" $args 2>"$errors")
    got=$? err=$(cat "$errors")
    if [ "$status" = 0 ]; then grep -qxF -- "$want" <<<"$out" && [ -z "$err" ]; else
        [ -z "$out" ] && [ "$(wc -l <<<"$err")" = 1 ] && grep -qF -- "$want" <<<"$err"; fi
    if [ $? != 0 ] || [ "$got" != "$status" ]; then
        echo "FAIL: resistenze-codice $args: exit $got (want $status), out: $out, err: $err" >&2
        failed=1
    fi
done <<CASES
giallo viola rosso oro|0|902\t4.7 kOhm tolleranza  5%\tE24
giallo viola rosso oro|0|905\t11.27 MOhm 5 bande
Brown BLACK nero red marrone|0|902\t10 kOhm tolleranza  1%\tE96
verde nero oro oro|0|902\t5 Ohm tolleranza  5%
4k7|0|3 bande\tgiallo viola rosso\t20%\tE6
4k7|0|5 bande\tgiallo viola nero marrone marrone\t1%\tE24
4.75k|0|4 bande\tnon si può: 4.75 kOhm ha 3 cifre significative: con 4 bande se ne scrivono 2\t5%\tfuori serie E24, vicini: 4.7 kOhm e 5.1 kOhm
4.8k --tolleranza 2%|0|4 bande\tgiallo grigio rosso rosso\t2%\tfuori serie E48, vicini: 4.64 kOhm e 4.87 kOhm
--version|0|resistenze-codice $version
4m7|2|"m" è ambiguo
rosa|2|colore sconosciuto: "rosa"
giallo 4k7|2|colore sconosciuto: "4k7"
--verbose|2|opzione sconosciuta: "--verbose"
1k --tolleranza 20%|2|tolleranza sconosciuta: "20%"
nero nero nero nero nero nero|2|al massimo 5
CASES
exit $failed
