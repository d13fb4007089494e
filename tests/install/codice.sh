#!/usr/bin/env bash
# resistenze-codice: exact readings, the window's lines, the codes of a value,
# SMD codes, six bands, queries on standard input, and refusals: one line on
# stderr, nothing on stdout, exit status 2 (1 for a failed write).
# Usage: codice.sh PROGRAM VERSION COMPLETION
set -uo pipefail
program=$1 version=$2 completion=$3
failed=0
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
# arguments | exit status | a whole line of stdout (\t a tab), or a part of
# stderr | standard input (\n a line end). "FULL" and "CLOSED" before the
# arguments send stdout to /dev/full or close it; "COMPLETE" before words
# asks the bash completion for the last one ("_" for an empty word), and the
# line is what it offers.
while IFS='|' read -r args status want input; do
    want=$(printf '%b' "$want")
    redirect=${args%% *}
    [[ $redirect =~ ^(FULL|CLOSED|COMPLETE)$ ]] && args=${args#* } || redirect=
    # shellcheck disable=SC2086
    case $redirect in
    FULL) out=$(printf '%b' "$input" | "$program" $args 2>"$errors" >/dev/full) ;;
    CLOSED) out=$(printf '%b' "$input" | "$program" $args 2>"$errors" >&-) ;;
    COMPLETE) out=$(bash -c 'source "$1"; shift; COMP_WORDS=(resistenze-codice "${@/#_/}")
        COMP_CWORD=$#; _resistenze_codice; echo "${COMPREPLY[*]}"' - "$completion" $args 2>"$errors") ;;
    *) out=$(printf '%b' "$input" | "$program" $args 2>"$errors") ;;
    esac
    got=$? err=$(cat "$errors")
    if [ "$status" = 0 ]; then grep -qxF -- "$want" <<<"$out" && [ -z "$err" ]; else
        [ "$(wc -l <<<"$err")" = 1 ] && grep -qF -- "$want" <<<"$err" &&
            { [ -z "$out" ] || [ -n "$input" ]; }; fi
    if [ $? != 0 ] || [ "$got" != "$status" ]; then
        echo "FAIL: resistenze-codice $args: exit $got (want $status), out: $out, err: $err" >&2
        failed=1
    fi
    # The same answer as JSON carries every value, colour, code and word of
    # the text (the words that only label a column aside).
    if [ "$status" = 0 ] && [ -z "$redirect" ] && ! [[ $args =~ --json|-h|--version ]]; then
        # shellcheck disable=SC2086
        json=$(printf '%b' "$input" | "$program" --json $args 2>/dev/null)
        for token in $(sed -E 's/[\t,;:()+]|∥/ /g' <<<"$out"); do
            token=${token%\%}
            case $token in
            - | fuori | serie | vicini | e | non | si | può | bande | totale | combinazioni | lette | \
                letture | valori | normalizzati | combinazione | letta | lettura | valore | normalizzato | \
                ppm/K | nessuno) ;;
            *) [[ $json == *"$token"* ]] ||
                { echo "FAIL: resistenze-codice --json $args lacks \"$token\"" >&2 && failed=1; } ;;
            esac
        done
    fi
