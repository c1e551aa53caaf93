#pragma once
// The "AVL running" signal between program instances: a lock file in the
// user's runtime folder, held while a script show plays. A lock left by a
// crashed instance is stale and taken over; releasing removes only the lock
// this instance made.
#include <QLockFile>
#include <QString>
#include <memory>

namespace vimbra {

class AvlRunningLock {
public:
    explicit AvlRunningLock(QString path = DefaultPath());
    ~AvlRunningLock();

    // True when this instance now holds the lock (or already did).
    bool acquire();
    void release();
    bool held() const;
    // Another live instance holds the lock.
    bool heldElsewhere() const;

    static QString DefaultPath();
    // Releases every lock this process holds: the last act of a fatal error,
    // when no destructor will run.
    static void ReleaseAllHeld();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace vimbra
