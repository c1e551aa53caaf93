#include "imagefiles/metadata_exiv2.h"

#include <exiv2/exiv2.hpp>
#include <cstring>
#include <mutex>

namespace vimbra::exiv2 {
namespace {

thread_local ErrorWatch* watch = nullptr;

// A block exiv2 skips ("Failed to decode ...") comes as a mere warning.
void Log(int level, const char* message) {
    if (!watch) return;
    if (level >= Exiv2::LogMsg::error || (message && std::strstr(message, "Failed to decode")))
        watch->count();
}

void LockXmp(void* data, bool lock) {
    auto* m = static_cast<std::mutex*>(data);
    if (lock)
        m->lock();
    else
        m->unlock();
}

}  // namespace

void Setup() {
    static std::once_flag once;
    std::call_once(once, [] {
        static std::mutex xmpLock;
        Exiv2::XmpParser::initialize(LockXmp, &xmpLock);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(Log);
    });
}

ErrorWatch::ErrorWatch() : outer_(watch) { watch = this; }
ErrorWatch::~ErrorWatch() { watch = outer_; }

}  // namespace vimbra::exiv2
