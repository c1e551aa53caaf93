// The thumbnail grid offscreen: the folder's pictures in name order with their
// names as accessible names, a placeholder with the reason for a broken file,
// keyboard moves, opening by Enter and double click, and View > Thumbnails in
// the main window with the selection following the viewer's picture.
#include <QAccessible>
#include <QAction>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <QLabel>
#include <QScrollArea>

#include "shell/main_window_test_util.h"
#include "shell/thumbnail_grid.h"
#include "thumbnails/thumbnail_paths.h"

using namespace vimbra;
using namespace vimbra::testing;

class ThumbnailGridTest : public QObject {
    Q_OBJECT

private:
    // The benchmark's cache, taken before initTestCase points XDG_CACHE_HOME at the fixture.
    const std::string benchCache_ = thumbs::CacheRootFromEnvironment();
    WindowFixture fx_;
    QStringList names_;  // the pictures, in the order the grid shows them

    QString pic(int i) const { return fx_.path(names_[i].toUtf8().constData()); }

    // A grid over the fixture's folder, shown, listed and every visible cell made.
    std::unique_ptr<ThumbnailGrid> shownGrid(thumbs::ThumbnailCache cache) {
        auto grid = std::make_unique<ThumbnailGrid>(nullptr, std::move(cache));
        grid->resize(560, 420);
        grid->show();
        if (!QTest::qWaitForWindowExposed(grid.get())) return nullptr;
        QSignalSpy shown(grid.get(), &ThumbnailGrid::folderShown);
        grid->showFolder(fx_.dir.path(), pic(2));
        if (!shown.wait(5000)) return nullptr;
        // Painted, and the painted cells made.
        ThumbnailGridModel* m = grid->gridModel();
        const auto made = [&] {
            return m->idle() && m->index(0).data(ThumbnailGridModel::kStateRole).toInt() != ThumbnailGridModel::Waiting;
        };
        if (!QTest::qWaitFor(made, 10000)) return nullptr;
        return grid;
    }

    int row(const ThumbnailGrid& grid) const { return grid.currentIndex().row(); }

private slots:
    void initTestCase() {
        qputenv("XDG_CACHE_HOME", fx_.path("cache").toUtf8());
        QVERIFY(QDir().mkpath(fx_.path("data")));
        qputenv("XDG_DATA_HOME", fx_.path("data").toUtf8());  // the trash
        // Twenty pictures, named so that case-folded order differs from byte order.
        for (int i = 0; i < 20; ++i) {
            const QString name = QStringLiteral("%1pic%2.bmp").arg(i % 2 ? QLatin1Char('P') : QLatin1Char('p')).arg(i, 2, 10, QLatin1Char('0'));
            WriteFlatPicture(fx_.path(name.toUtf8().constData()), 60 + i, 40, 10, 20, uint8_t(30 + i));
            names_ << name;
        }
        QVERIFY(WriteAll(fx_.path("zpic broken.bmp"), "BM not really"));
        names_ << QStringLiteral("zpic broken.bmp");
        QVERIFY(WriteAll(fx_.path("readme.txt"), "not a picture"));
    }

    void listsPicturesWithNamesAndPlaceholders() {
        auto grid = shownGrid(thumbs::ThumbnailCache());
        QVERIFY(grid);
        ThumbnailGridModel* m = grid->gridModel();
        QCOMPARE(m->rowCount(), names_.size());
        for (int i = 0; i < m->rowCount(); ++i) {
            QCOMPARE(m->index(i).data(Qt::DisplayRole).toString(), names_[i]);
            QCOMPARE(m->index(i).data(Qt::AccessibleTextRole).toString(), names_[i]);
        }
        // The selection starts on the file asked for.
        QCOMPARE(row(*grid), 2);
        // Cells are found by path whatever its spelling; names not listed are not.
        QCOMPARE(m->rowOf(fx_.dir.path() + QStringLiteral("/./") + names_[5]), 5);
        QCOMPARE(m->rowOf(fx_.dir.path() + QStringLiteral("/../") + QDir(fx_.dir.path()).dirName() +
                          QLatin1Char('/') + names_[0]), 0);
        QCOMPARE(m->rowOf(fx_.path("readme.txt")), -1);
        QCOMPARE(m->rowOf(pic(3).toLower()), -1);  // case counts
        QCOMPARE(m->rowOf(QString()), -1);

        const QModelIndex first = m->index(0);
        QCOMPARE(first.data(ThumbnailGridModel::kStateRole).toInt(), int(ThumbnailGridModel::Ready));
        QCOMPARE(first.data(Qt::DecorationRole).value<QPixmap>().size(), QSize(60, 40));
        QVERIFY(QFile::exists(QString::fromStdString(thumbs::ThumbnailPath(
            fx_.path("cache/thumbnails").toStdString(), thumbs::ThumbSize::Normal,
            thumbs::FileUri(pic(0).toStdString())))));

        // Cells out of view are not made until they come into view.
        const QModelIndex broken = m->index(m->rowCount() - 1);
        QVERIFY(!grid->viewport()->rect().intersects(grid->visualRect(broken)));
        QCOMPARE(broken.data(ThumbnailGridModel::kStateRole).toInt(), int(ThumbnailGridModel::Waiting));
        // The cells as a screen reader finds them.
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(grid.get());
        QVERIFY(view);
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Thumbnails"));
        QVERIFY(view->childCount() >= 3);
        QCOMPARE(view->child(0)->text(QAccessible::Name), names_[0]);
        // The broken file: a placeholder, the reader's reason as tool tip.
        grid->scrollToBottom();
        QTRY_COMPARE(broken.data(ThumbnailGridModel::kStateRole).toInt(), int(ThumbnailGridModel::Failed));
        QVERIFY2(broken.data(Qt::ToolTipRole).toString().contains(QStringLiteral("BMP")),
                 qPrintable(broken.data(Qt::ToolTipRole).toString()));
        QVERIFY(!broken.data(Qt::DecorationRole).value<QPixmap>().isNull());
    }

