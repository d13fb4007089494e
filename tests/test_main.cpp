// Shared main of the test programs: a headless application object on the
// fixed offscreen screen, then GoogleTest.
#include "tests/headless.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // What the program keeps between runs goes here, not to the user's cache.
    const QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    headless::prepare(TEST_SCREEN_CONFIG);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
