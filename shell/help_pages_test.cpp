#include "shell/help_pages.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace vimbra {
namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(HelpPagesTest, ContextsAndTheirPages) {
    EXPECT_EQ(HelpPageFor(0), "index.html");
    EXPECT_EQ(HelpPageFor(100), "viewer.html");
    EXPECT_EQ(HelpPageFor(103), "viewer.html#c103");
    EXPECT_EQ(HelpPageFor(104), "hotkeys.html");
    EXPECT_EQ(HelpPageFor(300), "slideshows.html");
    EXPECT_EQ(HelpPageFor(400), "imaging.html");
    EXPECT_EQ(HelpPageFor(500), "viewer.html#c500");
    EXPECT_EQ(HelpPageFor(-7), "index.html");
    const QUrl u = HelpUrl(QStringLiteral("/opt/help"), 103);
    EXPECT_EQ(u.toLocalFile(), "/opt/help/viewer.html");
    EXPECT_EQ(u.fragment(), "c103");
    EXPECT_FALSE(HelpUrl(QStringLiteral("/opt/help"), 104).hasFragment());
}

TEST(HelpPagesTest, PagesAreWrittenWithEveryAnchorAndTheShortcuts) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("deeper/help"));
    const QString rows = ShortcutRow(QStringLiteral("File > Open"), QStringLiteral("Ctrl+O"));
    EXPECT_EQ(rows, "<tr><td>File &gt; Open</td><td><kbd>Ctrl+O</kbd></td></tr>\n");
    ASSERT_TRUE(ExtractHelpPages(folder, rows));
    for (int context : {0, 100, 103, 104, 300, 400, 500}) {
        const QUrl u = HelpUrl(folder, context);
        const QByteArray page = Read(u.toLocalFile());
        ASSERT_FALSE(page.isEmpty()) << context;
        EXPECT_TRUE(page.contains(QStringLiteral("id=\"c%1\"").arg(context).toLatin1())) << context;
    }
    const QByteArray hotkeys = Read(QDir(folder).filePath(QStringLiteral("hotkeys.html")));
    EXPECT_TRUE(hotkeys.contains(rows.toUtf8()));
    EXPECT_FALSE(hotkeys.contains("<!-- menu shortcuts -->"));
    EXPECT_FALSE(Read(QDir(folder).filePath(QStringLiteral("help.css"))).isEmpty());
    // Written again over the old pages.
    ASSERT_TRUE(ExtractHelpPages(folder, QString()));
    EXPECT_FALSE(Read(QDir(folder).filePath(QStringLiteral("hotkeys.html"))).contains(rows.toUtf8()));
}

TEST(HelpPagesTest, UnwritableFolderFails) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(ExtractHelpPages(dir.filePath(QStringLiteral("file/help")), QString()));
}

}  // namespace
}  // namespace vimbra
