#include "slideshow/avl_running.h"

#include <QDir>
#include <QStandardPaths>
#include <set>

namespace vimbra {
namespace {

// The locks of this process that hold their file now (user-interface thread only).
std::set<AvlRunningLock*>& Held() {
    static std::set<AvlRunningLock*> held;
    return held;
}

}  // namespace

AvlRunningLock::AvlRunningLock(QString path) : path_(std::move(path)) {}

AvlRunningLock::~AvlRunningLock() { release(); }

void AvlRunningLock::ReleaseAllHeld() {
    const std::set<AvlRunningLock*> held = Held();
    for (AvlRunningLock* lock : held) lock->release();
}

QString AvlRunningLock::DefaultPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QStringLiteral("/vimbra-avl-running.lock");
}

bool AvlRunningLock::acquire() {
    if (held()) return true;
    auto lock = std::make_unique<QLockFile>(path_);
    lock->setStaleLockTime(0);  // only a dead owner makes a lock stale
    if (!lock->tryLock(0)) return false;
    lock_ = std::move(lock);
    Held().insert(this);
    return true;
}

void AvlRunningLock::release() {
    if (lock_) lock_->unlock();
    lock_.reset();
    Held().erase(this);
}

bool AvlRunningLock::held() const { return lock_ && lock_->isLocked(); }

bool AvlRunningLock::heldElsewhere() const {
    if (held()) return false;
    QLockFile probe(path_);
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

}  // namespace vimbra
