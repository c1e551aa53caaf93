#include "tools/jpeg_text_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "imagefiles/codecs/codec_common.h"

namespace vimbra {
namespace {

constexpr size_t kMaxReadBytes = size_t(1) << 30;
constexpr int kHelpContext = 600;

}  // namespace

QRect JpegTextWindowBounds(const WindowBounds& stored, QSize screen) {
    // 64-bit while measuring: a damaged record may hold any value.
    int64_t left = std::max<int64_t>(stored.left, 0), top = std::max<int64_t>(stored.top, 0);
    int64_t width = int64_t(stored.right) - stored.left;
    int64_t height = int64_t(stored.bottom) - stored.top;
    if (width < 64 || height < 64 || width > screen.width() || height > screen.height()) {
        width = std::max(screen.width() / 4, 320);
        height = std::max(screen.height() / 4, 240);
        left = (screen.width() - width) / 2;
        top = (screen.height() - height) / 2;
    }
    if (left + width > screen.width()) left = (screen.width() - width) / 2;
    if (top + height > screen.height()) top = (screen.height() - height) / 2;
    return QRect(int(std::max<int64_t>(left, 0)), int(std::max<int64_t>(top, 0)), int(width),
                 int(height));
}

JpegTextWindow::JpegTextWindow(FrameHost& host, const WindowBounds& bounds, QWidget* parent)
    : QMainWindow(parent, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("JpegText"));
    setWindowTitle(QStringLiteral("JPEG Text"));
    QMenuBar* bar = menuBar();
    connect(bar->addAction(QStringLiteral("&Read")), &QAction::triggered, this, &JpegTextWindow::onRead);
    connect(bar->addAction(QStringLiteral("&Add text")), &QAction::triggered, this,
            &JpegTextWindow::onAddText);
    QMenu* strip = bar->addMenu(QStringLiteral("&Strip"));
    connect(strip->addAction(QStringLiteral("&All extra info")), &QAction::triggered, this,
            [this] { onStrip(StripMode::AllExtraInfo); });
    connect(strip->addAction(QStringLiteral("&Comments only")), &QAction::triggered, this,
            [this] { onStrip(StripMode::CommentsOnly); });
    connect(bar->addAction(QStringLiteral("&Close")), &QAction::triggered, this, &QWidget::close);
    connect(bar->addAction(QStringLiteral("&Help")), &QAction::triggered, this, [this] {
        if (onHelp) onHelp(kHelpContext);
    });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    memo_ = new QPlainTextEdit(central);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setAccessibleName(QStringLiteral("JPEG text"));
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    labelData_ = new QLabel(central);
    labelData_->setObjectName(QStringLiteral("LabelData"));
    labelData_->setWordWrap(true);
    labelData_->setTextFormat(Qt::PlainText);
    layout->addWidget(memo_, 1);
    layout->addWidget(labelData_);
    setCentralWidget(central);

    QSize screen(1024, 768);
    if (const QScreen* s = QGuiApplication::primaryScreen()) screen = s->availableSize();
    setGeometry(JpegTextWindowBounds(bounds, screen));
    memo_->setFocus();
}

QString JpegTextWindow::ChooseJpegFile(const QString& prompt) {
    const QString chosen =
        chooseHook ? chooseHook(prompt)
                   : QFileDialog::getOpenFileName(this, prompt, startDir_,
                                                  QStringLiteral("JPG (JPEG/JFIF) (*.jpg *.jpeg)"));
    if (chosen.isEmpty()) return {};
    startDir_ = QFileInfo(chosen).absolutePath();
    file_ = chosen;
    return chosen;
}

bool JpegTextWindow::ReadJpegInfo(const QString& path) {
    const std::string p = path.toStdString();
    if (!IsJpegFileName(p)) return false;
    startDir_ = QFileInfo(path).absolutePath();
    memo_->clear();
    setWindowTitle(path);
    const std::vector<uint8_t> data = ReadWholeFile(p, kMaxReadBytes);
    const JpegListing listing = ReadJpegListing(data);
    QStringList lines;
    for (const std::string& line : listing.lines) lines << QString::fromStdString(line);
    memo_->setPlainText(lines.join(QLatin1Char('\n')));
    return listing.found();
}

