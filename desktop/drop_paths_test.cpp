#include "desktop/drop_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vimbra {
namespace {

TEST(ExpandDroppedPaths, FoldersGiveTheirFilesInNameOrder) {
    QTemporaryDir tmp;
    QDir().mkpath(tmp.filePath("pics/sub"));
    for (const char* name : {"pics/b.png", "pics/A.jpg", "pics/sub/c.png", "single.bmp"}) {
        QFile f(tmp.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const std::string root = tmp.path().toStdString();
    const auto out = ExpandDroppedPaths({root + "/single.bmp", root + "/pics", root + "/gone.png"});
    // Capitals sort first; the subfolder is not entered.
    EXPECT_EQ(out, (std::vector<std::string>{root + "/single.bmp", root + "/pics/A.jpg",
                                             root + "/pics/b.png"}));
}

}  // namespace
}  // namespace vimbra