    void keysMoveTheSelection() {
        auto grid = shownGrid(thumbs::ThumbnailCache());
        QVERIFY(grid);
        const int columns = std::max(1, grid->viewport()->width() / grid->gridSize().width());
        QVERIFY(columns > 1 && columns < names_.size());
        QTest::keyClick(grid.get(), Qt::Key_Home);
        QCOMPARE(row(*grid), 0);
        QTest::keyClick(grid.get(), Qt::Key_Right);
        QCOMPARE(row(*grid), 1);
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(row(*grid), 1 + columns);
        QTest::keyClick(grid.get(), Qt::Key_Left);
        QCOMPARE(row(*grid), columns);
        QTest::keyClick(grid.get(), Qt::Key_Up);
        QCOMPARE(row(*grid), 0);
        QTest::keyClick(grid.get(), Qt::Key_End);
        QCOMPARE(row(*grid), names_.size() - 1);
        QTest::keyClick(grid.get(), Qt::Key_Home);
        QTest::keyClick(grid.get(), Qt::Key_PageDown);
        // A page is the rows in full view.
        const int rowsShown = std::max(1, grid->viewport()->height() / grid->gridSize().height());
        QCOMPARE(row(*grid), rowsShown * columns);
        QTest::keyClick(grid.get(), Qt::Key_End);
        QTest::keyClick(grid.get(), Qt::Key_PageDown);
        QCOMPARE(row(*grid), names_.size() - 1);
        QTest::keyClick(grid.get(), Qt::Key_Home);
        QTest::keyClick(grid.get(), Qt::Key_PageDown);
        QTest::keyClick(grid.get(), Qt::Key_PageUp);
        QCOMPARE(row(*grid), 0);
        QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 1);
    }

    void enterAndDoubleClickOpen() {
        auto grid = shownGrid(thumbs::ThumbnailCache());
        QVERIFY(grid);
        QSignalSpy open(grid.get(), &ThumbnailGrid::openRequested);
        QTest::keyClick(grid.get(), Qt::Key_Right);
        QTest::keyClick(grid.get(), Qt::Key_Return);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open.takeFirst().at(0).toString(), pic(3));
        const QRect cell = grid->visualRect(grid->gridModel()->index(1));
        // As the window system sends one: press, release, double click, release.
        SendMouse(grid->viewport(), QEvent::MouseButtonPress, cell.center(), Qt::LeftButton);
        SendMouse(grid->viewport(), QEvent::MouseButtonRelease, cell.center(), Qt::NoButton);
        QVERIFY(open.isEmpty());  // a single click only selects
        SendMouse(grid->viewport(), QEvent::MouseButtonDblClick, cell.center(), Qt::LeftButton);
        SendMouse(grid->viewport(), QEvent::MouseButtonRelease, cell.center(), Qt::NoButton);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open.last().at(0).toString(), pic(1));
    }

    void unwritableCacheSaysSoOnce() {
        QVERIFY(WriteAll(fx_.path("blocker"), "x"));
        auto grid = std::make_unique<ThumbnailGrid>(
            nullptr, thumbs::ThumbnailCache(fx_.path("blocker/thumbnails").toStdString()));
        QSignalSpy unwritable(grid->gridModel(), &ThumbnailGridModel::cacheUnwritable);
        grid->resize(560, 420);
        grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
        grid->showFolder(fx_.dir.path(), {});
        QTRY_VERIFY(grid->gridModel()->rowCount() > 0 && grid->gridModel()->idle() &&
                    grid->gridModel()->index(0).data(ThumbnailGridModel::kStateRole).toInt() != 0);
        QCOMPARE(unwritable.size(), 1);
        QVERIFY(unwritable.at(0).at(0).toString().contains(QStringLiteral("blocker")));
        QCOMPARE(grid->gridModel()->index(0).data(ThumbnailGridModel::kStateRole).toInt(),
                 int(ThumbnailGridModel::Ready));
    }

    void viewMenuSwitchesAndFollowsThePicture() {
        auto form = fx_.makeWindow({pic(4)});
        QVERIFY(form);
        QTRY_COMPARE(QString::fromStdString(form->workspace().CurrentFileName), pic(4));
        QAction* item = form->action("onThumbnails");
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
        item->trigger();
        ThumbnailGrid* grid = form->thumbnailGrid();
        QVERIFY(grid);
        QTRY_VERIFY(grid->isVisible() && grid->gridModel()->rowCount() == names_.size());
        QVERIFY(item->isChecked());
        QCOMPARE(grid->currentFile(), pic(4));
        // Page Down moves in the grid, not to the viewer's next picture.
        QTest::keyClick(grid, Qt::Key_PageDown);
        QCOMPARE(QString::fromStdString(form->workspace().CurrentFileName), pic(4));
        QTest::keyClick(grid, Qt::Key_Home);
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Enter);
        QTRY_COMPARE(QString::fromStdString(form->workspace().CurrentFileName), pic(1));
        QVERIFY(!grid->isVisible());
        QVERIFY(!item->isChecked());
        QVERIFY(form->scrollBox()->isVisible());

        // The viewer moves on; back in the grid the selection is its picture.
        QVERIFY(form->openPicture(pic(7).toStdString(), false));
        item->trigger();
        QTRY_VERIFY(grid->isVisible());
        QCOMPARE(grid->currentFile(), pic(7));
        QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 1);
        item->trigger();
        QVERIFY(!grid->isVisible());
        QCOMPARE(QString::fromStdString(form->workspace().CurrentFileName), pic(7));
    }

    // VIMBRA_GRID_SCREENSHOT=OUT.png draws the README's picture of the grid over samples/.
    void screenshotForTheReadme() {
        const QString out = qEnvironmentVariable("VIMBRA_GRID_SCREENSHOT");
        if (out.isEmpty()) QSKIP("VIMBRA_GRID_SCREENSHOT not set");
        auto form = fx_.makeWindow({QStringLiteral(VIMBRA_SOURCE_DIR "/samples/colour_chart.bmp")});
        QVERIFY(form);
        form->resize(640, 420);
        form->action("onThumbnails")->trigger();
        ThumbnailGrid* grid = form->thumbnailGrid();
        QTRY_VERIFY(grid->gridModel()->rowCount() > 0 && grid->gridModel()->idle() &&
                    grid->gridModel()->index(0).data(ThumbnailGridModel::kStateRole).toInt() != 0);
        QTest::qWait(100);
        QVERIFY(form->grab().save(out));
    }

    // VIMBRA_GRID_BENCH_DIR=FOLDER (bench/thumbnail_bench.sh) prints the time from
    // asking for the folder to every visible cell drawn with its thumbnail.
    void firstScreenOfAFolder() {
        const QString folder = qEnvironmentVariable("VIMBRA_GRID_BENCH_DIR");
        if (folder.isEmpty()) QSKIP("VIMBRA_GRID_BENCH_DIR not set");
        ThumbnailGrid grid(nullptr, thumbs::ThumbnailCache(benchCache_));
        grid.resize(1000, 700);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QElapsedTimer clock;
        clock.start();
        grid.showFolder(folder, {});
        ThumbnailGridModel* m = grid.gridModel();
        const auto screenDone = [&] {
            if (m->rowCount() == 0) return false;
            for (int i = 0; i < m->rowCount(); ++i) {
                if (!grid.viewport()->rect().intersects(grid.visualRect(m->index(i)))) break;
                if (m->index(i).data(ThumbnailGridModel::kStateRole).toInt() == ThumbnailGridModel::Waiting)
                    return false;
            }
            return true;
        };
        // Woken by the model rather than polling, as the program's own event loop is.
        QEventLoop loop;
        const auto check = [&] {
            if (screenDone()) loop.quit();
        };
        connect(m, &QAbstractItemModel::dataChanged, &loop, check, Qt::QueuedConnection);
        connect(m, &QAbstractItemModel::modelReset, &loop, check, Qt::QueuedConnection);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        QVERIFY(screenDone());
        std::printf("first screen: %lld ms (%d files)\n", static_cast<long long>(clock.elapsed()), m->rowCount());
    }

    void deleteRecyclesTheSelectedPicture() {
        // Last: the folder loses a picture.
        auto form = fx_.makeWindow({pic(0)});
        QVERIFY(form);
        QTRY_COMPARE(QString::fromStdString(form->workspace().CurrentFileName), pic(0));
        form->action("onThumbnails")->trigger();
        ThumbnailGrid* grid = form->thumbnailGrid();
        QTRY_COMPARE(grid->gridModel()->rowCount(), names_.size());
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Right);
        const QString gone = pic(2);
        QTest::keyClick(grid, Qt::Key_Delete);
        QTRY_COMPARE(grid->gridModel()->rowCount(), names_.size() - 1);
        QVERIFY(!QFile::exists(gone));
        QVERIFY(QFile::exists(fx_.path("data/Trash/files/") + names_[2]));
        QVERIFY(QFile::exists(pic(0)));
        QVERIFY(grid->isVisible());
        QCOMPARE(grid->gridModel()->rowOf(gone), -1);
        QCOMPARE(grid->currentFile(), QString::fromStdString(form->workspace().CurrentFileName));
        names_.removeAt(2);
    }
};

QTEST_MAIN(ThumbnailGridTest)
#include "thumbnail_grid_qtest.moc"
