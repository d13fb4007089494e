// resistenze-codice: the window's readings of a band sequence, or the colour
// codes of a value, as plain text with fields separated by tabs.
#include "base/blanks.h"
#include "calc_core/bands.h"
#include "calc_core/readings.h"
#include "calc_core/standard_values.h"
#include "calc_core/value_code.h"

#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kProgram = "resistenze-codice";

constexpr const char* kUsage = R"(Uso: resistenze-codice COLORE...
     resistenze-codice [--tolleranza T] VALORE

Con i colori delle bande (da 1 a 5, in italiano o in inglese) scrive le
letture che ne fa la finestra di resistenze, una per riga: il campo, la
riga e la serie del valore normalizzato (E6 ... E192), se lo è.

Con un valore (4k7, 4.7k, 4700, 0R22, 2M2, 1G) scrive i colori che lo
codificano con 3 bande (20%), 4 bande (oro, 5%) e 5 bande (marrone, 1%);
quando il valore non è nella serie della tolleranza, i valori della serie
più vicini. Una "m" minuscola è rifiutata: milli o mega?

Opzioni:
  --tolleranza T  l'ultima banda di 4 e 5 bande: 1%, 2%, 0.5%, 0.25%,
                  0.1%, 0.05%, 5%, 10% oppure il suo colore
  --help          questo aiuto
  --version       la versione
)";

int refuse(const std::string& message) {
    std::cerr << kProgram << ": " << message << '\n';
    return 2;
}

int read_bands(const std::vector<std::string>& names) {
    std::string bande;
    for (const std::string& name : names) {
        const auto band = calc::band_from_name(name);
        if (!band) return refuse("colore sconosciuto: \"" + name + "\"");
        bande += static_cast<char>(*band);
    }
    if (bande.size() > 5) return refuse("troppe bande: al massimo 5");
    const auto fields = calc::read_fields(bande);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view line = blank_trimmed(fields[i].text);
        if (line.empty()) continue;
        std::cout << ID_RIGA_1 + static_cast<int>(i) << '\t' << line;
        if (fields[i].series != calc::Series::None)
            std::cout << '\t' << calc::series_name(fields[i].series);
        std::cout << '\n';
    }
    return 0;
}

// "E24", or the nearest values of the tolerance's own series.
std::string series_column(const calc::Encoding& code, std::optional<unsigned char> tolerance) {
    if (code.series != calc::Series::None) return calc::series_name(code.series);
    if (!code.below && !code.above) return "";
    std::string out = "fuori serie ";
    out += calc::series_name(calc::judged_series(tolerance).front());
    out += ", vicini:";
    if (code.below) out.append(" ").append(calc::ohms_text(*code.below));
    if (code.above) out.append(code.below ? " e " : " ").append(calc::ohms_text(*code.above));
    return out;
}

int encode(const std::string& text, std::optional<unsigned char> tolerance) {
    const calc::ParsedValue parsed = calc::parse_value(text);
    if (!parsed.error.empty()) return refuse("valore non valido \"" + text + "\": " + parsed.error);
    for (int count = 3; count <= 5; ++count) {
        const std::optional<unsigned char> last =
            count == 3
                ? std::nullopt
                : std::optional<unsigned char>(tolerance.value_or(calc::default_tolerance(count)));
        const calc::Encoding code = calc::encode_value(parsed.value, count, last);
        std::string colours;
        for (const char band : code.bands) {
            if (!colours.empty()) colours += ' ';
            colours += calc::band_name(static_cast<unsigned char>(band));
        }
        if (!code.error.empty()) colours = "non si può: " + code.error;
        std::cout << count << " bande\t" << colours << '\t'
                  << (last ? calc::tolerance_text(*last) : "20%");
        const std::string series = series_column(code, last);
        if (!series.empty()) std::cout << '\t' << series;
        std::cout << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words;
    std::optional<std::string> tolerance_text;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << kProgram << ' ' << RESISTENZE_VERSION << '\n';
            return 0;
        }
        if (arg == "--tolleranza") {
            if (i + 1 == argc) return refuse("--tolleranza vuole una tolleranza, come 2%");
            tolerance_text = argv[++i];
        } else if (arg.starts_with("--tolleranza=")) {
            tolerance_text = arg.substr(arg.find('=') + 1);
        } else if (arg.size() > 1 && arg.front() == '-') {
            return refuse("opzione sconosciuta: \"" + arg + "\" (--help per l'aiuto)");
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) return refuse("mancano i colori o il valore (--help per l'aiuto)");

    // A value has digits ("4.7 kOhm" may come as two words); colours have none.
    if (words.front().find_first_of("0123456789") == std::string::npos) {
        if (tolerance_text) return refuse("--tolleranza vale solo con un valore");
        return read_bands(words);
    }
    std::optional<unsigned char> tolerance;
    if (tolerance_text) {
        tolerance = calc::tolerance_of(*tolerance_text);
        if (!tolerance)
            return refuse("tolleranza sconosciuta: \"" + *tolerance_text +
                          "\" (1%, 2%, 0.5%, 0.25%, 0.1%, 0.05%, 5%, 10%)");
    }
    std::string value;
    for (const std::string& word : words) value.append(value.empty() ? "" : " ").append(word);
    return encode(value, tolerance);
}
