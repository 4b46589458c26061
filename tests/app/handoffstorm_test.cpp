// Many later starts of the real executable at once, handing their files to a player running in
// this process; and who may reach the hand-off socket.
#include "app/handoffserver.h"
#include "app/singleinstance.h"
#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QDir>
#include <QLocalServer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int Starts = 50;
// All starts at once on a small machine; far more than they need.
constexpr int StormDeadlineMs = 45000;

// A later start of the real executable whose runtime folder is the given one.
std::unique_ptr<QProcess> startLater(const QString &runtimeFolder, const QList<QByteArray> &names)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList arguments;
    for (const QByteArray &name : names)
        arguments << QFile::decodeName(name);
    process->start(QStringLiteral(VELMOMP_PATH), arguments);
    return process;
}

bool finished(const std::unique_ptr<QProcess> &process)
{
    return process->state() == QProcess::NotRunning;
}

mode_t modeOf(const QString &path)
{
    struct stat info
    {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode;
}

// Tries to connect to the socket as the unprivileged user nobody, in a child process; gives 0
// when it connected, else the errno of the refusal.
int connectAsNobody(const QString &socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls from here: the parent has threads.
        constexpr uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(255);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(),
                    std::min(sizeof address.sun_path - 1, size_t(path.size())));
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
            ::_exit(0);
        ::_exit(errno);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment final
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_saved(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_wasSet)
            qputenv(m_name, m_saved);
        else
            qunsetenv(m_name);
    }
    Q_DISABLE_COPY_MOVE(ScopedEnvironment)

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_saved;
};

class HandOffStorm : public ::testing::Test
{
protected:
    QTemporaryDir runtime;
    InstanceLock lock {runtime.path()};
    HandOffServer server;
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    MessageCatcher catcher;

    void SetUp() override
    {
        ASSERT_EQ(modeOf(runtime.path()) & 0777, 0700u);
        ASSERT_TRUE(lock.tryAcquire());
        ASSERT_TRUE(server.listen(lock.serverPath()));
        server.setReceiver([this](const QByteArray &block) { form1.ReceiveDropBlock(block); });
        // The start-up tick opens the player to drops; its playlist is empty.
        form1.Timer1Timer();
    }

    QList<QByteArray> playlist() const
    {
        return QList<QByteArray>(form1.FileList.begin(), form1.FileList.begin() + form1.FileCount);
    }
};

} // namespace

TEST_F(HandOffStorm, FiftyStartsAtOnceFillThePlaylistAndAFurtherOneIsRefused)
{
    // Start i hands its "-a" and "-b" files, in the opposite order when i is odd.
    QList<QList<QByteArray>> handed;
    for (int i = 0; i < Starts; ++i) {
        const QByteArray a = player.folder.makeFile("start" + QByteArray::number(i) + "-a.avi");
        const QByteArray b = player.folder.makeFile("start" + QByteArray::number(i) + "-b.avi");
        handed << (i % 2 == 0 ? QList<QByteArray> {a, b} : QList<QByteArray> {b, a});
    }
    std::vector<std::unique_ptr<QProcess>> starts;
    for (const QList<QByteArray> &names : handed)
        starts.push_back(startLater(runtime.path(), names));
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::all_of(starts.begin(), starts.end(), finished); },
                                StormDeadlineMs))
            << "later starts still running";
    for (size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(starts[i]->exitStatus(), QProcess::NormalExit) << "start " << i;
        EXPECT_EQ(starts[i]->exitCode(), 1) << "start " << i;
    }
    // The last block may still be on its way after its sender has ended.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form1.FileCount == 2 * Starts; }, 5000))
            << form1.FileCount << " names arrived";

    const QList<QByteArray> list = playlist();
    for (int i = 0; i < Starts; ++i) {
        const qsizetype at = list.indexOf(handed[i][0]);
        ASSERT_GE(at, 0) << "lost: " << handed[i][0].toStdString();
        ASSERT_LT(at + 1, list.size());
        EXPECT_EQ(list[at + 1], handed[i][1]) << "start " << i << "'s pair is split or turned";
        EXPECT_EQ(at % 2, 0) << "start " << i << " straddles another start's pair";
    }
    EXPECT_EQ(QSet<QByteArray>(list.begin(), list.end()).size(), list.size()) << "duplicates";
    EXPECT_EQ(form1.PopupMenu1->actions().size(), 2 * Starts);
    EXPECT_TRUE(catcher.messages().isEmpty());

    // A full playlist takes nothing more; the running player carries on as it was.
    const QString title = form1.windowTitle();
    const QByteArray extra = player.folder.makeFile("extra.avi");
    const auto later = startLater(runtime.path(), {extra, handed[0][0]});
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished(later); }, StormDeadlineMs));
    EXPECT_EQ(later->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later->exitCode(), 1);
    QTest::qWait(200);
    EXPECT_EQ(playlist(), list);
    EXPECT_EQ(form1.PopupMenu1->actions().size(), 2 * Starts);
    EXPECT_EQ(form1.windowTitle(), title);
    EXPECT_EQ(form1.MovieOpened, 1);
    EXPECT_TRUE(catcher.messages().isEmpty());
}

