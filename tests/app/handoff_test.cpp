#include "app/handoffblock.h"
#include "app/handoffclient.h"
#include "app/handoffserver.h"
#include "app/singleinstance.h"
#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

namespace {

class HandOff : public ::testing::Test
{
protected:
    QTemporaryDir runtime;
    InstanceLock first {runtime.path()};
    HandOffServer server;
    QList<QByteArray> received;

    void SetUp() override
    {
        ASSERT_TRUE(first.tryAcquire());
        ASSERT_TRUE(server.listen(first.serverPath()));
        server.setReceiver([this](const QByteArray &block) { received << block; });
    }

    bool waitForBlocks(qsizetype count)
    {
        return QTest::qWaitFor([&] { return received.size() >= count; }, 5000);
    }
};

} // namespace

TEST(InstanceLockTest, OnlyTheFirstStartHoldsTheLock)
{
    QTemporaryDir runtime;
    InstanceLock first(runtime.path());
    InstanceLock second(runtime.path());
    EXPECT_TRUE(first.tryAcquire());
    EXPECT_FALSE(second.tryAcquire());
    EXPECT_EQ(first.serverPath(), second.serverPath());
}

TEST(InstanceLockTest, ALockLeftByAKilledPlayerIsTaken)
{
    QTemporaryDir runtime;
    const pid_t child = ::fork();
    if (child == 0) {
        InstanceLock first(runtime.path());
        // Leave without unlocking, as a killed player would.
        ::_exit(first.tryAcquire() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFile::exists(runtime.path() + QStringLiteral("/MutexVelmo.lock")));
    InstanceLock next(runtime.path());
    EXPECT_TRUE(next.tryAcquire());
}

TEST_F(HandOff, NamesArriveInOrderAndWhole)
{
    const QList<QByteArray> names = {"/m/a b.avi", "/m/\x93\xae.mpg", "/m/c.mov"};
    ASSERT_TRUE(PostFileList(first.serverPath(), names));
    ASSERT_TRUE(waitForBlocks(1));
    EXPECT_EQ(handoff::readBlock(received.first()), names);
}

TEST_F(HandOff, EachStartIsItsOwnBlock)
{
    ASSERT_TRUE(PostFileList(first.serverPath(), {"/a", "/b"}));
    ASSERT_TRUE(PostFileList(first.serverPath(), {"/c"}));
    ASSERT_TRUE(waitForBlocks(2));
    EXPECT_EQ(handoff::readBlock(received[0]), (QList<QByteArray> {"/a", "/b"}));
    EXPECT_EQ(handoff::readBlock(received[1]), (QList<QByteArray> {"/c"}));
}

TEST_F(HandOff, RelativeNamesAreMadeAbsoluteBySender)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(runtime.path()));
    const QByteArray here = QFile::encodeName(QDir::currentPath());
    HandOffArguments({"movie.avi", "/abs/x.avi", "sub/y.avi"}, first.serverPath());
    QDir::setCurrent(previous);
    ASSERT_TRUE(waitForBlocks(1));
    EXPECT_EQ(handoff::readBlock(received.first()),
              (QList<QByteArray> {here + "/movie.avi", "/abs/x.avi", here + "/sub/y.avi"}));
}

TEST(HandOffArgumentsTest, NoArgumentsSendNothing)
{
    QTemporaryDir runtime;
    InstanceLock first(runtime.path());
    ASSERT_TRUE(first.tryAcquire());
    HandOffServer server;
    ASSERT_TRUE(server.listen(first.serverPath()));
    int blocks = 0;
    server.setReceiver([&](const QByteArray &) { ++blocks; });
    HandOffArguments({}, first.serverPath());
    QTest::qWait(200);
    EXPECT_EQ(blocks, 0);
}

TEST(HandOffArgumentsTest, AbsolutePathTable)
{
    EXPECT_EQ(absolutePath("/x/y", "/home/u"), "/x/y");
    EXPECT_EQ(absolutePath("y.avi", "/home/u"), "/home/u/y.avi");
    EXPECT_EQ(absolutePath("y.avi", "/"), "/y.avi");
    EXPECT_EQ(absolutePath("../y.avi", "/home/u"), "/home/u/../y.avi");
}

TEST_F(HandOff, BlocksBeforeTheReceiverWaitForIt)
{
    HandOffServer early;
    QTemporaryDir otherRuntime;
    InstanceLock other(otherRuntime.path());
    ASSERT_TRUE(other.tryAcquire());
    ASSERT_TRUE(early.listen(other.serverPath()));
    ASSERT_TRUE(PostFileList(other.serverPath(), {"/early"}));
    QTest::qWait(200);
    QList<QByteArray> late;
    early.setReceiver([&](const QByteArray &block) { late << block; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !late.isEmpty(); }, 5000));
    EXPECT_EQ(handoff::readBlock(late.first()), (QList<QByteArray> {"/early"}));
}

TEST_F(HandOff, TheSocketIsForThisUserOnly)
{
    struct stat info
    {};
    ASSERT_EQ(::stat(QFile::encodeName(first.serverPath()).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u) << std::oct << info.st_mode;
    EXPECT_EQ(info.st_uid, ::getuid());
}

TEST_F(HandOff, AnOversizedSenderIsDropped)
{
    QLocalSocket sender;
    sender.connectToServer(first.serverPath());
    ASSERT_TRUE(sender.waitForConnected(2000));
    const QByteArray chunk(1024 * 1024, 'x');
    for (int i = 0; i <= handoff::MaxBlockSize / chunk.size() + 1; ++i) {
        if (sender.state() != QLocalSocket::ConnectedState)
            break;
        sender.write(chunk);
        if (!QTest::qWaitFor([&] { return sender.bytesToWrite() == 0; }, 2000))
            break;
    }
    sender.disconnectFromServer();
    QTest::qWait(300);
    EXPECT_TRUE(received.isEmpty());
    // The server still serves the next start.
    ASSERT_TRUE(PostFileList(first.serverPath(), {"/after"}));
    ASSERT_TRUE(waitForBlocks(1));
    EXPECT_EQ(handoff::readBlock(received.last()), (QList<QByteArray> {"/after"}));
}

TEST(HandOffUnreachable, PostingWithoutAPlayerFails)
{
    QTemporaryDir runtime;
    EXPECT_FALSE(PostFileList(runtime.path() + QStringLiteral("/none.socket"), {"/a"}));
}
