#pragma once
// Shared by the main window's Qt tests: pictures written to disk and a form
// started offscreen with its own settings file and scripted answers.
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "imagefiles/save_dispatch.h"
#include "shell/main_window.h"

namespace vimbra::testing {

// A 24-bit picture of one colour (blue, green, red) written as BMP.
inline std::string WriteFlatPicture(const QString& path, int w, int h, uint8_t b, uint8_t g,
                                    uint8_t r) {
    Workspace ws;
    Bitmap pic(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = pic.scanLine(y);
        for (int x = 0; x < w; ++x) row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r;
    }
    ws.setImage(std::move(pic));
    return SaveImageFile(ws, path.toStdString(), SaveFormat::Bmp).path;
}

class WindowFixture {
public:
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    std::vector<std::string> asked;
    std::vector<std::vector<Reply>> offered;
    // Answers AskReply questions in order; when empty, the first button.
    std::vector<Reply> replies;

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    std::unique_ptr<MainWindow> makeWindow(const QStringList& args = {}) {
        asked.clear();
        offered.clear();
        settings = std::make_unique<QSettings>(path("settings.ini"), QSettings::IniFormat);
        auto form = std::make_unique<MainWindow>(args, settings.get());
        form->host().askHook = [this](MessageKind, std::string_view text, Buttons) {
            asked.emplace_back(text);
            return Answer::Yes;
        };
        form->host().replyHook = [this](MessageKind, std::string_view text,
                                        const std::vector<Reply>& buttons) {
            asked.emplace_back(text);
            offered.push_back(buttons);
            if (replies.empty()) return buttons.front();
            const Reply r = replies.front();
            replies.erase(replies.begin());
            return r;
        };
        // No test may reach a browser.
        form->urlOpener = [](const QUrl&) { return true; };
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) return nullptr;
        QTest::qWait(20);
        return form;
    }

    // A form that has opened a flat picture written under `name`.
    std::unique_ptr<MainWindow> formWith(const char* name, int w = 20, int h = 10) {
        const QString p = path(name);
        WriteFlatPicture(p, w, h, 10, 20, 30);
        auto form = makeWindow({p});
        if (form && !QTest::qWaitFor([&] { return form->workspace().CurrentFileName == p.toStdString(); }))
            return nullptr;
        return form;
    }

    // Every save dialog answered by the next of `choices`; none left: cancel.
    // The setups the dialogs were given collect in `setups`.
    std::vector<SaveDialogSetup> setups;
    void answerSaveDialogs(MainWindow& form, std::vector<SaveChoice> choices) {
        setups.clear();
        form.saveDialogHook = [this, choices, n = size_t(0)](const SaveDialogSetup& s) mutable
            -> std::optional<SaveChoice> {
            setups.push_back(s);
            if (n >= choices.size()) return std::nullopt;
            return choices[n++];
        };
    }
};

// Without a window manager (Xvfb) nothing activates a window by itself.
inline bool ActivateForm(QWidget& form) {
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form);
}

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A left-button event on the picture as the mouse would send it.
inline void SendMouse(QWidget* view, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), view->mapToGlobal(QPointF(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(view, &e);
}

// A rubber band dragged with the select tool from `from` to `to`.
inline void DragSelection(QWidget* view, QPoint from, QPoint to) {
    SendMouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton);
    SendMouse(view, QEvent::MouseMove, to, Qt::LeftButton);
    SendMouse(view, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

}  // namespace vimbra::testing
