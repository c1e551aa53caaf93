#include "slideshow/avl_running.h"

#include <gtest/gtest.h>

#include <QFile>
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

}  // namespace
}  // namespace vimbra
