// resistenze-codice: colour bands read exactly (uncertain ones in every
// combination), the colour and SMD codes of a value, SMD codes read,
// standard values combined into a value, or the window's own lines; plain
// text with fields separated by tabs, or JSON Lines. Options and printing
// only: the rules are in calc_core.
#include "base/ascii.h"
#include "calc_core/query.h"
#include "cli/output.h"
#include "cli/print.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = R"(Uso: resistenze-codice [OPZIONI] COLORE...
     resistenze-codice [OPZIONI] VALORE
     resistenze-codice [OPZIONI] --smd CODICE
     resistenze-codice [--serie E12] --combina VALORE
     resistenze-codice [OPZIONI] [-]        (una domanda per riga da stdin)

Con i colori delle bande (da 3 a 6, in italiano o in inglese, rosa/pink
come moltiplicatore x0.001; una sola nera è 0 Ohm) scrive una riga per
verso di lettura che le bande permettono: verso (diretta/inversa), valore
esatto, tolleranza, minimo, massimo, serie del valore normalizzato (E6 ...
E192, "-" se non lo è; mai se la prima banda è nera) e, con 6 bande, il
coefficiente di temperatura.

Una banda incerta si scrive con le alternative, rosso/arancio, oppure _ o
? per un colore qualsiasi: si leggono tutte le combinazioni (al più
10000), i valori normalizzati per primi, ciascuna con i suoi colori, e
una riga "totale" le conta.

Con un valore (4k7, 4.7k, 4,7k, 4700, 0R22, 2M2, 1e3, 1.5MEG, 4.7 kOhm)
scrive i colori che lo codificano con 3 bande (20%), 4 bande (oro, 5%),
5 bande (marrone, 1%) e, con --tc, 6 bande; quando il valore non è nella
serie della tolleranza, i valori normalizzati vicini con lo scarto in
percentuale; poi i codici SMD che ha. Una "m" minuscola è rifiutata, e
così "4,700" (4,7 o 4700?). Si leggono 0 e i valori da 0.001 Ohm a 999
GOhm, con al più 19 cifre significative.

Con --combina, il valore normalizzato più vicino e i migliori due e tre
in serie e in parallelo, con i colori e lo scarto.

Opzioni:
  --tolleranza T  l'ultima banda di 4, 5 e 6 bande: 1%, 2%, 0.5%, 0.25%,
                  0.1%, 0.05%, 5%, 10% oppure il suo colore
  --tc N          anche il codice a 6 bande, coefficiente N ppm/K: 250, 100,
                  50, 25, 20, 15, 10, 5, 1 oppure il suo colore
  --smd           legge codici SMD: 472, 4702, 4R7, R47, 01C (EIA-96);
                  anche "smd:472" senza l'opzione
  --combina V     i valori normalizzati che fanno V, da soli, in serie e
                  in parallelo
  --serie S       la serie di --combina: E6, E12, E24 (di norma), E48,
                  E96, E192
  --finestra      con i colori, le righe della finestra (campi 901-905)
  --json          un oggetto JSON per domanda (JSON Lines)
  -h, --help      questo aiuto
  --version       la versione
  --              fine delle opzioni

Esito: 0 tutto letto; 1 scrittura non riuscita; 2 qualcosa non si legge
(un messaggio su stderr, nulla su stdout per quella domanda).
)";

struct Settings {
    calc::QueryOptions options;
    std::optional<calc::Series> series; // --serie
    bool json = false;
};

std::optional<calc::Series> series_of(const std::string& name) {
    for (const calc::Series s : {calc::Series::E6, calc::Series::E12, calc::Series::E24,
                                 calc::Series::E48, calc::Series::E96, calc::Series::E192})
        if (base::same_ascii_letters(name, calc::series_name(s))) return s;
    return std::nullopt;
}

