#include "app/tform1.h"
#include "playlist/readahead.h"
#include "settings/privateprofile.h"
#include "settings/tform2.h"
#include "support/fakemediadriver.h"
#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/scratchfolder.h"
#include "tests/playlist/readaheadfiles.h"
#include "text/pathparts.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace readaheadfiles;

namespace {

const QString Loading = QStringLiteral("Now Loading.....");
const QString Buffering = QStringLiteral("Now Buffering.....");
const QString Copying = QStringLiteral("Now Coping.....");

// The share of the file's pages that the page cache holds.
double residentShare(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY);
    struct stat info
    {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size == 0)
        throw std::runtime_error("cannot open " + path.toStdString());
    const auto length = size_t(info.st_size);
    void *map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> pages((length + page - 1) / page);
    const bool seen = map != MAP_FAILED && ::mincore(map, length, pages.data()) == 0;
    if (map != MAP_FAILED)
        ::munmap(map, length);
    if (!seen)
        throw std::runtime_error("cannot see the page cache of " + path.toStdString());
    return double(std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }))
            / double(pages.size());
}

// Asks the kernel to drop the file's clean pages; file systems in memory keep them.
void evict(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// What the device was given to open, and the caption the window showed then.
struct Opening
{
    QByteArray name;
    QString caption;
};

struct Watch
{
    const QWidget *window = nullptr;
    QList<Opening> openings;
    // Called when the device is asked to close an open movie.
    std::function<void()> atClose;
};

// The fake engine, watched at the moments a movie is opened and closed.
class WatchingDriver final : public mci::Driver
{
public:
    explicit WatchingDriver(Watch &watch)
        : m_watch(watch)
    {}

    quint32 sendCommand(quint32 deviceId, quint32 command, quint32 flags,
                        mci::Parms &parms) override
    {
        if (command == mci::MCI_OPEN)
            m_watch.openings.append({parms.elementName, m_watch.window->windowTitle()});
        if (command == mci::MCI_CLOSE && deviceId != 0 && m_watch.atClose)
            m_watch.atClose();
        return m_fake.sendCommand(deviceId, command, flags, parms);
    }

private:
    Watch &m_watch;
    FakeMediaDriver m_fake;
};

class ReadAhead : public ::testing::Test
{
protected:
    ReadAhead()
    {
        // The last prepared entry is kept for the whole run, which here holds many players.
        TForm1::LastPreparedIndex = -1;
        // Its first tick would load entry 0 by itself whenever a display change lets events in.
        form1.Timer1->stop();
        watch.window = &form1;
        form2->TempDir->setText(QFile::decodeName(temp.path("")));
        form2->Speed1->setChecked(false);
        form2->Speed2->setChecked(false);
    }

    // The window closes its movie as it goes, when what a test's hook uses is gone.
    ~ReadAhead() override { watch.atClose = nullptr; }

    void speedUps(bool speed1, const char *speed1Size, bool speed2, const char *speed2Size)
    {
        form2->Speed1->setChecked(speed1);
        form2->Speed1Size->setText(QString::fromLatin1(speed1Size));
        form2->Speed2->setChecked(speed2);
        form2->Speed2Size->setText(QString::fromLatin1(speed2Size));
    }

    QByteArray addMovie(const QByteArray &name, qint64 size = 16, mode_t mode = 0644)
    {
        const QByteArray path = makeMovie(folder, name, size, mode);
        form1.AddFile(path);
        return path;
    }

    // Loads the entry and returns what the device was given to open.
    Opening load(int index)
    {
        form1.FileIndex = index;
        const qsizetype before = watch.openings.size();
        form1.LoadCurrentFile();
        if (watch.openings.size() != before + 1)
            throw std::runtime_error("the device was not asked to open exactly one movie");
        return watch.openings.last();
    }

    QStringList tempFiles() const
    {
        return QDir(QFile::decodeName(temp.path(""))).entryList(QDir::Files | QDir::Hidden);
    }

    QAction *entry(int index) const { return form1.PopupMenu1->actions().at(index); }

    QList<bool> marks() const
    {
        QList<bool> checked;
        for (const QAction *action : form1.PopupMenu1->actions())
            checked.append(action->isChecked());
        return checked;
    }

    ScratchFolder folder;
    ScratchFolder temp;
    Watch watch;
    TForm1 form1 {{}, display::DirectDrawCreate, [this] {
                      return std::make_unique<WatchingDriver>(watch);
                  }};
    TForm2 *form2 = new TForm2(form1, QFile::decodeName(folder.path("VelmoMP.ini")));
    MessageCatcher messages;
};

} // namespace

