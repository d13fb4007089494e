// The background picture as the window really shows it: black result lines
// need light picture under the fields, white captions need dark faces.
#include "app/app.h"
#include "support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Relative luminance of an sRGB colour (0x00BBGGRR), as contrast ratios use it.
double luminance(int32_t colour) {
    auto linear = [](int32_t c8) {
        const double c = c8 / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour & 0xFF) + 0.7152 * linear((colour >> 8) & 0xFF) +
           0.0722 * linear((colour >> 16) & 0xFF);
}

void add_luminances(std::vector<double>& out, const std::string& pixels, surface::Point at,
                    surface::Size size) {
    for (int32_t y = at.y; y < at.y + size.h; ++y)
        for (int32_t x = at.x; x < at.x + size.w; ++x)
            out.push_back(luminance(testsupport::colour_at(pixels, x, y)));
}

// The value below which the given share of the values lies (nearest rank).
double percentile(std::vector<double> v, double share) {
    if (v.empty()) return std::nan("");
    const auto k = static_cast<std::size_t>(share * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
    return v[k];
}

TEST(Contrast, LightUnderTheResultLinesDarkUnderWhiteCaptions) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral(TEST_SOURCE_DIR "/../assets/fondo3.jpg"),
                            dir.filePath("fondo3.jpg")));
    const QString old_dir = QDir::currentPath();
    QDir::setCurrent(dir.path());

    const surface::Size sizes[] = {{1920, 1080}, {1366, 768}, {1280, 1024}};
    for (const surface::Size s : sizes) {
        testsupport::fresh_calculator();
        dialogo = surface::create_dialog(0, "", 0, 0, s.w, s.h, 0, 0);
        DEFINISC(dialogo, ID_SFONDO, s.w, s.h);

        // The picture under the five fields: black text needs 7:1, so
        // luminance 0.30 or more almost everywhere.
        surface::select_target(dialogo, ID_SFONDO, surface::Display::Direct);
        const std::string picture = surface::get_pixels();
        std::vector<double> under_fields;
        for (int32_t id = ID_RIGA_1; id <= ID_RIGA_5; ++id)
            add_luminances(under_fields, picture, surface::control_pos(dialogo, id),
                           surface::control_size(dialogo, id));
        EXPECT_GE(percentile(under_fields, 0.05), 0.30) << s.w << 'x' << s.h;

        // The resting faces of the buttons with white captions, drawn without
        // their caption: white needs 4.5:1, so 0.18 or less almost everywhere.
        for (const int32_t id : {ID_INDIETRO, ID_RESISTENZA, ID_FINE, ID_RESETTA}) {
            NG_BOTTONE& rec = NG_BOTTONI[static_cast<std::size_t>(id)];
            rec.testo_0 = "";
            NG_DISEG(dialogo, ID_SFONDO, id, rec);
            NG_DISEG(dialogo, ID_SFONDO, id, rec);
            ASSERT_EQ(rec.stato, 0);
            surface::select_target(dialogo, id, surface::Display::Direct);
            std::vector<double> face;
            add_luminances(face, surface::get_pixels(), {0, 0}, surface::client_size());
            EXPECT_LE(percentile(face, 0.95), 0.18) << s.w << 'x' << s.h << " control " << id;
        }
    }
    surface::reset_all();
    QDir::setCurrent(old_dir);
}

} // namespace
