#include "desktop/associations.h"

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vimbra {
namespace {

using Argv = std::vector<std::string>;

std::string ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
}

void WriteFile(const QString& path, const std::string& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), qint64(text.size()));
}

// Temporary XDG folders and a runner that records the calls and does what
// "xdg-mime default" does to mimeapps.list.
struct Desk {
    QTemporaryDir dir;
    DesktopFolders folders{(dir.path() + "/data").toStdString(),
                           (dir.path() + "/config").toStdString(),
                           (dir.path() + "/app").toStdString()};
    std::vector<Argv> calls;
    QString mimeapps() const { return dir.path() + "/config/mimeapps.list"; }
    QString backup() const { return dir.path() + "/app/associations.backup"; }
    CommandRunner runner() {
        return [this](const Argv& argv) {
            calls.push_back(argv);
            if (argv.size() >= 4 && argv[0] == "xdg-mime" && argv[1] == "default") {
                // One type at a time, in order, as xdg-mime does.
                for (size_t i = 3; i < argv.size(); ++i) {
                    const std::string old = ReadFile(mimeapps());
                    WriteFile(mimeapps(), WithDefaultApplications(old == "<missing>" ? "" : old,
                                                                  {{argv[i], argv[2]}}));
                }
            }
            return CommandResult{0, "", ""};
        };
    }
};

