// File > Save as under the offscreen platform: the variants offered, the
// extension rule, the overwrite question, failures that must not count as
// saved, the remembered folder and the dialog's option controls.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "shell/save_options.h"
#include "shell/main_window_test_util.h"

using namespace vimbra;
using namespace vimbra::testing;

class MainWindowSaveTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

private slots:
    void init() { QFile::remove(fx_.path("settings.ini")); }

    void offersFifteenVariantsOrAllEighteenForBlackAndWhite() {
        auto form = fx_.formWith("colour.bmp");
        QVERIFY(form);
        fx_.answerSaveDialogs(*form, {});
        form->onSave();
        QCOMPARE(fx_.setups.size(), size_t(1));
        QCOMPARE(fx_.setups[0].filters.size(), 15);
        QCOMPARE(fx_.setups[0].filters[0], QStringLiteral("BMP (Windows Bitmap) (*.bmp)"));
        // PNG first; the name without its extension; no SaveDir yet: the file's folder.
        QCOMPARE(fx_.setups[0].format, 3);
        QCOMPARE(fx_.setups[0].name, QStringLiteral("colour"));
        QCOMPARE(QDir(fx_.setups[0].folder), QDir(fx_.dir.path()));

        // A 1-bit picture also offers the two fax variants and PackBits.
        Workspace mono;
        mono.setImage(Bitmap(16, 8, 1));
        const std::string monoPath =
            SaveImageFile(mono, fx_.path("mono.bmp").toStdString(), SaveFormat::Bmp).path;
        QVERIFY(form->openPicture(monoPath));
        QCOMPARE(form->workspace().ImageBitDepth, 1);
        form->onSave();
        QCOMPARE(fx_.setups.back().filters.size(), 18);
        QCOMPARE(fx_.setups.back().filters[11], QStringLiteral("TIF (Packbits TIFF) (*.tif)"));
    }

    void typedExtensionGivesWayToTheVariantsAndOptionsReachTheFile() {
        auto form = fx_.formWith("pic.bmp", 64, 48);
        QVERIFY(form);
        form->runMenuCommand("onNegative");
        QVERIFY(form->workspace().Modified);
        QDir(fx_.dir.path()).mkdir(QStringLiteral("out"));
        const QString out = fx_.path("out");
        fx_.answerSaveDialogs(*form, {{out + QStringLiteral("/typed.jpg"), 3, 75, false}});
        form->onSave();
        const QString png = out + QStringLiteral("/typed.png");
        QVERIFY(QFileInfo::exists(png));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/typed.jpg")));
        QVERIFY(ReadAll(png).startsWith("\x89PNG"));
        QVERIFY(!form->workspace().Modified);
        QCOMPARE(form->workspace().CurrentFileName, png.toStdString());
        QCOMPARE(form->windowTitle(), QStringLiteral("typed.png - Vimbra 6.71"));
        QCOMPARE(form->fileNameItem()->text(), QStringLiteral("typed.png"));
        // The new name joined the bookmarks and is the one shown.
        QCOMPARE(form->bookmarks().size(), size_t(2));
        QCOMPARE(form->pathBox()->text(), png);

        // The next dialog starts in the folder saved to, with the variant kept.
        fx_.answerSaveDialogs(*form, {{out + QStringLiteral("/low"), 5, 10, true},
                       {out + QStringLiteral("/high"), 5, 95, false}});
        form->onSave();
        QCOMPARE(QDir(fx_.setups[0].folder), QDir(out));
        QCOMPARE(fx_.setups[0].format, 3);
        form->onSave();
        // The dialog's options are kept too.
        QCOMPARE(fx_.setups[1].format, 5);
        QCOMPARE(fx_.setups[1].quality, 10);
        QVERIFY(fx_.setups[1].progressive);
        const QByteArray low = ReadAll(out + QStringLiteral("/low.jpg"));
        const QByteArray high = ReadAll(out + QStringLiteral("/high.jpg"));
        QVERIFY(low.startsWith("\xFF\xD8"));
        // Progressive frames start with SOF2, baseline ones with SOF0.
        QVERIFY(low.contains("\xFF\xC2"));
        QVERIFY(!high.contains("\xFF\xC2"));
        // The first luminance quantiser: libjpeg scales 16 by 5000 ÷ q percent
        // below 50 and by 200 − 2q percent above: 80 at 10, 2 at 95.
        const qsizetype lowDqt = low.indexOf("\xFF\xDB"), highDqt = high.indexOf("\xFF\xDB");
        QVERIFY(lowDqt > 0 && highDqt > 0);
        QCOMPARE(int(uint8_t(low[lowDqt + 5])), 80);
        QCOMPARE(int(uint8_t(high[highDqt + 5])), 2);

        // The folder is kept for the next run.
        QVERIFY(form->close());
        QSettings written(fx_.path("settings.ini"), QSettings::IniFormat);
        QCOMPARE(QDir(written.value(QStringLiteral("SaveDir")).toString()), QDir(out));
    }

    void overwriteQuestionNoAsksAgainCancelStops() {
        auto form = fx_.formWith("same.bmp");
        QVERIFY(form);
        const QString target = fx_.path("taken.png");
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
        f.close();
        // No: the dialog comes back with the name; Cancel there saves nothing.
        fx_.replies = {Reply::No};
        fx_.answerSaveDialogs(*form, {{target, 3, 75, false}});
        form->onSave();
        QCOMPARE(fx_.setups.size(), size_t(2));
        QCOMPARE(fx_.setups[1].name, QStringLiteral("taken.png"));
        QCOMPARE(fx_.asked.back(), std::string("taken.png exists.\nOverwrite?"));
        QCOMPARE(fx_.offered.back(), (std::vector<Reply>{Reply::Yes, Reply::No, Reply::Cancel}));
        QCOMPARE(ReadAll(target), QByteArray("old"));
        // Cancel in the question ends at once.
        fx_.replies = {Reply::Cancel};
        fx_.answerSaveDialogs(*form, {{target, 3, 75, false}, {target, 3, 75, false}});
        form->onSave();
        QCOMPARE(fx_.setups.size(), size_t(1));
        QCOMPARE(ReadAll(target), QByteArray("old"));
        // Yes writes over it.
        fx_.replies = {Reply::Yes};
        fx_.answerSaveDialogs(*form, {{target, 3, 75, false}});
        form->onSave();
        QVERIFY(ReadAll(target).startsWith("\x89PNG"));
    }

    void failedWritesLeaveThePictureUnsaved() {
        // 64 × 48 × 3 bytes need 8192 after rounding down to 4096s.
        auto form = fx_.formWith("keep.bmp", 64, 48);
        QVERIFY(form);
        const std::string before = form->workspace().CurrentFileName;
        form->runMenuCommand("onNegative");
        QVERIFY(form->workspace().Modified);
        // No such folder: a write failure, the picture still counts as changed.
        const QString nowhere = fx_.path("no such folder/x.png");
        fx_.answerSaveDialogs(*form, {{nowhere, 3, 75, false}});
        form->onSave();
        QVERIFY(QString::fromStdString(fx_.asked.back()).startsWith(QStringLiteral("Vimbra 6.71 Write failure.\nSave Format=3\n")));
        QVERIFY(form->workspace().Modified);
        QCOMPARE(form->workspace().CurrentFileName, before);
        QCOMPARE(form->statusPanelText(0), QStringLiteral("Ready."));
        // Too little room: the warning, nothing written, nothing forgotten.
        form->freeSpaceHook = [](const std::string&) { return std::optional<uint64_t>(2048); };
        const QString full = fx_.path("full.png");
        fx_.answerSaveDialogs(*form, {{full, 3, 75, false}});
        form->onSave();
        QVERIFY(QString::fromStdString(fx_.asked.back()).startsWith(QStringLiteral("Insufficient disk space.\n")));
        QVERIFY(QString::fromStdString(fx_.asked.back()).endsWith(QStringLiteral("Save operation failed.")));
        QVERIFY(!QFileInfo::exists(full));
        QVERIFY(form->workspace().Modified);
        QCOMPARE(form->workspace().CurrentFileName, before);
        form->workspace().Modified = false;
    }

    void adobeTiffWarningUntilIgnored() {
        auto form = fx_.formWith("tiff.bmp");
        QVERIFY(form);
        fx_.asked.clear();
        form->SaveDialogTypeChange(8);
        QVERIFY(fx_.asked.empty());
        fx_.replies = {Reply::Ok};
        form->SaveDialogTypeChange(9);
        QCOMPARE(fx_.asked.back(), std::string(kAdobeTiffWarning));
        QCOMPARE(fx_.offered.back(), (std::vector<Reply>{Reply::Ok, Reply::Ignore}));
        fx_.replies = {Reply::Ignore};
        form->SaveDialogTypeChange(9);
        QCOMPARE(fx_.asked.size(), size_t(2));
        form->SaveDialogTypeChange(9);
        QCOMPARE(fx_.asked.size(), size_t(2));
    }

    void dialogEnablesTheControlsOfTheVariant() {
        SaveDialogSetup setup;
        setup.folder = fx_.dir.path();
        setup.name = QStringLiteral("x");
        setup.filters = SaveNameFilters(24);
        setup.format = 5;
        setup.quality = 40;
        setup.progressive = true;
        SaveAsDialog dlg(setup);
        std::vector<int> changes;
        dlg.typeChanged = [&](int f) { changes.push_back(f); };
        QVERIFY(dlg.Quality->isEnabled());
        QVERIFY(dlg.Progressive->isEnabled());
        QCOMPARE(dlg.Quality->value(), 40);
        QCOMPARE(dlg.QualityLabel->text(), QStringLiteral("&Quality 40 (JPEG 40)"));
        dlg.setFormat(3);
        QVERIFY(!dlg.Quality->isEnabled());
        QVERIFY(dlg.Progressive->isEnabled());
        dlg.setFormat(1);
        QVERIFY(!dlg.Quality->isEnabled());
        QVERIFY(!dlg.Progressive->isEnabled());
        dlg.Quality->setValue(100);
        QCOMPARE(dlg.choice().quality, 100);
        QVERIFY(dlg.choice().progressive);
        QCOMPARE(dlg.choice().format, 1);
        QCOMPARE(changes, (std::vector<int>{3, 1}));
    }
};

QTEST_MAIN(MainWindowSaveTest)
#include "main_window_save_qtest.moc"
