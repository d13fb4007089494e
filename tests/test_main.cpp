// Shared main of the test programs: a headless application object on the
// fixed offscreen screen, then GoogleTest.
#include "tests/headless.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    headless::prepare(TEST_SCREEN_CONFIG);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
