// The read-ahead copy in the temporary folder: gone after a normal exit, and a copy left behind
// by a killed player is replaced by the next one.

#include "harness.h"

#include <QDir>
#include <QFile>

#include <csignal>

using namespace systemtest;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(TempCopyTest, AKilledPlayersCopyIsReplacedAndANormalExitLeavesNone)
{
    Sandbox sandbox;
    const QString movie = sandbox.makeMovie(QStringLiteral("movies/clip.avi"));
    const QString temp = sandbox.makeFolder(QStringLiteral("temp"));
    const QString copy = temp + QStringLiteral("/VelmoMPtemp.avi");
    {
        QFile ini(sandbox.filePath(QStringLiteral("VelmoMP.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Velmo]\nTemp=0 0 1 50\nTempDir=" + QFile::encodeName(temp) + "/\n");
    }

    {
        const auto player = sandbox.start({movie});
        ASSERT_TRUE(player->waitForTitle(movie));
        ASSERT_EQ(contents(copy), contents(movie)) << "the copy is made";
        ::kill(pid_t(player->pid()), SIGKILL);
        EXPECT_FALSE(player->waitForExit()) << "killed, not ended";
    }
    ASSERT_TRUE(QFile::exists(copy)) << "a killed player leaves its copy";
    // Make the leftover tell itself apart, and read-only as a copy from a CD would be.
    {
        QFile leftover(copy);
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
        leftover.write("leftover");
    }
    QFile::setPermissions(copy, QFileDevice::ReadOwner);

    const auto player = sandbox.start({movie});
    ASSERT_TRUE(player->waitForTitle(movie));
    EXPECT_EQ(contents(copy), contents(movie)) << "the next copy replaces the leftover";
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::number(player->mainWindow().id())});
    pressKeys({QStringLiteral("Escape")});
    ASSERT_EQ(player->waitForExit(), 0);
    EXPECT_TRUE(QDir(temp).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << QDir(temp)
                       .entryList(QDir::Files | QDir::Hidden)
                       .join(QLatin1Char(' '))
                       .toStdString();
}