done <<CASES
giallo viola rosso oro|0|diretta\t4.7 kOhm\t5%\t4.465 kOhm\t4.935 kOhm\tE24
giallo viola argento oro|0|diretta\t0.47 Ohm\t5%\t0.4465 Ohm\t0.4935 Ohm\tE24
marrone rosso giallo blu marrone|0|diretta\t124 MOhm\t1%\t122.76 MOhm\t125.24 MOhm\tE96
marrone rosso giallo blu marrone|0|inversa\t16.4 kOhm\t1%\t16.236 kOhm\t16.564 kOhm\t-
marrone nero rosso oro|0|diretta\t1 kOhm\t5%\t950 Ohm\t1.05 kOhm\tE24
bianco bianco bianco bianco marrone|0|diretta\t999 GOhm\t1%\t989.01 GOhm\t1008.99 GOhm\t-
rosso rosso rosso|0|diretta\t2.2 kOhm\t20%\t1.76 kOhm\t2.64 kOhm\tE6
nero|0|diretta\t0 Ohm\t-\t0 Ohm\t0 Ohm\t-
marrone nero nero rosso marrone rosso|0|diretta\t10 kOhm\t1%\t9.9 kOhm\t10.1 kOhm\tE96\t50 ppm/K
--finestra giallo viola rosso oro|0|902\t4.7 kOhm tolleranza  5%\tE24
--finestra giallo viola rosso oro|0|905\t11.27 MOhm 5 bande
--finestra Brown BLACK nero red marrone|0|902\t10 kOhm tolleranza  1%\tE96
--finestra verde nero oro oro|0|902\t5 Ohm tolleranza  5%
--finestra marrone nero rosso|0|901\t1000 Ohm\tE6
4k7|0|3 bande\tgiallo viola rosso\t20%\tE6
4k7|0|5 bande\tgiallo viola nero marrone marrone\t1%\tE24
4k7|0|SMD 3 cifre\t472\t5%
4k7|0|SMD EIA-96\tnessuno\t1%
4.75k|0|4 bande\t-\t5%\tfuori serie, vicini: E24 4.7 kOhm (-1.05%) e 5.1 kOhm (+7.37%)\tnon si può: 4.75 kOhm ha 3 cifre significative: con 4 bande se ne scrivono 2
4.75k|0|SMD EIA-96\t66B\t1%
--tolleranza 2% 3k55|0|5 bande\tarancio verde verde marrone rosso\t2%\tfuori serie, vicini: E48 3.48 kOhm (-1.97%) e 3.65 kOhm (+2.82%); E24 3.3 kOhm (-7.04%) e 3.6 kOhm (+1.41%)
--tolleranza 5% 1.05k|0|4 bande\t-\t5%\tfuori serie, vicini: E24 1 kOhm (-4.76%) e 1.1 kOhm (+4.76%)\tnon si può: 1.05 kOhm ha 3 cifre significative: con 4 bande se ne scrivono 2
--tc 1 0.001|0|6 bande\t-\t1%\tE96\t1 ppm/K\tnon si può: 0.001 Ohm è fuori dai moltiplicatori: con 6 bande si va da 0.1 Ohm a 999 GOhm
--tc 50 10k|0|6 bande\tmarrone nero nero rosso marrone rosso\t1%\tE96\t50 ppm/K
--tc=blu --tolleranza viola 1k|0|6 bande\tmarrone nero nero marrone viola blu\t0.1%\tE192\t10 ppm/K
1.5MEG|0|4 bande\tmarrone verde verde oro\t5%\tE24
--smd 01C|0|SMD EIA-96\t10 kOhm\t1%\t9.9 kOhm\t10.1 kOhm\tE96
--smd 472|0|SMD 3 cifre\t4.7 kOhm\t5%\t4.465 kOhm\t4.935 kOhm\tE24
smd:4r7|0|SMD 3 cifre\t4.7 Ohm\t5%\t4.465 Ohm\t4.935 Ohm\tE24
--smd 4702|0|SMD 4 cifre\t47 kOhm\t1%\t46.53 kOhm\t47.47 kOhm\tE24
--json giallo viola rosso oro|0|{"query":"giallo viola rosso oro","readings":[{"direction":"diretta","ohms":4700,"value":"4.7 kOhm","tolerance":"5%","min_ohms":4465,"min":"4.465 kOhm","max_ohms":4935,"max":"4.935 kOhm","series":"E24","tc_ppm":null}]}
--json --smd R47|0|{"query":"R47","readings":[{"direction":"SMD 3 cifre","ohms":0.47,"value":"0.47 Ohm","tolerance":"5%","min_ohms":0.4465,"min":"0.4465 Ohm","max_ohms":0.4935,"max":"0.4935 Ohm","series":"E24","tc_ppm":null}]}
-- 4k7|0|4 bande\tgiallo viola rosso oro\t5%\tE24
|0|diretta\t4.7 kOhm\t5%\t4.465 kOhm\t4.935 kOhm\tE24|giallo viola rosso oro\n\n4k7\n
-|0|SMD 3 cifre\t472\t5%|4k7\n
|2|colore sconosciuto: "azzurro"|4k7\nazzurro\nnero\n
--version|0|resistenze-codice $version
-h|0|Uso: resistenze-codice [OPZIONI] COLORE...
marrone nero|2|troppo poche bande: 2
oro|2|troppo poche bande: 1
nero nero nero nero nero nero nero|2|troppe bande: 7
giallo giallo giallo giallo|2|nessuna lettura: "giallo" (banda 4) non indica una tolleranza
--finestra marrone nero|2|la finestra non scrive nulla per 2 bande
4m7|2|"m" è ambiguo
4.7kx|2|parola non leggibile: "kx"
4k7?|2|carattere non leggibile: "?"
azzurro|2|colore sconosciuto: "azzurro"
giallo 4k7|2|colore sconosciuto: "4k7"
--verbose|2|opzione sconosciuta: "--verbose"
1k --tolleranza 20%|2|tolleranza sconosciuta: "20%"
--tc 30 1k|2|coefficiente di temperatura sconosciuto: "30"
--smd 4x7|2|codice SMD non leggibile: "4X7"
--smd 4?7|2|carattere non leggibile nel codice SMD: "?"
--smd 97A|2|EIA-96 va da 01 a 96
--tolleranza 1% giallo viola rosso|2|valgono solo con un valore
FULL 4k7|1|scrittura non riuscita
CLOSED 4k7|1|scrittura non riuscita
FULL --help|1|scrittura non riuscita
FULL -|1|scrittura non riuscita|4k7\n1k\n
COMPLETE Gi|0|Giallo
COMPLETE BL|0|BLU BLACK BLUE
COMPLETE --tolleranza ar|0|argento
COMPLETE 4k7 _|0|
COMPLETE rosso rosso rosso rosso rosso rosso _|0|
COMPLETE --tc 2|0|250 25 20
--smd 68R|0|SMD 3 cifre\t68 Ohm\t5%\t64.6 Ohm\t71.4 Ohm\tE24
--smd 68R|0|SMD EIA-96\t4.99 Ohm\t1%\t4.9401 Ohm\t5.0399 Ohm\tE96
--smd 97R|0|SMD 3 cifre\t97 Ohm\t5%\t92.15 Ohm\t101.85 Ohm\t-
0.047|0|SMD 4 cifre\tR047\t1%
0.01|0|SMD 3 cifre\tR01\t5%
--smd 0R01|0|SMD 4 cifre\t0.01 Ohm\t1%\t0.0099 Ohm\t0.0101 Ohm\tE96
--smd 003|0|SMD 0 Ohm\t0 Ohm\t-\t0 Ohm\t0 Ohm\t-
--smd 0R0|0|SMD 0 Ohm\t0 Ohm\t-\t0 Ohm\t0 Ohm\t-
0|0|SMD 0 Ohm\t000\t-
4,700|2|valore non valido "4,700": ambiguo: 4.7 Ohm (4,7 o 4.7) o 4.7 kOhm (4700 o 4k7)
4,700 kilo|2|valore non valido "4,700 kilo": ambiguo: 4.7 kOhm (4,7 kilo o 4.7 kilo) o 4.7 MOhm (4700 kilo)
0,470|0|SMD 3 cifre\tR47\t5%
1e99|2|valore non valido "1e99": si leggono 0 e i valori da 0.001 Ohm a 999 GOhm, con al più 19 cifre significative
1e100|2|valore non valido "1e100": si leggono 0 e i valori da 0.001 Ohm a 999 GOhm
0.0001|2|si leggono 0 e i valori da 0.001 Ohm a 999 GOhm
18000000000000000001|2|si leggono 0 e i valori da 0.001 Ohm a 999 GOhm, con al più 19 cifre significative
4k7k|2|valore non valido "4k7k": "k" di troppo
|2|colore sconosciuto: "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa…"|aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n
COMPLETE --tolleranza = ar|0|argento
COMPLETE --tc = 1|0|100 15 10 1
COMPLETE rosso rosso rosso rosso rosso ar|0|arancio
COMPLETE rosso rosso rosso rosso rosso o|0|orange
COMPLETE -h|0|-h
COMPLETE pu|0|purple
COMPLETE gra|0|gray
COMPLETE giallo viola ros|0|rosso rosa
COMPLETE --serie E1|0|E12 E192
COMPLETE --comb|0|--combina
giallo viola rosso/arancio oro|0|diretta\t47 kOhm\t5%\t44.65 kOhm\t49.35 kOhm\tE24\tgiallo viola arancio oro
giallo viola rosso/arancio oro|0|totale\t2 combinazioni lette\t2 letture\t2 valori normalizzati
giallo giallo/viola rosso oro|0|totale\t2 combinazioni lette\t2 letture\t1 valore normalizzato
--json giallo giallo/viola rosso oro|0|{"query":"giallo giallo/viola rosso oro","readings":[{"direction":"diretta","ohms":4700,"value":"4.7 kOhm","tolerance":"5%","min_ohms":4465,"min":"4.465 kOhm","max_ohms":4935,"max":"4.935 kOhm","series":"E24","tc_ppm":null,"colours":["giallo","viola","rosso","oro"]},{"direction":"diretta","ohms":4400,"value":"4.4 kOhm","tolerance":"5%","min_ohms":4180,"min":"4.18 kOhm","max_ohms":4620,"max":"4.62 kOhm","series":null,"tc_ppm":null,"colours":["giallo","giallo","rosso","oro"]}],"count":{"combinations":2,"readings":2,"standard":1}}
|0|totale\t13 combinazioni lette\t13 letture\t13 valori normalizzati|marrone nero ? oro\n
_ _ _ _ _|2|troppe combinazioni: se ne leggono al più 10000
--finestra rosso/arancio rosso rosso|2|--finestra vuole colori certi
--combina 5k|0|serie\t300 Ohm + 4.7 kOhm\t+0.00%\tarancio nero marrone oro + giallo viola rosso oro
--serie E12 --combina 5k|0|parallelo\t10 kOhm ∥ 10 kOhm\t+0.00%\tmarrone nero arancio argento ∥ marrone nero arancio argento
--serie e12 --combina 5k|0|singola\t4.7 kOhm\t-6.00%\tgiallo viola rosso argento
--json --serie E6 --combina 1k|0|{"query":"1k","ohms":1000,"value":"1 kOhm","combinations":[{"form":"singola","parts":[{"ohms":1000,"value":"1 kOhm","colours":["marrone","nero","rosso"]}],"deviation_percent":0.00},{"form":"serie","parts":[{"ohms":1,"value":"1 Ohm","colours":["marrone","nero","oro"]},{"ohms":1000,"value":"1 kOhm","colours":["marrone","nero","rosso"]}],"deviation_percent":0.10},{"form":"parallelo","parts":[{"ohms":1000,"value":"1 kOhm","colours":["marrone","nero","rosso"]},{"ohms":6800000,"value":"6.8 MOhm","colours":["blu","grigio","verde"]}],"deviation_percent":-0.01},{"form":"serie","parts":[{"ohms":100,"value":"100 Ohm","colours":["marrone","nero","marrone"]},{"ohms":220,"value":"220 Ohm","colours":["rosso","rosso","marrone"]},{"ohms":680,"value":"680 Ohm","colours":["blu","grigio","marrone"]}],"deviation_percent":0.00},{"form":"parallelo","parts":[{"ohms":1500,"value":"1.5 kOhm","colours":["marrone","verde","rosso"]},{"ohms":3300,"value":"3.3 kOhm","colours":["arancio","arancio","rosso"]},{"ohms":33000,"value":"33 kOhm","colours":["arancio","arancio","arancio"]}],"deviation_percent":0.00}]}
--combina 0|2|--combina vuole un valore sopra 0 Ohm
--tc 50 --combina 1k|2|--combina non vuole --tolleranza o --tc
--combina 1.234567k|2|--combina vuole al più 6 cifre significative
--serie E7 --combina 1k|2|serie sconosciuta: "E7"
--serie E12 4k7|2|--serie vale solo con --combina
giallo viola rosa oro|0|diretta\t0.047 Ohm\t5%\t0.04465 Ohm\t0.04935 Ohm\tE24
0.47|0|5 bande\tgiallo viola nero rosa marrone\t1%\tE24
0.47|0|4 bande\tgiallo viola argento oro\t5%\tE24
--finestra giallo viola rosa oro|2|la finestra non ha il colore "rosa"
rosa rosa rosa|2|"rosa" (banda 1) non è una cifra
--json 4k7|0|{"query":"4k7","ohms":4700,"value":"4.7 kOhm","codes":[{"bands":3,"colours":["giallo","viola","rosso"],"tolerance":"20%","tc_ppm":null,"series":"E6","neighbours":[],"error":null},{"bands":4,"colours":["giallo","viola","rosso","oro"],"tolerance":"5%","tc_ppm":null,"series":"E24","neighbours":[],"error":null},{"bands":5,"colours":["giallo","viola","nero","marrone","marrone"],"tolerance":"1%","tc_ppm":null,"series":"E24","neighbours":[],"error":null}],"smd":[{"kind":"SMD 3 cifre","code":"472","tolerance":"5%"},{"kind":"SMD 4 cifre","code":"4701","tolerance":"1%"},{"kind":"SMD EIA-96","code":null,"tolerance":"1%"}]}
CASES