TEST_F(ReadAhead, WithBothSpeedUpsASmallMovieIsOnlyReadIntoTheCache)
{
    // Several times what the kernel reads ahead of a read on its own.
    speedUps(true, "64", true, "64");
    const QByteArray path = folder.path("movie.avi");
    writeFile(path, QByteArray(48 * MiB, 'm'));
    form1.AddFile(path);
    evict(path);
    const double cachedBefore = residentShare(path);

    const Opening opening = load(0);
    EXPECT_EQ(opening.caption, Buffering);
    EXPECT_EQ(opening.name, path);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path)) << "the open replaces the caption";
    EXPECT_EQ(form1.MovieOpened, 1);
    EXPECT_TRUE(tempFiles().isEmpty());
    EXPECT_TRUE(form1.TempCopyName.isEmpty());
    if (cachedBefore > 0.5)
        GTEST_SKIP() << "the page cache cannot be emptied of a file in this folder";
    // Not all of it: under memory pressure the kernel may drop a few pages again at once.
    EXPECT_GT(residentShare(path), 0.9) << "the whole movie is read";
}

TEST_F(ReadAhead, AMovieOverTheCacheLimitIsCopiedAndTheCopyPlayed)
{
    speedUps(true, "5", true, "50");
    const QByteArray path = addMovie("sea.avi", 20 * MiB, 0640);
    ASSERT_EQ(form1.FileSizeMB[0], 20);

    const Opening opening = load(0);
    const QByteArray copy = temp.path("VelmoMPtemp.avi");
    EXPECT_EQ(opening.caption, Copying);
    EXPECT_EQ(opening.name, copy);
    EXPECT_TRUE(holds(copy, contents(path)));
    EXPECT_EQ(permissions(copy), 0640u);
    EXPECT_EQ(form1.TempCopyName, copy);
    EXPECT_EQ(form1.MovieOpened, 1);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path)) << "the caption names the entry";
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(ReadAhead, TheSameEntryAgainPlaysItsOwnFileAndLeavesTheCopy)
{
    speedUps(false, "", true, "50");
    const QByteArray path = addMovie("sea.avi", 1000);
    const QByteArray copy = temp.path("VelmoMPtemp.avi");
    ASSERT_EQ(load(0).name, copy);
    writeFile(copy, "the copy as it stands");

    for (int again = 0; again < 2; ++again) {
        const Opening opening = load(0);
        EXPECT_EQ(opening.caption, Loading);
        EXPECT_EQ(opening.name, path);
        EXPECT_EQ(contents(copy), "the copy as it stands") << "neither copied again nor deleted";
        EXPECT_EQ(form1.TempCopyName, copy);
        EXPECT_EQ(marks(), QList<bool> {true});
    }
}

