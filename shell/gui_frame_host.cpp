#include "shell/gui_frame_host.h"

#include <algorithm>

#include <QApplication>
#include <QMessageBox>

#include "core/workspace.h"
#include "tools/effects_dialog.h"

namespace vimbra {

Answer GuiFrameHost::Ask(MessageKind kind, std::string_view text, Buttons buttons) {
    messages.emplace_back(text);
    if (askHook) return askHook(kind, text, buttons);
    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Vimbra"));
    box.setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    switch (kind) {
        case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
        case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
        case MessageKind::Confirmation: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::YesNoIgnore:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ignore);
            break;
    }
    // The hourglass must not sit over a question.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int r = box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    if (buttons == Buttons::Ok) return Answer::Yes;
    if (r == QMessageBox::Yes) return Answer::Yes;
    if (r == QMessageBox::Ignore) return Answer::Ignore;
    return Answer::No;
}

Answer GuiFrameHost::AskSilenceable(const std::string& key, MessageKind kind,
                                    std::string_view text) {
    if (silenced(key)) return Answer::Ignore;
    const Answer a = Ask(kind, text, Buttons::YesNoIgnore);
    if (a == Answer::Ignore) silenced_.insert(key);
    return a;
}

Reply GuiFrameHost::AskReply(MessageKind kind, std::string_view text,
                             const std::vector<Reply>& buttons, int helpContext) {
    const std::vector<Reply>& offered = buttons;
    auto has = [&](Reply r) { return std::find(offered.begin(), offered.end(), r) != offered.end(); };
    messages.emplace_back(text);
    if (replyHook) return replyHook(kind, text, offered);
    if (askHook) {
        switch (askHook(kind, text, Buttons::YesNoIgnore)) {
            case Answer::Yes: return offered.empty() ? Reply::Ok : offered.front();
            case Answer::Ignore:
                if (has(Reply::Ignore)) return Reply::Ignore;
                [[fallthrough]];
            case Answer::No: return has(Reply::No) ? Reply::No : Reply::Cancel;
        }
    }
    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Vimbra"));
    box.setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    switch (kind) {
        case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
        case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
        case MessageKind::Confirmation: box.setIcon(QMessageBox::Question); break;
    }
    QMessageBox::StandardButtons standard;
    for (Reply r : offered) {
        switch (r) {
            case Reply::Ok: standard |= QMessageBox::Ok; break;
            case Reply::Cancel: standard |= QMessageBox::Cancel; break;
            case Reply::Yes: standard |= QMessageBox::Yes; break;
            case Reply::No: standard |= QMessageBox::No; break;
            case Reply::Ignore: standard |= QMessageBox::Ignore; break;
        }
    }
    if (helpContext >= 0) standard |= QMessageBox::Help;
    box.setStandardButtons(standard);
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    int r = 0;
    // Help opens the page and leaves the question standing.
    while ((r = box.exec()) == QMessageBox::Help)
        if (onHelp) onHelp(helpContext);
    if (busy) QApplication::restoreOverrideCursor();
    switch (r) {
        case QMessageBox::Ok: return Reply::Ok;
        case QMessageBox::Yes: return Reply::Yes;
        case QMessageBox::No: return Reply::No;
        case QMessageBox::Ignore: return Reply::Ignore;
        default: return has(Reply::Cancel) || !has(Reply::No) ? Reply::Cancel : Reply::No;
    }
}

Reply GuiFrameHost::AskReplySilenceable(const std::string& key, MessageKind kind,
                                        std::string_view text, const std::vector<Reply>& buttons,
                                        int helpContext) {
    if (silenced(key)) return Reply::Ignore;
    std::vector<Reply> withIgnore(buttons);
    withIgnore.push_back(Reply::Ignore);
    const Reply a = AskReply(kind, text, withIgnore, helpContext);
    if (a == Reply::Ignore) silenced_.insert(key);
    return a;
}

bool GuiFrameHost::AutoBackUp(Workspace& ws) { return TakeSnapshot(ws, undo_); }

void GuiFrameHost::Undo(Workspace& ws) {
    RestoreSnapshot(ws, undo_);
    RefreshView(ws);
}

int GuiFrameHost::ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& param) {
    if (effectsHook) return effectsHook(ws, param);
    return ExecuteEffectsDialog(parent_, ws, param, effectsDriver, onHistogram, colourManage);
}

void GuiFrameHost::ShowBusy(Workspace& ws, std::string_view message) {
    FrameHost::ShowBusy(ws, message);
    ws.StatusText = std::string(message.empty() ? std::string_view("Busy...") : message);
    if (!busyCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busyCursor_ = true;
    }
    if (onStatus) onStatus(ws.StatusText);
}

void GuiFrameHost::StatusReady(Workspace& ws) {
    FrameHost::StatusReady(ws);
    if (busyCursor_) {
        QApplication::restoreOverrideCursor();
        busyCursor_ = false;
    }
    if (onProgress) onProgress(-1);
    if (onStatus) onStatus(ws.StatusText);
}

void GuiFrameHost::RefreshView(Workspace& ws) {
    FrameHost::RefreshView(ws);
    if (onRefresh) onRefresh();
}

void GuiFrameHost::DrawProgress(int percent) {
    if (onProgress) onProgress(percent);
}

void GuiFrameHost::RecordBatchLine(Workspace& ws, std::string_view line) {
    if (!ws.RecordingActive) return;
    if (onRecord && onRecord(line)) return;
    FrameHost::RecordBatchLine(ws, line);
}

}  // namespace vimbra
