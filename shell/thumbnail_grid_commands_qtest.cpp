// The grid's selection as the window's commands see it, offscreen: two of
// three cells selected (the later one first, so grid order and click order
// differ) are bookmarked, played as a slideshow and converted (the batch
// editor's script performed on each when it is open), from the grid's context
// menu and from the window's own menu items.
#include <QAccessible>
#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QLineEdit>

#include "batch/batch_convert.h"
#include "imagefiles/load_dispatch.h"
#include "shell/main_window_test_util.h"
#include "shell/script_window.h"
#include "shell/thumbnail_grid.h"
#include "slideshow/gui/show_window.h"

using namespace vimbra;
using namespace vimbra::testing;

class ThumbnailGridCommandsTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    QStringList pics_;  // in grid order

    // A form showing pics_[0], switched to the grid of its folder.
    std::unique_ptr<MainWindow> gridForm() {
        auto form = fx_.makeWindow({pics_[0]});
        if (!form || !QTest::qWaitFor([&] { return form->workspace().CurrentFileName == pics_[0].toStdString(); }))
            return nullptr;
        form->action("onThumbnails")->trigger();
        ThumbnailGrid* grid = form->thumbnailGrid();
        if (!grid || !QTest::qWaitFor([&] { return grid->isVisible() && grid->gridModel()->rowCount() == 3; }))
            return nullptr;
        return form;
    }

    static QPoint cell(ThumbnailGrid* grid, int row) {
        return grid->visualRect(grid->gridModel()->index(row)).center();
    }

    // The third cell, then the first with Ctrl held.
    static void selectFirstAndLast(ThumbnailGrid* grid) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell(grid, 2));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cell(grid, 0));
    }

    // A right click on the cell, as the window system sends one; the menu it opened.
    static QMenu* rightClick(ThumbnailGrid* grid, int row) {
        const QPoint at = cell(grid, row);
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &e);
        return grid->contextMenu()->isVisible() ? grid->contextMenu() : nullptr;
    }

    static QAction* item(QMenu* menu, const char* name) {
        return menu->findChild<QAction*>(QString::fromLatin1(name));
    }

    QStringList bookmarks(MainWindow& form) const {
        QStringList out;
        for (const std::string& e : form.bookmarks().entries()) out << QString::fromStdString(e);
        return out;
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CACHE_HOME", fx_.path("cache").toUtf8());
        for (const char* name : {"a1.bmp", "b2.bmp", "c3.bmp"}) {
            const int n = int(pics_.size());
            WriteFlatPicture(fx_.path(name), 30 + 10 * n, 20, uint8_t(40 * n), 90, 200);
            pics_ << fx_.path(name);
        }
    }

    void bookmarkingFromTheContextMenu() {
        auto form = gridForm();
        QVERIFY(form);
        ThumbnailGrid* grid = form->thumbnailGrid();
        form->action("onHistoryClear")->trigger();
        QVERIFY(form->bookmarks().empty());
        selectFirstAndLast(grid);
        QCOMPARE(grid->selectedFiles(), (QStringList{pics_[0], pics_[2]}));

        // A right click on a selected cell keeps the selection.
        QMenu* menu = rightClick(grid, 2);
        QVERIFY(menu);
        QCOMPARE(grid->selectedFiles().size(), 2);
        QVERIFY(item(menu, "ThumbnailBookmark")->isEnabled());
        QVERIFY(item(menu, "ThumbnailSlideshow")->isEnabled());
        QVERIFY(grid->convertMenu()->isEnabled());
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(menu);
        QVERIFY(access);
        QCOMPARE(access->text(QAccessible::Name), QStringLiteral("Thumbnail commands"));
        QStringList names;
        for (int i = 0; i < access->childCount(); ++i)
            if (!access->child(i)->text(QAccessible::Name).isEmpty()) names << access->child(i)->text(QAccessible::Name);
        QCOMPARE(names, (QStringList{"Open", "Bookmark", "Slideshow", "Convert", "Delete"}));
        item(menu, "ThumbnailBookmark")->trigger();
        menu->hide();
        QCOMPARE(bookmarks(*form), (QStringList{pics_[0], pics_[2]}));
        QCOMPARE(form->pathBox()->text(), pics_[0]);

        // Bookmarked already: nothing doubles. A right click beside the
        // selection acts on the cell clicked alone, and it goes last.
        menu = rightClick(grid, 0);
        item(menu, "ThumbnailBookmark")->trigger();
        menu->hide();
        QCOMPARE(bookmarks(*form).size(), 2);
        menu = rightClick(grid, 1);
        QVERIFY(menu);
        QCOMPARE(grid->selectedFiles(), QStringList{pics_[1]});
        QVERIFY(!item(menu, "ThumbnailSlideshow")->isEnabled());
        QVERIFY(!grid->convertMenu()->isEnabled());
        item(menu, "ThumbnailBookmark")->trigger();
        menu->hide();
        QCOMPARE(bookmarks(*form), (QStringList{pics_[0], pics_[2], pics_[1]}));

        // The menu key opens it at the current cell, the selection as it is.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell(grid, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cell(grid, 2));
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), grid->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(grid, &key);
        QVERIFY(menu->isVisible());
        QVERIFY(menu->geometry().contains(grid->viewport()->mapToGlobal(cell(grid, 2))));
        QVERIFY(!menu->geometry().contains(grid->mapToGlobal(QPoint(1, 1))));
        QCOMPARE(grid->selectedFiles().size(), 2);
        menu->hide();
    }

    void slideshowOverTheSelection() {
        auto form = gridForm();
        QVERIFY(form);
        form->showsFullScreen = false;
        ThumbnailGrid* grid = form->thumbnailGrid();
        const QStringList marks = bookmarks(*form);
        QAction* run = form->action("onHistorySlideshow");
        // One picture selected (the viewer's): no show.
        QCOMPARE(grid->selectedFiles(), QStringList{pics_[0]});
        QVERIFY(!run->isEnabled());
        selectFirstAndLast(grid);
        QVERIFY(run->isEnabled());

        run->trigger();  // Bookmarks > Run, Ctrl+R
        ShowWindow* show = form->showWindow();
        QVERIFY(show);
        // "Slide 1 of 2 \n /path": every slide of the show, in order.
        const auto slide = [&] { return form->windowTitle(); };
        QStringList seen{slide()};
        for (int i = 0; i < 3; ++i) {
            show->runner().requestAdvance();
            show->tick();
            QTRY_VERIFY(slide() != seen.last());
            seen << slide();
        }
        QCOMPARE(seen, (QStringList{"Slide 1 of 2 \n " + pics_[0], "Slide 2 of 2 \n " + pics_[2],
                                    "Slide 1 of 2 \n " + pics_[0], "Slide 2 of 2 \n " + pics_[2]}));
        QTest::keyClick(show, Qt::Key_Escape);
        QVERIFY(!form->showWindow());
        // The bookmarks and the viewer's picture are as they were; the grid is back.
        QCOMPARE(bookmarks(*form), marks);
        QCOMPARE(QString::fromStdString(form->workspace().CurrentFileName), pics_[0]);
        QVERIFY(grid->isVisible());
        QCOMPARE(grid->selectedFiles(), (QStringList{pics_[0], pics_[2]}));

        // The context menu's Slideshow is the same show.
        QMenu* menu = rightClick(grid, 0);
        item(menu, "ThumbnailSlideshow")->trigger();
        menu->hide();
        QVERIFY(form->showWindow());
        QCOMPARE(form->windowTitle(), "Slide 1 of 2 \n " + pics_[0]);
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);
        QVERIFY(!form->showWindow());
        // And so is Ctrl+R in the grid.
        QVERIFY(ActivateForm(*form));
        QTest::keyClick(grid, Qt::Key_R, Qt::ControlModifier);
        QVERIFY(form->showWindow());
        QCOMPARE(form->windowTitle(), "Slide 1 of 2 \n " + pics_[0]);
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);

        // Back in the viewer the show is the bookmarks' again: one, so none.
        form->action("onThumbnails")->trigger();
        QVERIFY(!run->isEnabled());
    }

    void conversionOfTheSelection() {
        auto form = gridForm();
        QVERIFY(form);
        ThumbnailGrid* grid = form->thumbnailGrid();
        QStringList listed;
        form->listDialogHook = [&](int, const QString&, QStringList& list) {
            listed = list;
            return int(list.size());
        };
        QString folder = fx_.path("png");
        QVERIFY(QDir().mkpath(folder));
        form->folderHook = [&](const QString&, const QString&, const QString&) { return folder; };
        selectFirstAndLast(grid);

        // The context menu's Convert holds the window's own Tools > Batch items.
        QMenu* menu = rightClick(grid, 0);
        QVERIFY(menu);
        QAction* png = form->action("onBatchConvert", 2);
        QVERIFY(grid->convertMenu()->actions().contains(png));
        QCOMPARE(grid->convertMenu()->actions().size(), int(ConvertFormat::Jxl) + 1);
        QVERIFY(png->isEnabled());
        // Rename, move and delete still work on the bookmarks: one, so not at all.
        QVERIFY(!form->action("onBatchRename")->isEnabled());
        png->trigger();
        menu->hide();
        QCOMPARE(listed, (QStringList{pics_[0], pics_[2]}));
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"a1.png", "c3.png"}));
        for (const auto& [name, width] : {std::pair{"a1.png", 30}, std::pair{"c3.png", 50}}) {
            Workspace ws;
            QVERIFY(LoadImageFile(ws, (folder + QLatin1Char('/') + QLatin1String(name)).toStdString()).ok);
            QCOMPARE(ws.Image.width(), width);
        }
        QCOMPARE(bookmarks(*form), QStringList{pics_[0]});
        QCOMPARE(QString::fromStdString(form->workspace().CurrentFileName), pics_[0]);

        // Tools > Batch > to BMP while the grid is shown: the selection again.
        folder = fx_.path("bmp");
        QVERIFY(QDir().mkpath(folder));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cell(grid, 2));
        QCOMPARE(grid->selectedFiles().size(), 3);
        emit form->topMenu(QStringLiteral("&Tools"))->aboutToShow();
        form->action("onBatchConvert", 1)->trigger();
        QCOMPARE(listed, pics_);
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"a1.bmp", "b2.bmp", "c3.bmp"}));

        // In the viewer the batch needs two bookmarks again.
        form->action("onThumbnails")->trigger();
        emit form->topMenu(QStringLiteral("&Tools"))->aboutToShow();
        QVERIFY(!form->action("onBatchConvert", 1)->isEnabled());
    }

    void conversionRunsTheEditorsScriptOnTheSelection() {
        auto form = gridForm();
        QVERIFY(form);
        ThumbnailGrid* grid = form->thumbnailGrid();
        form->listDialogHook = [](int, const QString&, QStringList& list) { return int(list.size()); };
        const QString folder = fx_.path("negative");
        QVERIFY(QDir().mkpath(folder));
        form->folderHook = [&](const QString&, const QString&, const QString&) { return folder; };
        form->action("onBatchEditor")->trigger();
        form->scriptWindow(false)->setScript(QStringLiteral("NEGATIVE"));
        QVERIFY(grid->isVisible());
        selectFirstAndLast(grid);
        fx_.asked.clear();
        emit form->topMenu(QStringLiteral("&Tools"))->aboutToShow();
        form->action("onBatchConvert", 2)->trigger();
        // Asked whether to perform the script first; answered Yes.
        QCOMPARE(fx_.asked.size(), size_t(1));
        QVERIFY(QString::fromStdString(fx_.asked[0]).startsWith(QStringLiteral("Batch Editor is active.")));
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"a1.png", "c3.png"}));
        for (const auto& [name, blue] : {std::pair{"a1.png", 255}, std::pair{"c3.png", 255 - 80}}) {
            Workspace ws;
            QVERIFY(LoadImageFile(ws, (folder + QLatin1Char('/') + QLatin1String(name)).toStdString()).ok);
            const uint8_t* p = ws.Image.scanLine(5) + 3 * 5;
            QCOMPARE((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{blue, 255 - 90, 255 - 200}));
        }
    }
};

QTEST_MAIN(ThumbnailGridCommandsTest)
#include "thumbnail_grid_commands_qtest.moc"
