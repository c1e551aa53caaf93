#include "shell/save_file_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>

#include <gtest/gtest.h>

#include "ui/test_app.h"

namespace vimbra {
namespace {

// Plays the user: each step acts on the modal window that is up when its turn
// comes; what was seen is recorded as "dialog" or the question's text.
class User {
public:
    using Step = std::function<void(QWidget*)>;
    explicit User(std::deque<Step> steps) : steps_(std::move(steps)) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }
    std::vector<QString> seen;

    static Step Type(const QString& name) {
        return [name](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            QMetaObject::invokeMethod(dialog, "accept");
        };
    }
    static Step Answer(QMessageBox::StandardButton button) {
        return [button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            box->button(button)->click();
        };
    }
    static Step Cancel() {
        return [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); };
    }

private:
    void tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || steps_.empty()) return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            seen.push_back(box->text());
        else
            seen.push_back(QStringLiteral("dialog"));
        const Step step = std::move(steps_.front());
        steps_.pop_front();
        step(modal);
    }
    std::deque<Step> steps_;
    QTimer timer_;
};

class SaveFileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        QFile f(tmp.filePath("list.vbl"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old\r\n");
    }
    QString Ask(std::deque<User::Step> steps, std::vector<QString>* seen = nullptr) {
        User user(std::move(steps));
        const QString path =
            AskSaveFileName(nullptr, QStringLiteral("Save Bookmarks As"), tmp.path(),
                            QStringLiteral("Vimbra List (*.vbl)"), QStringLiteral(".vbl"),
                            EnsureExtension(QStringLiteral(".vbl")));
        if (seen) *seen = user.seen;
        return path;
    }
    QTemporaryDir tmp;
};

TEST_F(SaveFileDialogTest, TypedNameWithoutExtensionIsAskedAboutBeforeReplacing) {
    const QString question = QStringLiteral("list.vbl already exists.\nDo you want to replace it?");
    std::vector<QString> seen;
    // No goes back to the dialog; cancelling it then writes nothing.
    EXPECT_EQ(Ask({User::Type("list"), User::Answer(QMessageBox::No), User::Cancel()}, &seen), "");
    EXPECT_EQ(seen, (std::vector<QString>{"dialog", question, "dialog"}));
    // No, then another name.
    EXPECT_EQ(Ask({User::Type("list"), User::Answer(QMessageBox::No), User::Type("other")}, &seen),
              tmp.filePath("other.vbl"));
    EXPECT_EQ(seen.size(), 3u);
    // Yes replaces; the extension typed in another case is kept.
    EXPECT_EQ(Ask({User::Type("list"), User::Answer(QMessageBox::Yes)}), tmp.filePath("list.vbl"));
    EXPECT_EQ(Ask({User::Type("LIST.VBL"), User::Answer(QMessageBox::Yes)}, &seen),
              tmp.filePath("LIST.VBL"));
    // A new name is not asked about.
    EXPECT_EQ(Ask({User::Type("fresh")}, &seen), tmp.filePath("fresh.vbl"));
    EXPECT_EQ(seen, std::vector<QString>{"dialog"});
}

TEST_F(SaveFileDialogTest, TheCallersRuleDecidesWhatIsAskedAbout) {
    // A rule that replaces the extension, as the picture formats do.
    QFile f(tmp.filePath("photo.jpg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QFileDialog dialog(nullptr, QStringLiteral("Save Image As"), tmp.path());
    User user({User::Type("photo.png"), User::Answer(QMessageBox::No), User::Cancel()});
    const QString path = ExecSaveDialog(dialog, [](const QString& p) {
        return p.left(p.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".jpg");
    });
    EXPECT_EQ(path, "");
    ASSERT_EQ(user.seen.size(), 3u);
    EXPECT_EQ(user.seen[1], "photo.jpg already exists.\nDo you want to replace it?");

    EXPECT_EQ(EnsureExtension(".bip")("a"), "a.bip");
    EXPECT_EQ(EnsureExtension(".bip")("a.BIP"), "a.BIP");
    EXPECT_EQ(EnsureExtension(".bip")(""), "");
}

}  // namespace
}  // namespace vimbra
