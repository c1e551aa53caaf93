#pragma once
// The JPEG Text window: lists a JPEG file's EXIF entries and comments in an
// editable text box, strips comments or every application segment, and adds
// the text box's content as a new comment. Files are rewritten only after a
// ".bak" copy; the window hides instead of closing.
#include <functional>

#include <QMainWindow>
#include <QRect>
#include <QString>

#include "core/frame_host.h"
#include "imagefiles/jpeg_metadata.h"
#include "shell/settings_record.h"

class QLabel;
class QPlainTextEdit;

namespace vimbra {

// Where the window opens: the stored bounds with left and top at least 0; a
// width or height below 64 or larger than the screen gives max(screen ÷ 4,
// 320) × max(screen ÷ 4, 240) centred; a window that would leave the screen
// is centred in that direction.
QRect JpegTextWindowBounds(const WindowBounds& stored, QSize screen);

class JpegTextWindow : public QMainWindow {
    Q_OBJECT
public:
    // Questions and messages go through `host`.
    explicit JpegTextWindow(FrameHost& host, const WindowBounds& bounds = {},
                            QWidget* parent = nullptr);

    // Lists the file's EXIF lines and comments in the text box. False (nothing
    // done) unless it is named ".jpg" or ".jpeg"; true when EXIF or a comment
    // was found. Throws JpegMetadataError or ImageFileError for a broken or
    // unreadable file.
    bool ReadJpegInfo(const QString& path);

    void onRead();
    void onStrip(StripMode mode);
    void onAddText();

    QPlainTextEdit* memo() const { return memo_; }
    QLabel* labelData() const { return labelData_; }
    QString commentToolFile() const { return file_; }

    // Stand-in for the file dialog (tests): the chosen file, empty to cancel.
    std::function<QString(const QString& prompt)> chooseHook;
    std::function<void(int context)> onHelp;
    // The bounds as the window hides, for the settings record.
    std::function<void(const WindowBounds&)> onStoreBounds;

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString ChooseJpegFile(const QString& prompt);
    // Asks about an existing backup; false keeps everything as it is.
    bool overwriteBakAllowed(const JpegToolResult& r, const QString& path);
    void report(const JpegToolResult& r);
    void badMarkers();

    FrameHost& host_;
    QPlainTextEdit* memo_;
    QLabel* labelData_;
    QString file_, startDir_;
};

}  // namespace vimbra
