#include "slideshow/gui/show_window.h"

#include <QCloseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <chrono>
#include <random>

#include "imagefiles/load_dispatch.h"
#include "shell/display_colours.h"
#include "slideshow/avl_paths.h"

namespace vimbra {
namespace {

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

RandomSource ShowRandom() {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

}  // namespace

ShowWindow::ShowWindow(ShowSettings settings, ShowRunner::Clock clock, QWidget* parent)
    : QWidget(parent),
      settings_(std::move(settings)),
      runner_(clock ? clock : SteadyMs, ShowRandom()),
      clock_(clock ? clock : SteadyMs),
      media_(std::make_unique<ShowMedia>(this, settings_.media)) {
    setObjectName(QStringLiteral("ShowWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::OpenHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    // A right click advances; it never opens the parent's menus.
    setContextMenuPolicy(Qt::PreventContextMenu);
    const uint32_t bg = settings_.background;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(int(bg & 0xFF), int((bg >> 8) & 0xFF), int((bg >> 16) & 0xFF)));
    setPalette(pal);
    if (parent) parent->installEventFilter(this);
    // A short period: each tick draws the frame belonging to the time it runs at.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(8);
    connect(&timer_, &QTimer::timeout, this, &ShowWindow::tick);
    connect(media_.get(), &ShowMedia::failed, this, &ShowWindow::slideSkipped);
}

ShowWindow::~ShowWindow() = default;

QString ShowWindow::startAvl(const QString& path) {
    return QString::fromStdString(runner_.startAvl(path.toStdString()));
}

QString ShowWindow::startBookmarks(const std::vector<std::string>& entries, size_t bookmarkIndex) {
    return QString::fromStdString(
        runner_.startBookmarks(entries, bookmarkIndex, settings_.delayMs, settings_.selection));
}

void ShowWindow::play(bool fullScreen) {
    if (QWidget* host = parentWidget()) {
        setGeometry(host->rect());
        show();
        raise();
    } else if (fullScreen) {
        showFullScreen();
    } else {
        show();
    }
    activateWindow();
    setFocus();
    shown_ = BlankFrame(std::max(width(), 1), std::max(height(), 1), settings_.background);
    nextSlide();
    if (!ended_) timer_.start();
}

void ShowWindow::nextSlide() {
    transition_.reset();
    const auto step = runner_.next();
    if (!step) {
        finish(QString::fromStdString(runner_.endMessage()));
        return;
    }
    setWindowTitle(QString::fromStdString(step->windowCaption));
    waitMs_ = step->waitMs;
    // A script slide with its own colour shows the bare colour first (text pages draw on it).
    if (runner_.avlMode() && step->slide.background && step->kind != SlideKind::Text) {
        shown_ = BlankFrame(std::max(width(), 1), std::max(height(), 1), *step->slide.background);
        pending_ = std::move(step);
        pendingAt_ = clock_() + kBackgroundPauseMs;
        update();
        return;
    }
    showStep(*step);
}

void ShowWindow::showStep(const SlideStep& step) {
    if (step.kind == SlideKind::Picture) showPicture(step);
    else showMediaSlide(step);
}

void ShowWindow::showPicture(const SlideStep& step) {
    DecodedPicture picture;
    try {
        picture = ReadImageFile(step.path);
    } catch (const std::exception&) {
        const size_t slash = step.path.rfind('/');
        finish(QString::fromStdString(MissingSlideMessage(step.p, step.total, step.path.substr(0, slash + 1),
                                                          step.path.substr(slash + 1))));
        return;
    }
    if (settings_.colourManage) ToDisplayColours(picture.bitmap, picture.metadata.icc);
    const int w = std::max(width(), 1), h = std::max(height(), 1);
    SlideLook look = LookOfSlide(step.slide, w, h, settings_.background);
    if (!runner_.avlMode()) look.gamma = settings_.screenGamma;
    look.captionPlace = settings_.captionPlace;
    look.aspectWidth = settings_.aspectWidth, look.aspectHeight = settings_.aspectHeight;
    next_ = ComposeSlideFrame(picture.bitmap, look);
    if (shown_.width() != w || shown_.height() != h) shown_ = BlankFrame(w, h, look.background);
    const SlidePlacement place = PlaceSlide(picture.bitmap.width(), picture.bitmap.height(), look);
    const EffectRecord fx = MapEffectParameters(step.effect, settings_.speed, w, place.drawnWidth, place.drawnHeight);
    if (fx.code == kFxNone) {
        shown_ = std::move(next_);
        runner_.beginWait(waitMs_);
    } else {
        transition_ = std::make_unique<Transition>(shown_, next_, fx);
        transition_->drawFrame(0, frame_);
        transitionStart_ = clock_();
        transitionMs_ = std::max(1, TransitionDurationMs(fx, settings_.speed));
    }
    update();
}

void ShowWindow::tick() {
    if (ended_) return;
    if (runner_.stopRequested()) {
        finish({});
        return;
    }
    if (pending_) {
        if (clock_() < pendingAt_) return;
        const SlideStep step = std::move(*pending_);
        pending_.reset();
        showStep(step);
        return;
    }
    if (videoWait_) {
        pollVideo();
        return;
    }
    if (transition_) {
        const int64_t elapsed = clock_() - transitionStart_;
        const int progress = int(std::min<int64_t>(kProgressOne, elapsed * kProgressOne / transitionMs_));
        if (progress >= kProgressOne) {
            transition_.reset();
            shown_ = std::move(next_);
            runner_.beginWait(waitMs_);
        } else {
            transition_->drawFrame(progress, frame_);
        }
        update();
        return;
    }
    if (runner_.waitOver()) nextSlide();
}

void ShowWindow::finish(const QString& message) {
    if (ended_) return;
    ended_ = true;
    timer_.stop();
    transition_.reset();
    pending_.reset();
    videoWait_ = false;
    media_->stopAll();
    runner_.requestStop();
    emit finished(message);
    close();
}

void ShowWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Bitmap& f = transition_ ? frame_ : shown_;
    if (f.isEmpty()) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    const QImage image(f.bits(), f.width(), f.height(), qsizetype(f.stride()), QImage::Format_BGR888);
    painter.drawImage(0, 0, image);
    // Grown since the frame was made (the window going full screen): the rest in the background.
    const QColor bg = palette().color(QPalette::Window);
    if (width() > f.width()) painter.fillRect(f.width(), 0, width() - f.width(), height(), bg);
    if (height() > f.height()) painter.fillRect(0, f.height(), std::min(width(), f.width()), height() - f.height(), bg);
}

void ShowWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        runner_.requestStop();
        tick();
    }
    // Every other key is the show's too: none reaches the viewer's commands behind it.
    event->accept();
}

void ShowWindow::mousePressEvent(QMouseEvent* event) { event->accept(); }

void ShowWindow::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void ShowWindow::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::RightButton) runner_.requestAdvance();
    else runner_.requestStop();
    tick();
}

bool ShowWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* host = qobject_cast<QWidget*>(watched);
    if (host && host == parentWidget()) {
        if (event->type() == QEvent::Resize) setGeometry(host->rect());
        else if (event->type() == QEvent::WindowStateChange && (host->windowState() & Qt::WindowMinimized))
            stopOnMinimise(host);
    }
    return QWidget::eventFilter(watched, event);
}

void ShowWindow::stopOnMinimise(QWidget* window) {
    runner_.requestStop();
    // Restored at once; the show ends on the next turn, outside the state change.
    QTimer::singleShot(0, this, [this, window] {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        tick();
    });
}

void ShowWindow::closeEvent(QCloseEvent* event) {
    if (!ended_) {
        runner_.requestStop();
        finish({});
    }
    event->accept();
}

void ShowWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isWindow() && (windowState() & Qt::WindowMinimized))
        stopOnMinimise(this);
    QWidget::changeEvent(event);
}

}  // namespace vimbra
