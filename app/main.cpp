// The desktop program: one main window; the command line names the files.
//
//   vimbra [FILE...]                      open FILE (several: bookmarked in order)
//   vimbra --benchmark-open FILE          print the time to the first painted picture
//   vimbra --benchmark-next FILE1 FILE2   also the time from Page Down to FILE2 painted,
//                                         once FILE2 was decoded ahead
//   vimbra --screenshot OUT.png FILE...   save the window after its first picture
#include <cstdio>
#include <functional>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScrollArea>
#include <QTimer>

#include "shell/preloader.h"
#include "shell/picture_view.h"
#include "shell/main_window.h"
#include "shell/vimbra_application.h"
#include "slideshow/avl_running.h"

namespace {

using vimbra::MainWindow;

enum class Mode { Normal, BenchmarkOpen, BenchmarkNext, Screenshot };

// Calls `step` every millisecond until it returns true; gives up (exit code 1)
// after 30 s.
void PollUntil(QObject* owner, std::function<bool()> step) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, step] {
        if (step()) timer->stop();
    });
    timer->start(1);
    QTimer::singleShot(30000, owner, [] {
        std::fprintf(stderr, "timed out\n");
        QApplication::exit(1);
    });
}

void PrintMs(const char* what, qint64 ms) {
    std::printf("%s: %lld ms\n", what, static_cast<long long>(ms));
    std::fflush(stdout);
}

// Page Down (Page Up when `back`) through its menu action; prints the time
// until the display control has painted `target`, then calls `then`.
void TimeStep(MainWindow& form, bool back, const std::string& target, const char* what,
              std::function<void()> then) {
    auto timer = std::make_shared<QElapsedTimer>();
    auto link = std::make_shared<QMetaObject::Connection>();
    *link = QObject::connect(form.view(), &vimbra::PictureView::painted, &form,
                             [&form, timer, link, target, what, then] {
                                 if (form.workspace().CurrentFileName != target) return;
                                 PrintMs(what, timer->elapsed());
                                 QObject::disconnect(*link);
                                 then();
                             });
    timer->start();
    form.action(back ? "onPreviousImage" : "onNextImage")->trigger();
}

void BenchmarkNext(MainWindow& form, const std::vector<std::string>& files) {
    PollUntil(&form, [&form, files] {
        vimbra::Preloader* p = form.preloader();
        if (form.firstPaintMs() < 0 || !p || !p->ready(files[1])) return false;
        TimeStep(form, false, files[1], "Page Down, preloaded", [&form, files] {
            // The same step back with nothing decoded ahead, for comparison.
            PollUntil(&form, [&form, files] {
                if (!form.preloader()->waitIdle(0)) return false;
                form.preloader()->clear();
                TimeStep(form, true, files[0], "Page Up, not preloaded",
                         [] { QApplication::exit(0); });
                return true;
            });
        });
        return true;
    });
}

void SaveScreenshot(MainWindow& form, const QString& out) {
    const QPixmap shot = form.grab();
    if (!shot.save(out, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        QApplication::exit(1);
        return;
    }
    // Where the picture lies in the shot, for comparisons that treat it apart
    // from the text around it.
    const QWidget* view = form.scrollBox()->viewport();
    QRect r(form.view()->mapTo(&form, QPoint(0, 0)), form.view()->size());
    r &= QRect(view->mapTo(&form, QPoint(0, 0)), view->size());
    std::printf("picture: %d %d %d %d\n", r.x(), r.y(), r.width(), r.height());
    QApplication::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    vimbra::VimbraApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vimbra"));
    QApplication::setOrganizationName(QStringLiteral("Vimbra"));
    // Another instance is playing a script show on this screen: leave it alone.
    if (vimbra::AvlRunningLock().heldElsewhere()) return 0;
    QStringList args = QApplication::arguments().mid(1);
    Mode mode = Mode::Normal;
    QString screenshot;
    if (!args.isEmpty() && args.front() == QLatin1String("--benchmark-open")) {
        mode = Mode::BenchmarkOpen;
        args.removeFirst();
    } else if (!args.isEmpty() && args.front() == QLatin1String("--benchmark-next")) {
        mode = Mode::BenchmarkNext;
        args.removeFirst();
    } else if (args.size() >= 2 && args.front() == QLatin1String("--screenshot")) {
        mode = Mode::Screenshot;
        screenshot = args[1];
        args = args.mid(2);
    }
    const std::vector<std::string> files = MainWindow::CommandLineFiles(args);
    if (mode == Mode::BenchmarkNext && files.size() != 2) {
        std::fprintf(stderr, "usage: vimbra --benchmark-next FILE1 FILE2\n");
        return 2;
    }
    MainWindow form(files.empty() ? args : QStringList{QString::fromStdString(files.front())});
    form.bookmarkCommandLine(files);
    app.errorHandler = [&form](const std::string& message) { form.ApplicationErrorHandler(message); };
    vimbra::VimbraApplication::setLastWords([&form](const std::string&) { form.WriteRecoveryCopies(); });
    form.show();
    if (mode != Mode::Normal) {
        // The first frame of the file opened at start, timed from main().
        auto first = std::make_shared<qint64>(-1);
        QObject::connect(form.view(), &vimbra::PictureView::painted, &form, [&form, first, &sinceStart] {
            if (*first < 0 && form.firstPaintMs() >= 0) *first = sinceStart.elapsed();
        });
        PollUntil(&form, [&form, first, mode, files, screenshot] {
            if (*first < 0) return false;
            if (mode == Mode::Screenshot) {
                SaveScreenshot(form, screenshot);
                return true;
            }
            PrintMs("first frame", *first);
            if (mode == Mode::BenchmarkOpen) QApplication::exit(0);
            else BenchmarkNext(form, files);
            return true;
        });
    }
    return QApplication::exec();
}
