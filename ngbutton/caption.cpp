// Caption layout on a button face: short captions line by line, centred;
// captions too wide for the face wrapped word by word.
#include "ngbutton/ng_detail.h"
#include "ngbutton/ngbutton.h"
#include "ngbutton/shadowed_text.h"

#include <algorithm>

namespace {

constexpr int32_t wrap_slack = 10;    // added to the widest line before deciding to wrap
constexpr int32_t right_reserve = 40; // kept free at the right of a wrapped line
constexpr char degree_sign = static_cast<char>(176);

int32_t text_colour(const NG_BOTTONE& record) {
    return record.stato == 0 ? record.colore_testo_0 : record.colore_testo_1;
}

} // namespace

void NG_GRAPH(const std::string& caption, const NG_BOTTONE& record, const std::string& snapshot) {
    using ngbutton::int_div;
    if (caption.empty()) return;

    std::string t = trim_blanks(caption);
    t = ngbutton::replace_all(t, "$", "\r\n");
    t = ngbutton::replace_all(t, "+", "\r\n");

    const surface::Size client = surface::client_size();
    const double W = client.w;
    const double H = client.h;
    if (record.font != 0) surface::select_font(record.font);

    const std::vector<std::string> lines = ngbutton::split_lines(t);
    int64_t max_w = 0;
    int64_t total_h = 0;
    for (const std::string& line : lines) {
        const surface::Size s = surface::text_size(line);
        max_w = std::max<int64_t>(max_w, s.w);
        total_h += s.h;
    }

    if (max_w + wrap_slack >= W) {
        NG_GIUST(t, record, snapshot);
        surface::select_font(0);
        return;
    }

    // Degree signs are measured as themselves but drawn as blanks.
    const int32_t top = int_div(H - static_cast<double>(total_h), 2);
    std::vector<ngbutton::PlacedText> placed;
    placed.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const surface::Size s = surface::text_size(lines[i]);
        std::string shown = lines[i];
        std::replace(shown.begin(), shown.end(), degree_sign, ' ');
        placed.push_back({std::move(shown), static_cast<double>(int_div(W - s.w, 2)),
                          static_cast<double>(top) + static_cast<double>(i) * s.h});
    }
    ngbutton::print_shadowed(placed, text_colour(record),
                             ngbutton::button_shadow(record.colore_ombra));
    surface::select_font(0);
}

void NG_GIUST(const std::string& text, const NG_BOTTONE& record, const std::string& snapshot) {
    std::string s = text;
    std::replace(s.begin(), s.end(), '_', ' ');
    const surface::Size client = surface::client_size();
    const int64_t W = client.w;
    const int64_t H = client.h;
    surface::set_colours(text_colour(record), surface::NO_COLOUR);

    // Pass 1 lays the words out by drawing them on the face; the face is
    // restored from the snapshot afterwards.
    std::vector<std::string> lines(1);
    int64_t accumulated = 0;
    int32_t last_y = 0;
    int32_t last_h = 0;
    surface::set_pos(0, 0);
    auto break_line = [&](int32_t word_h) -> bool {
        if (static_cast<int32_t>(lines.size()) >= ngbutton::max_caption_lines) return false;
        surface::new_line();
        lines.emplace_back();
        accumulated += word_h;
        last_y = surface::get_pos().y;
        surface::set_pos(0, last_y);
        return true;
    };
    for (std::string word : ngbutton::split_words(s)) {
        const bool forced = word.find("\r\n") != std::string::npos;
        if (forced) word = ngbutton::replace_all(word, "\r\n", "");
        const surface::Size ws = surface::text_size(word);
        last_h = ws.h;
        const surface::Point p = surface::get_pos();
        last_y = p.y;
        if (p.x + static_cast<int64_t>(ws.w) + right_reserve <= W) {
            surface::print(word);
            lines.back() += word;
        } else {
            // Also taken by a word too wide for an empty line, so the line
            // before it may stay empty.
            if (!break_line(ws.h)) break;
            const std::size_t first = word.find_first_not_of(' ');
            surface::print(first == std::string::npos ? std::string() : word.substr(first));
            lines.back() = word;
        }
        if (forced && !break_line(ws.h)) break;
    }

    surface::set_pixels(snapshot);

    const int32_t y0 =
        H < accumulated ? 0 : base::round_even(static_cast<double>(H - last_y - last_h) / 2.0);
    surface::set_pos(0, y0);
    for (const std::string& line : lines) {
        const int32_t y = surface::get_pos().y;
        const int32_t lw = surface::text_size(line).w;
        const int32_t cx = base::round_even(static_cast<double>(W - lw) / 2.0);
        ngbutton::print_shadowed(line, cx, y, text_colour(record),
                                 ngbutton::button_shadow(record.colore_ombra));
        surface::new_line();
    }
    surface::redraw();
}