TEST(DesktopExecArgument, QuotesAndEscapes) {
    EXPECT_EQ(DesktopExecArgument("/usr/bin/vimbra"), "/usr/bin/vimbra");
    // Percent signs are doubled even unquoted.
    EXPECT_EQ(DesktopExecArgument("/opt/100%/vimbra"), "/opt/100%%/vimbra");
    // A blank needs quotes; "$" is escaped inside them, and that backslash is
    // escaped once more by the key file.
    EXPECT_EQ(DesktopExecArgument("/opt/My Apps/vim$bra"), "\"/opt/My Apps/vim\\\\$bra\"");
    // One backslash: \\ inside the quotes, \\\\ in the file.
    EXPECT_EQ(DesktopExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(DesktopExecArgument("/x/it's"), "\"/x/it's\"");
}

TEST(AssociationList, CaptionsAndTypes) {
    const auto captions = AssociationCaptions();
    ASSERT_EQ(captions.size(), 15u);
    EXPECT_EQ(captions[14], ".JXL (JPEG XL)");
    EXPECT_EQ(captions.front(), ".AVL (Vimbra Slideshow)");
    EXPECT_EQ(captions[3], ".JPG (JPEG images)");
    EXPECT_EQ(captions[10], ".WMF and .EMF (Windows MetaFile)");
    // Order of the choice, duplicates and unknown lines dropped.
    EXPECT_EQ(MimeTypesOf({10, 3, 3, 42, -1}), (Argv{"image/wmf", "image/emf", "image/jpeg"}));
}

TEST(DesktopEntry, ExactText) {
    EXPECT_EQ(DesktopEntryText("/usr/bin/vimbra"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Vimbra\n"
              "GenericName=Picture Viewer\n"
              "Comment=View, edit and convert pictures\n"
              "Exec=/usr/bin/vimbra %F\n"
              "Icon=applications-graphics\n"
              "Terminal=false\n"
              "Categories=Graphics;Viewer;RasterGraphics;2DGraphics;\n"
              "MimeType=application/x-vimbra-slideshow;image/bmp;image/x-dcx;image/jpeg;"
              "image/x-photo-cd;image/vnd.zbrush.pcx;image/png;image/vnd.adobe.photoshop;"
              "image/x-tga;image/tiff;image/wmf;image/emf;image/webp;image/avif;image/heic;"
              "image/heif;image/jxl;\n");
    const std::string xml = MimePackageText();
    EXPECT_NE(xml.find("  <mime-type type=\"application/x-vimbra-slideshow\">\n"
                       "    <comment>Vimbra slideshow</comment>\n"
                       "    <glob pattern=\"*.avl\"/>\n"
                       "  </mime-type>\n"),
              std::string::npos);
    EXPECT_NE(xml.find("  <mime-type type=\"image/jpeg\">\n"
                       "    <glob pattern=\"*.jpg\"/>\n"
                       "    <glob pattern=\"*.jpe\"/>\n"
                       "    <glob pattern=\"*.jpeg\"/>\n"
                       "  </mime-type>\n"),
              std::string::npos);
}

TEST(MimeappsList, ReadAndEdit) {
    const std::string text =
        "[Added Associations]\nimage/png=gimp.desktop;\n\n"
        "[Default Applications]\nimage/png=eog.desktop\nimage/jpeg = eog.desktop;gimp.desktop;\n"
        "\n[Removed Associations]\nimage/png=x.desktop\n";
    const auto defaults = ReadDefaultApplications(text);
    ASSERT_EQ(defaults.size(), 2u);
    EXPECT_EQ(defaults.at("image/png"), "eog.desktop");
    EXPECT_EQ(defaults.at("image/jpeg"), "eog.desktop;gimp.desktop;");

    // Replace one, remove one, add one before the next section; others untouched.
    EXPECT_EQ(WithDefaultApplications(text, {{"image/png", "vimbra.desktop"},
                                             {"image/jpeg", std::nullopt},
                                             {"image/tiff", "vimbra.desktop"}}),
              "[Added Associations]\nimage/png=gimp.desktop;\n\n"
              "[Default Applications]\nimage/png=vimbra.desktop\nimage/tiff=vimbra.desktop\n"
              "\n[Removed Associations]\nimage/png=x.desktop\n");
    // No section yet: it is added; a removal alone adds nothing.
    EXPECT_EQ(
        WithDefaultApplications("[Added Associations]\na/b=c.desktop\n", {{"image/png", "v"}}),
        "[Added Associations]\na/b=c.desktop\n\n[Default Applications]\nimage/png=v\n");
    EXPECT_EQ(WithDefaultApplications("", {{"image/png", std::nullopt}}), "");
}

TEST(Associations, SetTwiceThenRemoveRestoresTheUsersDefaults) {
    Desk d;
    const std::string original =
        "[Default Applications]\nimage/jpeg=eog.desktop\ntext/plain=gedit.desktop\n";
    WriteFile(d.mimeapps(), original);

    // .JPG and .WMF/.EMF.
    const AssociationOutcome set =
        SetAssociations(d.folders, "/usr/bin/vimbra", {3, 10}, d.runner());
    ASSERT_TRUE(set.ok) << set.message;
    EXPECT_EQ(set.message, "Vimbra opens 3 file type(s) now.");
    const std::string data = d.folders.dataHome;
    EXPECT_EQ(d.calls, (std::vector<Argv>{{"update-mime-database", data + "/mime"},
                                          {"update-desktop-database", data + "/applications"},
                                          {"xdg-mime", "default", "vimbra.desktop", "image/jpeg",
                                           "image/wmf", "image/emf"}}));
    EXPECT_EQ(ReadFile(d.backup()),
              "# Default applications before Vimbra was associated; restored on removal.\n"
              "image/emf=\nimage/jpeg=eog.desktop\nimage/wmf=\n");
    EXPECT_EQ(ReadFile(d.mimeapps()),
              "[Default Applications]\nimage/jpeg=vimbra.desktop\ntext/plain=gedit.desktop\n"
              "image/wmf=vimbra.desktop\nimage/emf=vimbra.desktop\n");
    EXPECT_EQ(ReadFile(QString::fromStdString(data) + "/applications/vimbra.desktop"),
              DesktopEntryText("/usr/bin/vimbra"));
    EXPECT_EQ(ReadFile(QString::fromStdString(data) + "/mime/packages/vimbra.xml"),
              MimePackageText());

    // Setting again, now with PNG too, keeps eog as the JPEG's previous default.
    ASSERT_TRUE(SetAssociations(d.folders, "/usr/bin/vimbra", {3, 6}, d.runner()).ok);
    EXPECT_EQ(ReadFile(d.backup()),
              "# Default applications before Vimbra was associated; restored on removal.\n"
              "image/emf=\nimage/jpeg=eog.desktop\nimage/png=\nimage/wmf=\n");

    d.calls.clear();
    const AssociationOutcome removed = RemoveAssociations(d.folders, d.runner());
    ASSERT_TRUE(removed.ok) << removed.message;
    EXPECT_EQ(ReadFile(d.mimeapps()), original);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(data) + "/applications/vimbra.desktop"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(data) + "/mime/packages/vimbra.xml"));
    EXPECT_FALSE(QFileInfo::exists(d.backup()));
    EXPECT_EQ(d.calls, (std::vector<Argv>{{"update-mime-database", data + "/mime"},
                                          {"update-desktop-database", data + "/applications"}}));
}

