// Where the program finds its own files: a picture in the current folder
// first, else in the program folder; the program folder of a build tree, of
// an installation under any prefix, and the configured one.
#include "surface/surface.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

std::string touch(const QString& folder, const std::string& name) {
    QDir().mkpath(folder);
    const std::string path = folder.toStdString() + "/" + name;
    std::ofstream(path) << "x";
    return path;
}

std::string canonical(const std::string& folder) {
    return QDir(QString::fromStdString(folder)).canonicalPath().toStdString();
}

} // namespace

TEST(DataFiles, CurrentFolderFirstThenTheGivenFolder) {
    QTemporaryDir current, data;
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current.path()));
    touch(current.path(), "fondo3.jpg");
    touch(data.path(), "fondo3.jpg");
    const std::string only_there = touch(data.path(), "altro.jpg");
    const std::string folder = data.path().toStdString(); // no trailing "/"
    const struct {
        std::string name, expected;
    } cases[] = {
        {"fondo3.jpg", "fondo3.jpg"}, // the current folder's own copy wins
        {"altro.jpg", only_there},
        {"nessuno.jpg", "nessuno.jpg"},     // found nowhere: left as given
        {"sub/altro.jpg", "sub/altro.jpg"}, // a folder part is not searched
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(surface::find_file_in(c.name, folder), c.expected) << c.name;
    QDir::setCurrent(old);
}

TEST(DataFiles, ProgramFolderOfABuildTreeAnInstallationAndNeither) {
    QTemporaryDir root;
    const QString build = root.path() + "/build/app";
    touch(build, "CabinSketch-Bold.otf");
    const QString bin = root.path() + "/prefix/bin";
    QDir().mkpath(bin);
    QDir().mkpath(root.path() + "/prefix/share/resistenze");
    const QString bare = root.path() + "/elsewhere/bin";
    QDir().mkpath(bare);

    const std::string from_build = surface::program_folder_of(build.toStdString());
    EXPECT_EQ(from_build, build.toStdString() + "/");
    const std::string from_bin = surface::program_folder_of(bin.toStdString());
    EXPECT_EQ(from_bin.back(), '/');
    EXPECT_EQ(canonical(from_bin),
              canonical(root.path().toStdString() + "/prefix/share/resistenze"));
    // Neither: the data folder of the configured prefix.
    const std::string configured = surface::program_folder_of(bare.toStdString());
    EXPECT_EQ(configured.front(), '/');
    EXPECT_TRUE(configured.ends_with("/share/resistenze/")) << configured;
}
