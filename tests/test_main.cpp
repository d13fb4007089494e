// Shared main of the test programs: a headless application object on the
// fixed offscreen screen, then GoogleTest.
#include "surface/surface.h"

#include <QApplication>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" TEST_SCREEN_CONFIG, 0);
    // A private runtime folder keeps the toolkit from warning about a missing one.
    if (getenv("XDG_RUNTIME_DIR") == nullptr) {
        const std::string runtime = "/tmp/resistenze-test-" + std::to_string(getuid());
        mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    surface::prepare_toolkit();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