TEST_F(ReadAhead, EachCopyReplacesTheLastAfterTheDeviceLetItGo)
{
    speedUps(false, "", true, "50");
    const QByteArray a = addMovie("a.avi", 2 * MiB);
    const QByteArray b = addMovie("b.avi", 3 * MiB);
    const QByteArray c = addMovie("c.mpg", 1000);
    const QByteArray aviCopy = temp.path("VelmoMPtemp.avi");
    const QByteArray mpgCopy = temp.path("VelmoMPtemp.mpg");
    // Which movie the copy held each time the device closed.
    QList<QByteArray> copiesAtClose;
    watch.atClose = [&] {
        const QByteArray held = contents(aviCopy);
        copiesAtClose.append(held == contents(a) ? "a" : held == contents(b) ? "b" : "other");
    };

    EXPECT_EQ(load(0).name, aviCopy);
    EXPECT_TRUE(holds(aviCopy, contents(a)));

    EXPECT_EQ(load(1).name, aviCopy);
    EXPECT_TRUE(holds(aviCopy, contents(b)));
    EXPECT_EQ(copiesAtClose, QList<QByteArray> {"a"})
            << "the movie playing from the copy is closed before the copy is replaced";

    EXPECT_EQ(load(2).name, mpgCopy);
    EXPECT_TRUE(holds(mpgCopy, contents(c)));
    EXPECT_EQ(tempFiles(), QStringList {QStringLiteral("VelmoMPtemp.mpg")})
            << "the copy of another extension is deleted";
    EXPECT_EQ(form1.TempCopyName, mpgCopy);
}

TEST_F(ReadAhead, TheSpeedUpFollowsTheChecksAndLimits)
{
    const struct
    {
        const char *what;
        bool speed1;
        const char *speed1Size;
        bool speed2;
        const char *speed2Size;
        qint64 size;
        const QString &caption;
    } cases[] = {
            {"nothing checked", false, "50", false, "50", MiB, Loading},
            {"cache, equal to its limit", true, "10", false, "", 10 * MiB, Loading},
            {"cache, below its limit", true, "10", false, "", 10 * MiB - 1, Buffering},
            {"cache, empty limit", true, "", false, "", 16, Loading},
            {"copy, equal to its limit", false, "", true, "10", 10 * MiB, Loading},
            {"copy, below its limit", false, "", true, "10", 10 * MiB - 1, Copying},
            {"copy, empty limit", false, "", true, "", 16, Loading},
            {"copy, limit not a number", false, "", true, "lots", 16, Loading},
            {"cache unchecked, copy checked", false, "50", true, "50", MiB, Copying},
            {"cache limit not a number", true, "lots", true, "50", MiB, Copying},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        speedUps(c.speed1, c.speed1Size, c.speed2, c.speed2Size);
        const QByteArray path = addMovie(QByteArray::number(index) + ".avi", c.size);
        const Opening opening = load(index++);
        EXPECT_EQ(opening.caption, c.caption);
        EXPECT_EQ(opening.name, c.caption == Copying ? temp.path("VelmoMPtemp.avi") : path);
        EXPECT_EQ(form1.MovieOpened, 1);
    }
}

TEST_F(ReadAhead, ReadOnlyCopiesAreReplacedAndDeletedAtTheEnd)
{
    speedUps(false, "", true, "50");
    const QByteArray copy = temp.path("VelmoMPtemp.avi");
    writeFile(copy, "left read-only by an earlier run", 0444);
    const QByteArray path = addMovie("sea.avi", MiB, 0444);

    EXPECT_EQ(load(0).name, copy);
    EXPECT_TRUE(holds(copy, contents(path)));
    EXPECT_EQ(permissions(copy), 0444u) << "as read-only as its movie";

    form1.CloseDown();
    EXPECT_FALSE(exists(copy));
    EXPECT_TRUE(form1.TempCopyName.isEmpty());
    EXPECT_TRUE(exists(path));
}