// Answers one query; false when it could not be read (already said on
// standard error). A failed write ends the program. Answers are flushed
// unless more input is already waiting, so a pipe asking one line at a time
// gets each answer at once and a file of queries is written in large blocks.
bool ask(const std::string& query, const Settings& settings, bool flush = true) {
    const calc::Answer answer = calc::answer(query, settings.options);
    if (!answer.error.empty()) {
        cli::complain(answer.error);
        return false;
    }
    if (!cli::write_out(settings.json ? cli::json_line(answer) : cli::text_block(answer), flush)) {
        cli::complain_write();
        std::exit(1);
    }
    return true;
}

int refuse(const std::string& message) {
    cli::complain(message + " (--help per l'aiuto)");
    return 2;
}

int reply(const std::string& text) {
    if (cli::write_out(text)) return 0;
    cli::complain_write();
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    std::vector<std::string> words;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options_done || arg == "-" || arg.size() < 2 || arg.front() != '-') {
            words.push_back(arg);
            continue;
        }
        // "--tolleranza 2%" or "--tolleranza=2%".
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        std::optional<std::string> value;
        if (eq != std::string::npos) value = arg.substr(eq + 1);
        const bool takes_value =
            name == "--tolleranza" || name == "--tc" || name == "--combina" || name == "--serie";
        if (takes_value && !value) {
            if (i + 1 == argc) return refuse(name + " vuole un valore");
            value = argv[++i];
        } else if (!takes_value && value) {
            return refuse(calc::quoted_input(name) + " non vuole un valore");
        }
        if (name == "--") {
            options_done = true;
        } else if (name == "-h" || name == "--help") {
            return reply(kUsage);
        } else if (name == "--version") {
            return reply(std::string("resistenze-codice ") + RESISTENZE_VERSION + "\n");
        } else if (name == "--tolleranza") {
            settings.options.tolerance = calc::tolerance_of(*value);
            if (!settings.options.tolerance)
                return refuse("tolleranza sconosciuta: " + calc::quoted_input(*value) + " (" +
                              calc::tolerance_list() + ")");
        } else if (name == "--tc") {
            settings.options.tc = calc::tc_band(*value);
            if (!settings.options.tc)
                return refuse("coefficiente di temperatura sconosciuto: " +
                              calc::quoted_input(*value) + " (" + calc::tc_list() + ")");
        } else if (name == "--combina") {
            settings.options.combine = calc::Series::E24;
            words.push_back(*value);
        } else if (name == "--serie") {
            settings.series = series_of(*value);
            if (!settings.series)
                return refuse("serie sconosciuta: " + calc::quoted_input(*value) +
                              " (E6, E12, E24, E48, E96, E192)");
        } else if (name == "--finestra") {
            settings.options.window = true;
        } else if (name == "--smd") {
            settings.options.smd = true;
        } else if (name == "--json") {
            settings.json = true;
        } else {
            return refuse("opzione sconosciuta: " + calc::quoted_input(arg));
        }
    }

    if (settings.series) {
        if (!settings.options.combine) return refuse("--serie vale solo con --combina");
        settings.options.combine = settings.series;
    }
    if (settings.options.combine && words.size() != 1)
        return refuse("--combina vuole un valore, e nient'altro");
    if (!words.empty() && !(words.size() == 1 && words.front() == "-")) {
        std::string query;
        for (const std::string& word : words) query.append(query.empty() ? "" : " ").append(word);
        return ask(query, settings) ? 0 : 2;
    }
    // One query per line; a line that cannot be read does not stop the rest.
    std::ios::sync_with_stdio(false); // std::cin buffers, and tells what it holds
    int status = 0;
    std::string line;
    while (std::getline(std::cin, line))
        if (!calc::split_words(line).empty() &&
            !ask(line, settings, std::cin.rdbuf()->in_avail() <= 0))
            status = 2;
    if (!cli::write_out("")) {
        cli::complain_write();
        return 1;
    }
    return status;
}
