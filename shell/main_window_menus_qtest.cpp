// The menus under the offscreen platform: every built command reachable with
// the shortcut of the command index, the context menu reduced by place, the
// menu state by picture, and the Help menu's pages.
#include <functional>
#include <set>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "shell/picture_view.h"
#include "shell/main_window_test_util.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

struct Expected {
    const char* handler;
    int tag;
    const char* keys;
};

// The shortcuts of the command index, typed from it, for the commands that
// have one.
constexpr Expected kShortcuts[] = {
    {"onOpen", 0, "Ctrl+O"},          {"onReload", 0, "F5"},
    {"onSave", 0, "Ctrl+S"},          {"onPrint", 0, "Ctrl+P"},
    {"onCopyTo", 0, "Ctrl+Y"},        {"onMoveTo", 0, "Ctrl+Ins"},
    {"onBookmarkUnmark", 0, "Ctrl+Del"}, {"onDelete", 0, "Del"},
    {"onBookmarksView", 0, "Ctrl+B"}, {"onUndo", 0, "Ctrl+Z"},
    {"onHistorySlideshow", 0, "Ctrl+R"},
    {"onNextImage", 0, "PgDown"},     {"onPreviousImage", 0, "PgUp"},
    {"onFirstImage", 0, "Home"},      {"onFirstImage", 1, "End"},
    {"onPageChange", 1, "Alt+PgDown"},     {"onPageChange", -1, "Alt+PgUp"},
    {"onCdPlayer", 0, "Alt+P"},
    {"onPageChange", 0, "Alt+Home"},       {"onPageChange", 999, "Alt+End"},
    {"onOptimizeWindow", 0, "Alt+A"}, {"onAdjustViewport", 0, "Shift+Alt+V"},
    {"onFitWindowTo", 1, "Alt+1"},       {"onFitWindowTo", 2, "Alt+2"},
    {"onFitWindowTo", 3, "Alt+3"},       {"onFitWindowTo", 4, "Alt+4"},
    {"onStandard", 0, "Ctrl+1"},     {"onCompact", 0, "Ctrl+2"},
    {"onMinimal", 0, "Ctrl+3"},      {"onFullScreen", 0, "Alt+Return"},
    {"onZoomRegion", 0, "Alt+R"},     {"onZoom", 0, "Alt+Z"},
    {"onFitWindow", 0, "Ctrl+F"},     {"onViewGamma", 0, "Ctrl+G"},
    {"onOptions", 0, "Alt+O"},        {"onDuplicate", 0, "Ctrl+D"},
    {"onThumbnails", 0, "Ctrl+T"},
    {"onBatchEditor", 0, "Alt+B"},    {"onPerformBatch", 0, "F9"},
    {"onExplore", 0, "Ctrl+E"},
    {"onCopy", 0, "Ctrl+C"},          {"onCopyViewport", 0, "Shift+Ctrl+C"},
    {"onPaste", 0, "Ctrl+V"},         {"onUnzipper", 0, "Alt+U"},
    {"onJpegText", 0, "Alt+J"},
    {"onHistogram", 0, "Ctrl+H"},     {"onCompress", 0, "Ctrl+J"},
};

// The top-level items of a menu now shown, separators left out.
QStringList Visible(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (a->isVisible() && !a->isSeparator()) out << (a->menu() ? a->menu()->title() : a->text());
    return out;
}

}  // namespace

class MainWindowMenusTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QFile::remove(fx_.path("settings.ini")); }

    void everyBuiltItemHasItsShortcut() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        std::map<std::pair<std::string, int>, QString> expected;
        for (const Expected& e : kShortcuts) expected[{e.handler, e.tag}] = QString::fromLatin1(e.keys);
        int built = 0;
        for (const MenuRow& row : MainMenuLayout()) {
            if (std::string_view(row.caption) == "-") continue;
            QAction* a = form->action(row.handler, row.tag);
            const bool exists = a != nullptr;
            // A row is built exactly when its command exists.
            const bool command = bool(FindMenuCommand(row.handler)) || exists;
            QVERIFY2(exists == command, row.handler);
            if (!a) continue;
            ++built;
            const auto it = expected.find({row.handler, row.tag});
            const QKeySequence want(it == expected.end() ? QString() : it->second);
            QVERIFY2(a->shortcut() == want, (std::string(row.handler) + " " + row.caption).c_str());
        }
        QVERIFY(built > 150);
        // No key is taken twice, or neither command would run from it.
        std::set<QString> keys;
        for (QAction* a : form->findChildren<QAction*>()) {
            if (a->shortcut().isEmpty()) continue;
            QVERIFY2(keys.insert(a->shortcut().toString()).second,
                     a->shortcut().toString().toLatin1().constData());
        }
        // The tool buttons of the commands that exist.
        for (const char* b : {"Back", "Next", "Explore", "Screen", "Adjust", "Fit", "Zoom -",
                              "Zoom +", "Scroll", "Select", "Page", "Open", "Save", "Copy/move",
                              "Delete/recycle", "Cut/Unmark", "Info", "Bookmarks"})
            QVERIFY2(form->toolButton(QString::fromLatin1(b)), b);
        // A shortcut reaches its command.
        QVERIFY(ActivateForm(*form));
        int dialogs = 0;
        form->scrollDialogHook = [&](const QString&, const ScrollDialogSettings&) {
            ++dialogs;
            return kDialogCancelled;
        };
        QTest::keyClick(form.get(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(dialogs, 1);
    }

    void bookmarksButtonOpensTheBookmarkMenu() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QToolButton* b = form->toolButton(QStringLiteral("Bookmarks"));
        QVERIFY(b && b->menu());
        QCOMPARE(b->popupMode(), QToolButton::InstantPopup);
        QStringList captions;
        for (QAction* a : b->menu()->actions()) captions << a->text();
        QCOMPARE(captions, (QStringList{"&View", "&Run", "&Clear", "&Sort", "&Load", "&Save"}));
    }

    void contextMenuIsReducedToItsPlace() {
        const QString a = fx_.path("a.bmp"), b = fx_.path("b.bmp");
        WriteFlatPicture(a, 20, 20, 1, 1, 1);
        WriteFlatPicture(b, 20, 20, 2, 2, 2);
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QMenu* menu = form->contextMenu();
        form->MainMenuPopup(MainWindow::PopupPlace::ToolBars);
        QCOMPARE(Visible(menu), (QStringList{"&Menu bar", "&Tool bar", "&Path box", "&Status bar",
                                             "&Button text"}));
        QVERIFY(form->contextAction("onStatusbarVisible")->isChecked());
        // No bookmarks: nothing to offer over the path box, fewer picture items.
        form->MainMenuPopup(MainWindow::PopupPlace::PathBox);
        QVERIFY(Visible(menu).isEmpty());
        form->MainMenuPopup(MainWindow::PopupPlace::Picture);
        QCOMPARE(Visible(menu),
                 (QStringList{"Full screen", "Fit to &window", "&Zoom to", "&Open", "&Delete", "Options..."}));
        // Nothing to delete yet; the hidden item only carries Shift+Del.
        QVERIFY(!form->contextAction("onDelete")->isEnabled());
        QAction* recycle = form->contextAction("onDelete", kRecycleKey);
        QVERIFY(recycle && !menu->actions().contains(recycle));
        QCOMPARE(recycle->shortcut(), QKeySequence(QStringLiteral("Shift+Del")));
        QVERIFY(form->contextAction("onFitWindow")->isChecked());
        form->openFiles({a.toStdString(), b.toStdString()});
        form->MainMenuPopup(MainWindow::PopupPlace::PathBox);
        QCOMPARE(Visible(menu), (QStringList{"&Unmark", "&Clear", "&Sort"}));
        form->MainMenuPopup(MainWindow::PopupPlace::Picture);
        QCOMPARE(Visible(menu), (QStringList{"&Edit", "&View", "Slideshow", "Full screen", "Fit to &window",
                                             "&Zoom to", "&Open", "&Unmark", "&Delete", "Options..."}));
        // The same handlers as the menu bar.
        form->contextAction("onFitWindow")->trigger();
        QVERIFY(!form->FitToWindow);
        form->MainMenuPopup(MainWindow::PopupPlace::Picture);
        QVERIFY(!form->contextAction("onFitWindow")->isChecked());
        QVERIFY(form->contextAction("onZoom")->isEnabled());
        form->contextAction("onBookmarkUnmark", kPathBoxUnmark)->trigger();
        QCOMPARE(form->bookmarks().size(), size_t(1));
        // Merged into the path box row: one switch for both.
        form->setMergedToolBar(true);
        form->MainMenuPopup(MainWindow::PopupPlace::ToolBars);
        QCOMPARE(Visible(menu), (QStringList{"&Menu bar", "&Tool bar", "&Status bar"}));
        QCOMPARE(form->contextAction("onPathbox")->text(), QStringLiteral("&Tool bar"));
        // A right-click over the path box opens it there.
        emit form->pathBox()->customContextMenuRequested(QPoint(2, 2));
        QVERIFY(menu->isVisible());
        QCOMPARE(Visible(menu), (QStringList{"&Unmark", "&Clear", "&Sort"}));
        menu->hide();
        emit form->statusBar()->customContextMenuRequested(QPoint(2, 2));
        QCOMPARE(Visible(menu), (QStringList{"&Menu bar", "&Tool bar", "&Status bar"}));
        menu->hide();
    }

    // docs/menus.md is written from the built menu bar, never by hand:
    // VIMBRA_UPDATE_MENUS=1 rewrites it, otherwise it must match.
    void menuReferenceIsCurrent() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QString text = QStringLiteral("# Menu reference\n\nGenerated from the menu table by the menu tests "
                                      "(`VIMBRA_UPDATE_MENUS=1`); `&` marks the access key.\n");
        std::function<void(QMenu*, const QString&)> walk = [&](QMenu* menu, const QString& path) {
            QStringList items;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator()) continue;
                if (a->menu()) continue;
                QString item = QStringLiteral("`%1`").arg(a->text());
                if (!a->shortcut().isEmpty())
                    item += QStringLiteral(" (%1)").arg(a->shortcut().toString(QKeySequence::PortableText));
                items << item;
            }
            if (!items.isEmpty())
                text += QStringLiteral("\n- **%1**: %2\n").arg(path, items.join(QStringLiteral(", ")));
            for (QAction* a : menu->actions())
                if (a->menu()) walk(a->menu(), path + QStringLiteral(" > ") + a->menu()->title());
        };
        for (QAction* top : form->menuBar()->actions())
            if (top->menu()) walk(top->menu(), top->menu()->title());
        const QString file = QStringLiteral(VIMBRA_SOURCE_DIR "/docs/menus.md");
        if (qEnvironmentVariableIsSet("VIMBRA_UPDATE_MENUS")) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(text.toUtf8());
        }
        QFile in(file);
        QVERIFY2(in.open(QIODevice::ReadOnly), "docs/menus.md is missing");
        QCOMPARE(QString::fromUtf8(in.readAll()), text);
    }

    void menuStateFollowsThePicture() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        Workspace mono;
        mono.setImage(Bitmap(16, 16, 1));
        const std::string monoPath =
            SaveImageFile(mono, fx_.path("mono.bmp").toStdString(), SaveFormat::Bmp).path;
        QVERIFY(form->openPicture(monoPath));
        QMenu* colors = form->topMenu(QStringLiteral("&Colors"));
        emit colors->aboutToShow();
        QVERIFY(form->action("onNegative")->isEnabled());
        QMenu* smooth = form->topMenu(QStringLiteral("&Image/S&mooth"));
        QMenu* sharpen = form->topMenu(QStringLiteral("&Image/Sharpe&n"));
        emit form->topMenu(QStringLiteral("&Image"))->aboutToShow();
        QVERIFY(!smooth->menuAction()->isVisible());
        QVERIFY(!sharpen->menuAction()->isVisible());
        // 24 bits and 16 × 16: the filters; one pixel less: not.
        const QString big = fx_.path("big.bmp"), thin = fx_.path("thin.bmp");
        WriteFlatPicture(big, 16, 16, 1, 1, 1);
        WriteFlatPicture(thin, 16, 15, 1, 1, 1);
        QVERIFY(form->openPicture(big.toStdString()));
        emit form->topMenu(QStringLiteral("&Image"))->aboutToShow();
        QVERIFY(smooth->menuAction()->isVisible() && sharpen->menuAction()->isVisible());
        QVERIFY(form->action("onNegative")->isEnabled());
        // 16 colours: no negative.
        Workspace four;
        four.setImage(Bitmap(16, 16, 4));
        QVERIFY(form->openPicture(
            SaveImageFile(four, fx_.path("four.bmp").toStdString(), SaveFormat::Bmp).path));
        QCOMPARE(form->workspace().ImageBitDepth, 4);
        emit colors->aboutToShow();
        QVERIFY(!form->action("onNegative")->isEnabled());
        QVERIFY(form->openPicture(thin.toStdString()));
        emit form->topMenu(QStringLiteral("&File"))->aboutToShow();
        QVERIFY(!smooth->menuAction()->isVisible());
    }

    void helpMenuOpensThePageOfItsContext() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        std::vector<QUrl> opened;
        form->urlOpener = [&](const QUrl& u) {
            opened.push_back(u);
            return true;
        };
        const std::pair<int, const char*> items[] = {
            {0, "index.html"}, {100, "viewer.html"}, {104, "hotkeys.html"},
            {300, "slideshows.html"}, {400, "imaging.html"}};
        for (const auto& [context, page] : items) {
            form->action("onHelpContext", context)->trigger();
            QCOMPARE(QFileInfo(opened.back().toLocalFile()).fileName(), QString::fromLatin1(page));
            QFile f(opened.back().toLocalFile());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll().contains(QStringLiteral("id=\"c%1\"").arg(context).toLatin1()));
        }
        // The hotkeys page lists the shortcuts of this build.
        form->action("onHelpContext", 104)->trigger();
        QFile hotkeys(opened.back().toLocalFile());
        QVERIFY(hotkeys.open(QIODevice::ReadOnly));
        const QByteArray text = hotkeys.readAll();
        QVERIFY(text.contains("<tr><td>Tools &gt; Batch &gt; Perform</td><td><kbd>F9</kbd></td></tr>"));
        QVERIFY(text.contains("<td>View &gt; Gamma</td><td><kbd>Ctrl+G</kbd></td>"));
        QVERIFY(!text.contains("menu shortcuts"));
        // F1 on the picture: the index.
        form->view()->setFocus();
        QTest::keyClick(form->view(), Qt::Key_F1);
        QCOMPARE(QFileInfo(opened.back().toLocalFile()).fileName(), QStringLiteral("index.html"));
        // Help from a question opens its context too.
        form->host().onHelp(104);
        QCOMPARE(QFileInfo(opened.back().toLocalFile()).fileName(), QStringLiteral("hotkeys.html"));
        // No browser: said so.
        form->urlOpener = [](const QUrl&) { return false; };
        form->onHelpContext(400);
        QVERIFY(QString::fromStdString(fx_.asked.back()).endsWith(QStringLiteral("imaging.html was found.")));
    }
};

QTEST_MAIN(MainWindowMenusTest)
#include "main_window_menus_qtest.moc"