TEST_F(HandOffStorm, OnlyThisUserReachesTheSocket)
{
    const QString socketPath = lock.serverPath();
    const mode_t socketMode = modeOf(socketPath);
    EXPECT_TRUE(S_ISSOCK(socketMode));
    EXPECT_EQ(socketMode & 077, 0u) << std::oct << socketMode;

    if (::geteuid() != 0)
        GTEST_SKIP() << "connecting as another user needs root";

    // In a folder anyone may pass through, only the socket's own mode keeps other users out.
    // A socket open to everyone beside it shows that the other user could connect at all.
    QTemporaryDir open;
    ASSERT_TRUE(QFile::setPermissions(open.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                                              | QFileDevice::ExeOther));
    QLocalServer control;
    control.setSocketOptions(QLocalServer::WorldAccessOption);
    ASSERT_TRUE(control.listen(open.filePath(QStringLiteral("control.socket"))));
    ASSERT_EQ(connectAsNobody(control.fullServerName()), 0) << "nobody cannot connect at all";

    HandOffServer exposed;
    ASSERT_TRUE(exposed.listen(open.filePath(QStringLiteral("MutexVelmo.socket"))));
    EXPECT_EQ(connectAsNobody(open.filePath(QStringLiteral("MutexVelmo.socket"))), EACCES);
    // In the player's own runtime folder the folder keeps them out as well.
    EXPECT_EQ(connectAsNobody(socketPath), EACCES);
}

TEST(InstanceRuntimeFolder, IsThisUsersAloneOrThereIsNone)
{
    ScratchFolder scratch;
    // A runtime folder that others may read is passed over for a private one.
    const QByteArray shared = scratch.path("shared");
    ASSERT_EQ(::mkdir(shared.constData(), 0755), 0);
    const QByteArray temp = scratch.path("tmp");
    ASSERT_EQ(::mkdir(temp.constData(), 0700), 0);
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", shared);
    const ScopedEnvironment tempFolder("TMPDIR", temp);
    const QString chosen = InstanceLock::defaultRuntimeFolder();
    ASSERT_FALSE(chosen.isEmpty());
    EXPECT_NE(QFile::encodeName(chosen), shared);
    EXPECT_EQ(modeOf(chosen) & 0777, 0700u) << chosen.toStdString();
    ASSERT_TRUE(QDir(chosen).removeRecursively());

    // When the private folder's place is taken by something else, there is none: a start then
    // runs as a player of its own, rather than handing its files to a lock it can never take.
    const passwd *user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    const QByteArray taken = temp + "/runtime-" + user->pw_name;
    ASSERT_EQ(::symlink(shared.constData(), taken.constData()), 0);
    const QString none = InstanceLock::defaultRuntimeFolder();
    EXPECT_TRUE(none.isEmpty()) << none.toStdString();
    InstanceLock alone(none);
    EXPECT_TRUE(alone.tryAcquire());
    EXPECT_TRUE(alone.serverPath().isEmpty());
    EXPECT_FALSE(HandOffServer().listen(alone.serverPath()));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/MutexVelmo.lock")));
}
