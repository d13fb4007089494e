// System services: the shared random generator, the text-file reader's line
// rules, the plain-file test and the clock text.
#include "surface/surface.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::string write_file(const QTemporaryDir& dir, const std::string& name, const std::string& data) {
    const std::string path = dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << data;
    return path;
}

std::vector<std::string> read_all(const std::string& path) {
    surface::TextFile file;
    std::vector<std::string> lines;
    if (!file.open(path)) return {"<not opened>"};
    while (!file.eof() && lines.size() < 100) lines.push_back(file.read_line());
    return lines;
}

} // namespace

TEST(Random, FirstDrawsFromStateZero) {
    surface::set_random_state(0);
    EXPECT_EQ(surface::random_int(0, 255), 0);
    EXPECT_EQ(surface::random_state(), 1u);
    EXPECT_EQ(surface::random_int(0, 255), 8);
    EXPECT_EQ(surface::random_state(), 134775814u);
}

TEST(Random, BoundsInEitherOrderAndBothEndsReachable) {
    surface::set_random_state(12345);
    bool seen_lo = false, seen_hi = false;
    for (int i = 0; i < 2000; ++i) {
        const int32_t a = surface::random_int(3, -2);
        ASSERT_GE(a, -2);
        ASSERT_LE(a, 3);
        seen_lo |= a == -2;
        seen_hi |= a == 3;
    }
    EXPECT_TRUE(seen_lo && seen_hi);
    // The full 32-bit range does not overflow: draws fall on both sides of zero.
    bool negative = false, positive = false;
    for (int i = 0; i < 100; ++i) {
        const int32_t wide = surface::random_int(INT32_MIN, INT32_MAX);
        negative |= wide < 0;
        positive |= wide > 0;
    }
    EXPECT_TRUE(negative && positive);
    // The same state gives the same sequence.
    surface::set_random_state(77);
    const int32_t first = surface::random_int(0, 1000);
    surface::set_random_state(77);
    EXPECT_EQ(surface::random_int(0, 1000), first);
}

TEST(TextFile, LineEndRules) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        std::string data;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF ends a line", "a\r\nb\r\n", {"a", "b"}},
        {"CR alone ends a line", "a\rb", {"a", "b"}},
        {"LF alone does not", "a\nb\nc", {"a\nb\nc"}},
        {"LF CR: the LF stays in the line", "a\n\rb", {"a\n", "b"}},
        {"empty lines are kept", "a\r\r\nb", {"a", "", "b"}},
        {"Ctrl-Z ends the file",
         "a\r\nb\x1A"
         "c\r\nd",
         {"a", "b"}},
        {"Ctrl-Z first: no line",
         "\x1A"
         "abc",
         {}},
        {"empty file: no line", "", {}},
        {"NUL bytes are ordinary", std::string("a\0b\r", 4), {std::string("a\0b", 3)}},
    };
    for (const auto& c : cases) {
        const std::string path = write_file(dir, "f.txt", c.data);
        EXPECT_EQ(read_all(path), c.lines) << c.what;
    }
}

TEST(TextFile, UnreadableOrMissingNeverLoops) {
    QTemporaryDir dir;
    surface::TextFile file;
    EXPECT_FALSE(file.open(dir.path().toStdString() + "/missing"));
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(file.read_line(), "");
    EXPECT_FALSE(file.open(dir.path().toStdString())); // a folder
    EXPECT_TRUE(file.eof());
}

TEST(TextFile, OverlongLineIsCutNotLoaded) {
    QTemporaryDir dir;
    const std::string path = write_file(dir, "big.txt", std::string(3 << 20, 'x') + "\rtail");
    const auto lines = read_all(path);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), size_t{1} << 20);
    EXPECT_EQ(lines[1], "tail");
}

TEST(FileExists, OnlyPlainFiles) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string file = write_file(dir, "plain.cnf", "x");
    EXPECT_TRUE(surface::file_exists(file));
    EXPECT_FALSE(surface::file_exists(base));
    EXPECT_FALSE(surface::file_exists(base + "/nothing"));
    EXPECT_FALSE(surface::file_exists(""));
    EXPECT_FALSE(surface::file_exists(base + "/plain.cn?"));
    EXPECT_FALSE(surface::file_exists(base + "/*.cnf"));
    // A real file whose name holds a wildcard character is still never found.
    const std::string starred = write_file(dir, "a*b", "x");
    EXPECT_FALSE(surface::file_exists(starred));
    EXPECT_FALSE(surface::file_exists(file + ":"));
}

TEST(LocalTime, EightCharactersWithColons) {
    const std::string t = surface::local_time();
    ASSERT_EQ(t.size(), 8u);
    EXPECT_EQ(t[2], ':');
    EXPECT_EQ(t[5], ':');
    for (int i : {0, 1, 3, 4, 6, 7}) EXPECT_TRUE(t[i] >= '0' && t[i] <= '9') << t;
    EXPECT_LE(std::stoi(t.substr(0, 2)), 23);
}