void JpegTextWindow::badMarkers() {
    host_.Ask(MessageKind::Error, kBadJpegMarkers, Buttons::Ok);
    memo_->clear();
    close();
}

void JpegTextWindow::onRead() {
    const QString path = ChooseJpegFile(QStringLiteral("Select file to read EXIF info and JPEG comments."));
    if (path.isEmpty()) return;
    try {
        ReadJpegInfo(path);
    } catch (const std::exception&) {
        badMarkers();
        return;
    }
    const QFileInfo info(path);
    labelData_->setText(QStringLiteral("Size: %1 bytes\nDate: %2\n")
                            .arg(info.size())
                            .arg(QLocale().toString(info.lastModified(), QLocale::ShortFormat)));
}

bool JpegTextWindow::overwriteBakAllowed(const JpegToolResult& r, const QString& path) {
    if (r.status != JpegToolResult::Status::BakExists) return false;
    const std::string bak = BackupPath(path.toStdString());
    return host_.Ask(MessageKind::Warning,
                     bak + " exists.\nOrignal file is copied to *.bak.\nOverwrite *.bak file?",
                     Buttons::YesNo) == Answer::Yes;
}

void JpegTextWindow::report(const JpegToolResult& r) {
    if (r.ok()) {
        host_.Ask(MessageKind::Information, r.message, Buttons::Ok);
    } else if (r.message == kBadJpegMarkers) {
        badMarkers();
    } else if (r.status == JpegToolResult::Status::Failed) {
        host_.Ask(MessageKind::Error, r.message, Buttons::Ok);
    }
}

void JpegTextWindow::onStrip(StripMode mode) {
    const QString path = ChooseJpegFile(
        mode == StripMode::CommentsOnly
            ? QStringLiteral("Select file to remove JPEG comments. (Original will be copied to *.bak.)")
            : QStringLiteral("Select file to remove ALL extra info. (Original will be copied to *.bak.)"));
    if (path.isEmpty()) return;
    setWindowTitle(path);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    JpegToolResult r = StripJpegFile(path.toStdString(), mode, BakPolicy::Refuse);
    QGuiApplication::restoreOverrideCursor();
    if (r.status == JpegToolResult::Status::BakExists) {
        if (!overwriteBakAllowed(r, path)) return;
        r = StripJpegFile(path.toStdString(), mode, BakPolicy::Overwrite);
    }
    report(r);
}

void JpegTextWindow::onAddText() {
    // The text box's lines, each ended by CR LF, is what goes into the file.
    const std::string text = memo_->toPlainText().toStdString();
    try {
        CommentSegmentText(text);
    } catch (const JpegMetadataError& e) {
        host_.Ask(MessageKind::Warning, e.what(), Buttons::Ok);
        return;
    }
    const QString path = ChooseJpegFile(
        QStringLiteral("Select file to insert JPEG comments. (Original will be copied to *.bak.)"));
    if (path.isEmpty()) return;
    setWindowTitle(path);
    JpegToolResult r = AddJpegComment(path.toStdString(), text, BakPolicy::Refuse);
    if (r.status == JpegToolResult::Status::BakExists) {
        if (!overwriteBakAllowed(r, path)) return;
        r = AddJpegComment(path.toStdString(), text, BakPolicy::Overwrite);
    }
    // Adding tells nothing when it worked.
    if (!r.ok()) report(r);
}

void JpegTextWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}

void JpegTextWindow::closeEvent(QCloseEvent* event) {
    // Hidden, not destroyed: the window keeps its file and text for the run.
    if (onStoreBounds) {
        const QRect g = geometry();
        onStoreBounds({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
    }
    event->accept();
}

}  // namespace vimbra
