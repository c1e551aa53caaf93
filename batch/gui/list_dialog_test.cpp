#include "batch/gui/list_dialog.h"

#include <gtest/gtest.h>

#include "ui/test_app.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace vimbra {
namespace {

// Every path exists except those containing "gone".
bool FakeExists(const QString& path) { return !path.contains("gone"); }

TEST(ListModel, ConversionKeepsExistingPicturesOnly) {
    const QStringList in = {"/p/a.jpg", "/p/b.txt",  "/p/c.TIFF",    "/p/d.Tif",
                            "/p/gone.png", "/p/noext", "/p.jpg/file", "/p/e.JPEG"};
    ListModel m(kListConvertFirst + 4, in, {}, {}, FakeExists);
    EXPECT_EQ(m.entries(), QStringList({"/p/a.jpg", "/p/d.Tif", "/p/e.JPEG"}));
    EXPECT_EQ(m.selectedEntries(), m.entries());
    EXPECT_EQ(m.countText(), "3 item(s)");
    EXPECT_EQ(ListModel::HelpContext(6), 115);
    EXPECT_FALSE(ListModel::IsConvertible("/p/x.jp"));  // whole extensions only
    EXPECT_TRUE(ListModel::IsConvertible("/p/x.pcd"));
}

TEST(ListModel, FileOperationsSelectEverything) {
    ListModel m(kListFileOps, {"/p/gone.txt", "/p/b"}, {}, {}, FakeExists);
    EXPECT_EQ(m.count(), 2);
    EXPECT_EQ(m.selectedEntries().size(), 2);
    m.setSelected(0, false);
    EXPECT_EQ(m.selectedEntries(), QStringList{"/p/b"});
}

TEST(ListModel, EffectFlagsClearAndDelete) {
    ListModel m(kListEffects, {"Fade", "Wipe", "Zoom", "Spiral"}, {false, true, false, true});
    EXPECT_EQ(m.selectedEntries(), QStringList({"Wipe", "Spiral"}));
    m.clearToFirst();
    EXPECT_EQ(m.selectionFlags(), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(ListModel::HelpContext(kListEffects), 300);
    // Fewer flags than entries: the rest start unselected.
    ListModel shortFlags(kListEffects, {"a", "b", "c"}, {true});
    EXPECT_EQ(shortFlags.selectionFlags(), (std::vector<bool>{true, false, false}));
}

TEST(ListModel, BookmarksSelectTheCurrentPathAndSortAll) {
    const QStringList in = {"/x/b", "/x/A", "/x/gone", "/x/b", "/x/a"};
    ListModel m(kListBookmarks, in, {}, "/X/B", FakeExists);
    EXPECT_EQ(m.selectedIndex(), 0);  // "/x/b" equals "/X/B" ignoring case
    m.setSelected(4, true);           // single selection
    EXPECT_EQ(m.selectedEntries(), QStringList{"/x/a"});
    m.sortAll();
    // Sorted ignoring case (stable): A a b b gone; one "/x/b" left; "gone" removed.
    EXPECT_EQ(m.entries(), QStringList({"/x/A", "/x/a", "/x/b"}));
    EXPECT_EQ(m.selectedIndex(), 2);
    m.removeSelected();
    EXPECT_EQ(m.entries(), QStringList({"/x/A", "/x/a"}));
    EXPECT_EQ(m.selectedIndex(), 0);  // none selected
    EXPECT_EQ(m.countText(), "2 item(s)");
}

TEST(ListDialog, NothingEligibleDisablesOk) {
    EnsureApp();
    ListDialogOptions o;
    o.exists = FakeExists;
    ListDialog dlg(kListConvertFirst + 4, "Convert", {"/p/a.txt", "/p/gone.jpg"}, o);
    EXPECT_EQ(dlg.headerLabel()->text(), "No bookmarked files were eligible for compression.");
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    EXPECT_FALSE(dlg.firstButton()->isEnabled());
    EXPECT_EQ(dlg.countPanel()->text(), "0 item(s)");
    ListDialog jpeg(kListConvertFirst, "", {"/p/a.jpg"}, o);
    EXPECT_EQ(jpeg.windowTitle(), "List Dialog");
    EXPECT_EQ(jpeg.firstButton()->text(), "&Settings");
    EXPECT_TRUE(jpeg.firstButton()->isEnabled());
    EXPECT_TRUE(jpeg.headerLabel()->text().isEmpty());
}

TEST(ListDialog, DeleteKeyRemovesTheSelection) {
    EnsureApp();
    ListDialogOptions o;
    o.exists = FakeExists;
    o.currentPath = "/x/c";
    ListDialog dlg(kListBookmarks, "Bookmarks", {"/x/a", "/x/b", "/x/c"}, o);
    EXPECT_EQ(dlg.headerLabel()->text(), "Select item or press DELETE to remove selected item.");
    EXPECT_EQ(dlg.firstButton()->text(), "&Sort all");
    EXPECT_TRUE(dlg.listView()->item(2)->isSelected());
    dlg.listView()->item(1)->setSelected(true);  // single selection: moves
    EXPECT_EQ(dlg.model().selectedIndex(), 1);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(dlg.listView(), &del);
    EXPECT_EQ(dlg.model().entries(), QStringList({"/x/a", "/x/c"}));
    EXPECT_EQ(dlg.listView()->count(), 2);
    EXPECT_EQ(dlg.countPanel()->text(), "2 item(s)");
}

// Closes the modal dialog once it runs, after `act` has worked on it.
void WhenShown(std::function<void(ListDialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dlg = qobject_cast<ListDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        act(*dlg);
    });
}

TEST(ListDialog, CancelLeavesTheListAndOkWritesIt) {
    EnsureApp();
    ListDialogOptions o;
    o.exists = FakeExists;
    o.currentPath = "/x/b";
    QStringList list = {"/x/a", "/x/b", "/x/gone"};
    WhenShown([](ListDialog& d) {
        d.model().sortAll();
        d.reject();
    });
    EXPECT_EQ(ShowListDialog(nullptr, kListBookmarks, "Bookmarks", list, o), -1);
    EXPECT_EQ(list, QStringList({"/x/a", "/x/b", "/x/gone"}));

    WhenShown([](ListDialog& d) {
        d.firstButton()->click();  // sort all
        d.okButton()->click();
    });
    EXPECT_EQ(ShowListDialog(nullptr, kListBookmarks, "Bookmarks", list, o), 1);
    EXPECT_EQ(list, QStringList({"/x/a", "/x/b"}));

    std::vector<bool> flags = {true, false, true};
    QStringList effects = {"Fade", "Wipe", "Zoom"};
    o.effectFlags = &flags;
    WhenShown([](ListDialog& d) {
        d.firstButton()->click();  // clear: the first only
        d.listView()->item(1)->setSelected(true);
        d.okButton()->click();
    });
    EXPECT_EQ(ShowListDialog(nullptr, kListEffects, "Effects", effects, o), 2);
    EXPECT_EQ(flags, (std::vector<bool>{true, true, false}));
}

}  // namespace
}  // namespace vimbra