TEST(Associations, RemovalKeepsALaterChoiceOfTheUser) {
    Desk d;
    WriteFile(d.mimeapps(), "[Default Applications]\nimage/png=eog.desktop\n");
    ASSERT_TRUE(SetAssociations(d.folders, "/usr/bin/vimbra", {6, 9}, d.runner()).ok);
    // The user picks another viewer for TIFF afterwards.
    WriteFile(d.mimeapps(),
              "[Default Applications]\nimage/png=vimbra.desktop\nimage/tiff=gthumb.desktop\n");
    ASSERT_TRUE(RemoveAssociations(d.folders, d.runner()).ok);
    EXPECT_EQ(ReadFile(d.mimeapps()),
              "[Default Applications]\nimage/png=eog.desktop\nimage/tiff=gthumb.desktop\n");
}

TEST(Associations, NoBackupMeansNoChange) {
    Desk d;
    // The data folder is a file, so the backup cannot be written.
    WriteFile(d.dir.path() + "/app", "x");
    const AssociationOutcome r = SetAssociations(d.folders, "/usr/bin/vimbra", {6}, d.runner());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Nothing was changed."), std::string::npos);
    EXPECT_TRUE(d.calls.empty());
    EXPECT_FALSE(QFileInfo::exists(d.dir.path() + "/data/applications/vimbra.desktop"));
    EXPECT_FALSE(QFileInfo::exists(d.mimeapps()));
}

TEST(Associations, ChangeModeNamesAnotherProgramAndNeverAnEmptyType) {
    Desk d;
    const QString program = d.dir.path() + "/bin/my viewer";
    WriteFile(program, "#!/bin/sh\n");
    const AssociationOutcome r =
        ChangeAssociations(d.folders, {6}, program.toStdString(), d.runner());
    ASSERT_TRUE(r.ok) << r.message;
    const QString entry = d.dir.path() + "/data/applications/vimbra-userapp-my-viewer.desktop";
    EXPECT_EQ(ReadFile(entry), "[Desktop Entry]\nType=Application\nName=my viewer\nExec=\"" +
                                   program.toStdString() +
                                   "\" %f\nNoDisplay=true\nMimeType=image/png;\n");
    EXPECT_EQ(d.calls.back(),
              (Argv{"xdg-mime", "default", "vimbra-userapp-my-viewer.desktop", "image/png"}));
    EXPECT_EQ(ReadFile(d.mimeapps()),
              "[Default Applications]\nimage/png=vimbra-userapp-my-viewer.desktop\n");
    // Our own entry is not written in change mode.
    EXPECT_FALSE(QFileInfo::exists(d.dir.path() + "/data/applications/vimbra.desktop"));

    // A missing program changes nothing; removal takes the helper entry away too.
    EXPECT_FALSE(ChangeAssociations(d.folders, {6}, "/no/such/app", d.runner()).ok);
    ASSERT_TRUE(RemoveAssociations(d.folders, d.runner()).ok);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_EQ(ReadFile(d.mimeapps()), "[Default Applications]\n");
}

TEST(Associations, RealXdgMimeReadsTheDefaultBack) {
    if (!ProgramOnPath("xdg-mime")) GTEST_SKIP() << "xdg-mime not installed";
    Desk d;
    // xdg-mime reads the folders from the environment.
    setenv("XDG_DATA_HOME", d.folders.dataHome.c_str(), 1);
    setenv("XDG_CONFIG_HOME", d.folders.configHome.c_str(), 1);
    for (const char* v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                          "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID"})
        unsetenv(v);
    ASSERT_TRUE(SetAssociations(d.folders, "/usr/bin/vimbra", {3, 6}, ProcessRunner()).ok);
    EXPECT_EQ(RunProgram({"xdg-mime", "query", "default", "image/png"}).out, "vimbra.desktop\n");
    EXPECT_EQ(RunProgram({"xdg-mime", "query", "default", "image/jpeg"}).out, "vimbra.desktop\n");
    if (ProgramOnPath("update-mime-database")) {
        EXPECT_NE(ReadFile(QString::fromStdString(d.folders.dataHome) + "/mime/globs2")
                      .find("application/x-vimbra-slideshow:*.avl"),
                  std::string::npos);
    }
    ASSERT_TRUE(RemoveAssociations(d.folders, ProcessRunner()).ok);
    EXPECT_NE(RunProgram({"xdg-mime", "query", "default", "image/png"}).out, "vimbra.desktop\n");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace vimbra