TEST_F(ReadAhead, TheCopyGoesIntoTheTemporaryFolderUnderItsName)
{
    const QByteArray withoutSeparator
            = QFile::encodeName(QDir(QFile::decodeName(temp.path(""))).path());
    const struct
    {
        QByteArray tempDir;
        QByteArray movie;
        QByteArray copy;
    } cases[] = {
            {temp.path(""), "clips.d/movie", "VelmoMPtemp"},
            {withoutSeparator, "clips/sea.dat", "VelmoMPtemp.dat"},
    };
    speedUps(false, "", true, "50");
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.movie.constData());
        form2->TempDir->setText(QFile::decodeName(c.tempDir));
        const QByteArray path = addMovie(c.movie, 1000);
        EXPECT_EQ(load(index++).name, temp.path(c.copy));
        EXPECT_TRUE(holds(temp.path(c.copy), contents(path)));
    }
}

TEST_F(ReadAhead, WithoutItsTemporaryFolderTheEntryIsReportedAndGreyed)
{
    speedUps(false, "", true, "50");
    form2->TempDir->setText(QFile::decodeName(temp.path("missing/")));
    const QByteArray path = addMovie("sea.avi", 1000);

    EXPECT_EQ(load(0).name, temp.path("missing/VelmoMPtemp.avi"));
    EXPECT_EQ(form1.MovieOpened, 0);
    EXPECT_FALSE(entry(0)->isEnabled());
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path));
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("ファイル\"sea.avi\"が開けません"));
}

TEST_F(ReadAhead, AMovieLyingWhereItsCopyWouldGoIsPlayedAndKept)
{
    speedUps(false, "", true, "50");
    const QByteArray path = makeMovie(temp, "VelmoMPtemp.avi", 1000);
    form1.AddFile(path);
    const QByteArray before = contents(path);

    EXPECT_EQ(load(0).name, path);
    form1.CloseDown();
    EXPECT_TRUE(holds(path, before));
}

TEST_F(ReadAhead, TheCheckMarkFollowsTheLoadedEntry)
{
    for (const char *name : {"a.avi", "b.avi", "c.avi"})
        addMovie(name);
    load(0);
    EXPECT_EQ(marks(), (QList<bool> {true, false, false}));
    load(2);
    EXPECT_EQ(marks(), (QList<bool> {false, false, true}));

    entry(2)->trigger();
    EXPECT_EQ(marks(), (QList<bool> {false, false, true})) << "choosing the current entry";
    entry(1)->trigger();
    EXPECT_EQ(marks(), (QList<bool> {false, true, false}));

    TForm1::LastPreparedIndex = 57;
    load(0);
    EXPECT_EQ(marks(), (QList<bool> {true, true, false}))
            << "an index past the playlist unchecks nothing";
}

TEST_F(ReadAhead, TheEndClosesTheMovieBeforeDeletingItsCopy)
{
    speedUps(false, "", true, "50");
    addMovie("sea.avi", 1000);
    const QByteArray copy = temp.path("VelmoMPtemp.avi");
    ASSERT_EQ(load(0).name, copy);
    bool copyAtClose = false;
    watch.atClose = [&] { copyAtClose = exists(copy); };
    form1.move(100, 120);

    form1.CloseDown();
    EXPECT_TRUE(copyAtClose);
    EXPECT_FALSE(exists(copy));
    EXPECT_TRUE(form1.TempCopyName.isEmpty());
    EXPECT_EQ(form1.pos(), QPoint(100, 120)) << "a window stays where it is";
    EXPECT_EQ(settings::PrivateProfile(QFile::decodeName(folder.path("VelmoMP.ini")))
                      .read("Velmo", "Locate"),
              "100 120");
}

TEST(ReadAheadEnd, AFullScreenPlayEndsRecordingTheWindowedPlace)
{
    for (const int state : {1, 2}) {
        SCOPED_TRACE(state);
        PlayerWindows player;
        player.form1.FullScreenState = state;
        player.form1.SavedLeft = 30;
        player.form1.SavedTop = 40;
        player.form1.CloseDown();
        EXPECT_EQ(player.form1.pos(), QPoint(30, 40));
        EXPECT_EQ(settings::PrivateProfile(player.iniPath()).read("Velmo", "Locate"), "30 40");
    }
}
