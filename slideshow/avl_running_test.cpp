#include "slideshow/avl_running.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>

namespace vimbra {
namespace {

TEST(AvlRunningLock, OnlyTheOwnerRemovesIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("avl.lock");
    AvlRunningLock mine(path), other(path);
    EXPECT_FALSE(mine.heldElsewhere());
    EXPECT_TRUE(mine.acquire());
    EXPECT_TRUE(mine.acquire());  // again: still ours
    EXPECT_FALSE(mine.heldElsewhere());
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(other.acquire());
    EXPECT_TRUE(other.heldElsewhere());
    other.release();  // not its lock: stays
    EXPECT_TRUE(QFile::exists(path));
    mine.release();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(other.acquire());
}

TEST(AvlRunningLock, ALockOfADeadProcessIsTakenOver) {
    QTemporaryDir dir;
    const QString path = dir.filePath("avl.lock");
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("999999999\nvimbra\n" + QSysInfo::machineHostName().toUtf8() + "\n");  // no such process
    stale.close();
    AvlRunningLock lock(path);
    EXPECT_TRUE(lock.acquire());
}

TEST(AvlRunningLock, AFatalErrorReleasesOnlyOurLocks) {
    QTemporaryDir dir;
    const QString ours = dir.filePath("ours.lock"), theirs = dir.filePath("theirs.lock");
    QLockFile foreign(theirs);  // held by someone else, never ours to remove
    ASSERT_TRUE(foreign.tryLock(0));
    AvlRunningLock mine(ours), other(theirs), idle(dir.filePath("idle.lock"));
    ASSERT_TRUE(mine.acquire());
    ASSERT_FALSE(other.acquire());
    AvlRunningLock::ReleaseAllHeld();
    EXPECT_FALSE(mine.held());
    EXPECT_FALSE(QFile::exists(ours));
    EXPECT_TRUE(QFile::exists(theirs));
    AvlRunningLock::ReleaseAllHeld();  // nothing held: harmless
    EXPECT_TRUE(mine.acquire());        // and the lock can be taken again
}

}  // namespace
}  // namespace vimbra
