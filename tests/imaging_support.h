// Fixture shared by the picture-loading tests: a fresh surface, a temporary
// current folder for the pictures a test makes, and the imaging layer
// started for the test's length.
#pragma once

#include "imaging/gdiplus.h"
#include "surface/surface.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace testsupport {

class ImagingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        surface::reset_all();
        ASSERT_TRUE(dir_.isValid());
        old_dir_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        ASSERT_EQ(GdiplusStartup(&token_, &input_, nullptr), Ok);
    }
    void TearDown() override {
        GdiplusShutdown(token_);
        gdiplus::simulate_missing_decoder(false);
        QDir::setCurrent(old_dir_);
        surface::reset_all();
    }

    QTemporaryDir dir_;
    QString old_dir_;
    uint32_t token_ = 0;
    GdiplusStartupInput input_;
};

} // namespace testsupport
