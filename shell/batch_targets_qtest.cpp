// Tools > Batch > to WebP, to AVIF and to JPEG XL: the same conversion the
// command line's batch-convert --to webp|avif|jxl runs, picture for picture.
#include <QAction>
#include <QDir>

#include "batch/batch_convert.h"
#include "batch/gui/list_dialog.h"
#include "imagefiles/load_dispatch.h"
#include "shell/main_window_test_util.h"

using namespace vimbra;
using namespace vimbra::testing;

class BatchTargetsTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    QTemporaryDir dataHome_;

    QString makeDir(const QString& name) {
        const QString p = fx_.path(name.toUtf8().constData());
        QDir().mkpath(p);
        return p;
    }

private slots:
    void initTestCase() { qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8()); }

    void eachNewTargetWritesWhatTheCommandLineWrites() {
        const QString src = makeDir("src");
        const std::vector<std::string> files = {WriteFlatPicture(src + "/a.bmp", 24, 16, 40, 80, 120),
                                                WriteFlatPicture(src + "/b.bmp", 9, 13, 200, 10, 60)};
        for (const ConvertFormat format : {ConvertFormat::Webp, ConvertFormat::Avif, ConvertFormat::Jxl}) {
            const QString ext = QString::fromLatin1(ConvertExtension(format));
            const QString out = makeDir("gui" + ext), cli = makeDir("cli" + ext);
            auto form = fx_.makeWindow();
            QVERIFY(form);
            form->openFiles(files);
            int listMode = -1;
            form->listDialogHook = [&](int mode, const QString&, QStringList& list) {
                listMode = mode;
                return int(list.size());
            };
            QString folderCaption;
            form->folderHook = [&](const QString& caption, const QString&, const QString&) {
                folderCaption = caption;
                return out;
            };
            QAction* action = form->action("onBatchConvert", int(format));
            QVERIFY(action);
            QVERIFY(action->isEnabled());
            QVERIFY(!action->text().isEmpty());
            action->trigger();
            QCOMPARE(listMode, ConvertListMode(format));
            QCOMPARE(folderCaption, QStringLiteral("Select Target Folder for %1 files").arg(ext));

            // batch-convert's job: the same files, folder apart, defaults alike.
            BatchConvertJob job;
            job.files = files;
            job.folder = cli.toStdString();
            job.format = format;
            Workspace ws;
            QVERIFY(BatchConvert(ws, job).completed());
            const QStringList names = QDir(out).entryList(QDir::Files, QDir::Name);
            QCOMPARE(names, QDir(cli).entryList(QDir::Files, QDir::Name));
            QCOMPARE(names, (QStringList{"a" + ext, "b" + ext}));
            for (const QString& name : names) {
                const DecodedPicture gui = ReadImageFile((out + "/" + name).toStdString());
                const DecodedPicture line = ReadImageFile((cli + "/" + name).toStdString());
                QVERIFY2(gui.bitmap == line.bitmap, qPrintable(name));
            }
        }
    }
};

QTEST_MAIN(BatchTargetsTest)
#include "batch_targets_qtest.moc"
