// Font files registered for the process: a path registered again is counted,
// not read again, and stays registered until every registration is removed.
#include "surface/surface.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(FontFiles, LaterRegistrationsOfAPathCountWithoutRereadingIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("Copy-Bold.otf");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TEST_FONT_DIR "CabinSketch-Bold.otf"), copy));
    const std::string path = copy.toStdString();

    const int faces = AddFontResourceA(path.c_str());
    ASSERT_GE(faces, 1);
    // Once loaded, the file is no longer needed for the next registrations.
    ASSERT_TRUE(QFile::remove(copy));
    struct Step {
        bool add;
        int expected;
    } steps[] = {
        {true, faces}, {true, faces},                         // three registrations in all
        {false, 1},    {false, 1},    {false, 1}, {false, 0}, // nothing left to remove
        {true, 0}, // the file is gone: nothing to register
    };
    int i = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(i++);
        EXPECT_EQ(s.add ? AddFontResourceA(path.c_str()) : RemoveFontResourceA(path.c_str()),
                  s.expected);
    }
    EXPECT_EQ(AddFontResourceA(nullptr), 0);
    EXPECT_EQ(RemoveFontResourceA("/nonexistent/font.otf"), 0);
}

} // namespace
