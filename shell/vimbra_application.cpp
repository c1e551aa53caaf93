#include "shell/vimbra_application.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "shell/error_report.h"
#include "slideshow/avl_running.h"

namespace vimbra {
namespace {

std::function<void(const std::string&)>& LastWords() {
    static std::function<void(const std::string&)> write;
    return write;
}

[[noreturn]] void OnTerminate() {
    const std::string message = CurrentExceptionMessage();
    std::fprintf(stderr, "vimbra: fatal error: %s\n", message.c_str());
    // Only once: a failure while writing must not come back here.
    static bool inside = false;
    if (!inside && LastWords()) {
        inside = true;
        try {
            LastWords()(message);
        } catch (...) {
        }
    }
    // Another instance must not think a show still runs here.
    AvlRunningLock::ReleaseAllHeld();
    std::abort();
}

}  // namespace

VimbraApplication::VimbraApplication(int& argc, char** argv) : QApplication(argc, argv) {
    std::set_terminate(OnTerminate);
}

void VimbraApplication::setLastWords(std::function<void(const std::string&)> write) {
    LastWords() = std::move(write);
}

bool VimbraApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::string message = CurrentExceptionMessage();
        if (errorHandler) errorHandler(message);
        else std::fprintf(stderr, "vimbra: %s\n", message.c_str());
    }
    return false;
}

}  // namespace vimbra
