// The configuration reader: the number reader and the line rules of
// "tavi_menu_conf.cnf".
#include "app/app.h"
#include "surface/surface.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <string>

namespace {

constexpr int32_t kOut = INT32_MIN;

struct NumberCase {
    std::string text;
    int32_t expected;
};

TEST(LeggiNumero, ReadsNumbersAsTheFileWritesThem) {
    // clang-format off
    const NumberCase cases[] = {
        {" \t\r\n 800px", 800}, {"px800", 0}, {"", 0}, {"- 5", 0}, {"-12", -12},
        // halves go to the even neighbour, decided on the digits themselves
        {"799.5", 800}, {"800.5", 800}, {"-2.5", -2}, {"-3.5", -4}, {"0.5", 0},
        {"0.50000000000000000001", 1}, {".51", 1}, {"1.2.3", 1},
        {"1E3", 1000}, {"1d3", 1000}, {"1D+3", 1000}, {"25e-1", 2}, {"35E-1", 4}, {"1e", 1},
        {"1e-9999", 0}, {"e5", 0},
        {"&H1F", 31}, {"&hff", 255}, {"&B101", 5}, {"&b102", 2}, {"&O17", 15}, {"&q17", 15},
        {"&178", 15}, {"&8", 0}, {"&", 0}, {"&H7FFFFFFF", INT32_MAX},
        // the edges of the 32-bit range
        {"2147483647.4", INT32_MAX}, {"2147483647.5", kOut}, {"-2147483648", INT32_MIN},
        {"-2147483649", kOut}, {"99999999999", kOut}, {"1e9999", kOut},
        {"1e99999999999999999999999", kOut}, {"&HFFFFFFFF", kOut},
        {"&H" + std::string(100, 'F'), kOut}, {"1" + std::string(5000, '0'), kOut},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(LEGGI_NUMERO(c.text), c.expected) << "text: \"" << c.text.substr(0, 40) << '"';
    }
}

class ConfigFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        pixelori = pixelver = larghezzacornice = 0;
    }
    std::string write(const std::string& data) {
        const std::string path = dir_.path().toStdString() + "/tavi_menu_conf.cnf";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
        return path;
    }
    QTemporaryDir dir_;
};

constexpr int32_t kDesktop = -77; // stands for the desktop's width or height

struct FileCase {
    const char* what;
    std::string content;
    int32_t ori, ver, cornice;
};

TEST_F(ConfigFile, LineRules) {
    const surface::Size desk = surface::desktop_size();
    const FileCase cases[] = {
        {"example",
         "' dimensioni della finestra\r\npixelori=1024\r\npixelver=700\r\n"
         "larghezzacornice=8\r\n",
         1024, 700, 8},
        {"missing keys stay 0", "pixelori=800", 800, 0, 0},
        {"case-sensitive", "PixelOri=800", 0, 0, 0},
        {"inside a word", "xpixelori=800", 800, 0, 0},
        {"blank before =", "pixelori = 800", 0, 0, 0},
        {"two keys on a line, blank after =", "pixelori= 800 pixelver=600", 800, 600, 0},
        {"halves to even", "pixelori=799.5\r\npixelver=800.5", 800, 800, 0},
        {"negative size", "pixelori=-1\r\npixelver=-5", kDesktop, kDesktop, 0},
        {"out of range", "pixelori=99999999999\r\nlarghezzacornice=1e10", kDesktop, 0, kOut},
        {"comment after blanks", "   'pixelori=800", 0, 0, 0},
        {"tab is not stripped", "\t'pixelori=800", 800, 0, 0},
        {"LF-only lines are one line", "pixelori=800\npixelver=600\n", 800, 600, 0},
        {"LF-only file behind a comment", "' c\npixelori=800\npixelver=600\n", 0, 0, 0},
        {"bare CR, later line wins", "pixelori=640\rpixelori=700\r\nlarghezzacornice=2", 700, 0, 2},
        {"value ends at the next occurrence", "pixelori=1pixelori=2", 1, 0, 0},
        {"ctrl-z ends the file", std::string("pixelori=800\r\x1apixelver=600"), 800, 0, 0},
        // the reader keeps sizes of any height; the dialog's bounds come later
        {"huge sizes kept", "pixelori=100000\r\npixelver=&H7FFFFFFF", 100000, INT32_MAX, 0},
        {"binary bytes", std::string("\0\xff\xfe pixelori=640\0\x01\r\x80pixelver=1e9", 32), 640,
         1000000000, 0},
    };
    for (const auto& c : cases) {
        pixelori = pixelver = larghezzacornice = 0;
        LEGGO_CN(write(c.content));
        const int32_t ori = c.ori == kDesktop ? desk.w : c.ori;
        const int32_t ver = c.ver == kDesktop ? desk.h : c.ver;
        EXPECT_EQ(pixelori, ori) << c.what;
        EXPECT_EQ(pixelver, ver) << c.what;
        EXPECT_EQ(larghezzacornice, c.cornice) << c.what;
    }
}

TEST(DialogSize, MissingSizesTakeTheWorkAreaHugeOnesShrink) {
    const surface::Size work{1920, 1040};
    const struct {
        int32_t w, h;
        surface::Size made;
    } cases[] = {
        {0, 700, {1920, 700}},
        {1024, 0, {1024, 1040}},
        {0, 0, {1920, 1040}},
        {10000, 600, {10000, 600}},
        {8192, 8192, {8192, 8192}},
        {32767, 2048, {24576, 1536}},
        {16384, 8192, {11585, 5792}},
        {40000, 100, {24576, 61}},
        {100, 40000, {61, 24576}},
        {800, 1000000000, {1, 24576}},
        {INT32_MAX, INT32_MAX, {8192, 8192}},
    };
    for (const auto& c : cases) EXPECT_EQ(dialog_size(c.w, c.h, work), c.made) << c.w << "x" << c.h;
}

TEST_F(ConfigFile, NoReadableFileChangesNothing) {
    const std::string folder = dir_.path().toStdString() + "/folder.cnf";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    const std::string names[] = {
        dir_.path().toStdString() + "/absent.cnf",
        folder,
        // A plain file whose every read fails: the reader must give up, not loop.
        "/proc/self/mem",
    };
    for (const auto& name : names) {
        pixelori = 5;
        pixelver = 6;
        larghezzacornice = 7;
        LEGGO_CN(name);
        EXPECT_EQ(pixelori, 5) << name;
        EXPECT_EQ(pixelver, 6) << name;
        EXPECT_EQ(larghezzacornice, 7) << name;
    }
}

} // namespace