# The source manual pages state the version; they and the completion name
# every option the help names.
data=$(dirname "$completion")
for page in "$data/resistenze-codice.1" "$data/resistenze-codice.it.1"; do
    grep -q "^\.TH .* \"resistenze $version\" " "$page" ||
        { echo "FAIL: $page does not state version $version" >&2 && failed=1; }
    for option in $("$program" --help | grep -oE -- '--[a-z]+' | sort -u); do
        grep -qF -- "${option//-/\\-}" "$page" ||
            { echo "FAIL: $page lacks $option" >&2 && failed=1; }
        grep -qF -- "$option" "$completion" ||
            { echo "FAIL: the completion lacks $option" >&2 && failed=1; }
    done
done

# Each example of the README's resistenze-codice section, "    $ command"
# and the lines under it, is what the command prints.
readme=$data/../README.md
command= expected= examples=0
check_example() {
    [ -n "$command" ] || return 0
    examples=$((examples + 1))
    local printed
    printed=$(PATH=$(dirname "$program"):$PATH bash -c "$command" 2>&1)
    [ "$printed" = "$expected" ] ||
        { echo "FAIL: README: $command prints:" >&2 && echo "$printed" >&2 && failed=1; }
}
while IFS= read -r line; do
    if [[ $line == '    $ resistenze-codice'* ]]; then
        check_example
        command=${line#    \$ } expected=
    elif [[ -n $command && $line == '    '* ]]; then
        expected+=${expected:+$'\n'}${line#    }
    else
        check_example
        command=
    fi
done < <(sed -n '/^## Standard values and `resistenze-codice`/,/^## /p' "$readme")
check_example
[ "$examples" -ge 8 ] || { echo "FAIL: README: $examples examples found" >&2 && failed=1; }
exit $failed
