#include "media/frametable.h"
#include "media/mcivocabulary.h"
#include "media/mpvmovie.h"
#include "support/printers.h"
#include "support/testmovierecipes.h"
#include "tests/media/movietest.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

using media::MediaDevice;

namespace {

double movieDuration(const QString &path)
{
    return runFfprobe({QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                       QStringLiteral("-of"), QStringLiteral("csv=p=0"), path})
            .trimmed()
            .toDouble();
}

class FrameExactness : public ::testing::TestWithParam<MovieKind>
{
protected:
    QTemporaryDir folder;
    TestMovie movie = makeTestMovie(GetParam(), folder.path());
    RealDevice real;
    MediaDevice &device = real.device;

    // What ffmpeg decodes as each frame.
    QList<int> decoded;

    void SetUp() override
    {
        real.open(movie.path);
        decoded = shownFrameIndexes(movie);
        ASSERT_EQ(decoded.size(), movie.frames);
    }

    void expectAt(qint32 frame, const char *what)
    {
        EXPECT_EQ(device.QueryPosition(), frame) << what;
        EXPECT_EQ(real.shownFrame(), decoded.value(std::min(frame, qint32(movie.frames - 1))))
                << what << " " << frame;
    }

    // The first keyframe after frame 1, if any.
    std::optional<qint32> laterKeyframe() const
    {
        for (const int index : keyframeIndexes(movie)) {
            if (index > 1)
                return index;
        }
        return std::nullopt;
    }
};

} // namespace

TEST_P(FrameExactness, OpensAsDigitalVideoWithItsLength)
{
    EXPECT_EQ(device.QueryDeviceType(), qint32(mci::MCI_DEVTYPE_DIGITAL_VIDEO));
    EXPECT_TRUE(device.HasVideo);
    EXPECT_EQ(device.QueryLength(), movie.frames);
    EXPECT_EQ(device.StepFrames, movie.frames / 10);
    // Upright, at its display shape.
    const QSize shown(movie.displayWidth, movie.displayHeight);
    EXPECT_EQ(device.WhereSource().size(), shown);
    EXPECT_EQ(QSize(device.DefaultWidth, device.DefaultHeight), shown);
    EXPECT_EQ(device.QueryPosition(), 0);
    EXPECT_EQ(real.shownFrame(), decoded.value(0));

    device.SetTimeFormat(mci::MCI_FORMAT_MILLISECONDS);
    // Frames that last two frame times make the movie longer than its frames at the stated rate.
    const bool variable = GetParam() == MovieKind::VfrMov || GetParam() == MovieKind::VfrMkv
            || GetParam() == MovieKind::PortraitVfrMp4;
    EXPECT_NEAR(device.QueryLength(),
                variable ? movieDuration(movie.path) * 1000 : movie.frames * 1000.0 / movie.fps,
                variable ? 1000.0 / movie.fps : 1.0);
    device.SetTimeFormat(mci::MCI_FORMAT_FRAMES);
    EXPECT_EQ(device.QueryLength(), movie.frames);

    // A table kept between runs is the table read from the packets.
    QTemporaryDir keptFolder;
    media::TableKeeping keeping {media::FrameTableCache(keptFolder.path()), 0};
    const QByteArray path = QFile::encodeName(movie.path);
    const auto readTable = [&] {
        media::FrameTable table(path, false, &keeping);
        EXPECT_TRUE(table.waitUntilComplete(std::chrono::seconds(10)));
        return std::tuple(table.frames(), table.size() > 0 ? table.time(table.size() - 1) : 0,
                          table.hasMadeUpTimes());
    };
    const auto read = readTable();
    // Every kind has a table: HEVC in Matroska, which stores no decoding times, and MPEG-1
    // program streams, whose pictures without a time of their own the demuxer stamps one frame
    // early, too. A table from the container's index is read again as quickly: none is kept.
    EXPECT_EQ(qint64(std::get<0>(read).size()), movie.frames);
    const QStringList indexed {QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("avi"),
                               QStringLiteral("3gp")};
    const bool fromIndex = indexed.contains(QFileInfo(movie.path).suffix());
    EXPECT_EQ(QDir(keptFolder.path()).entryList(QDir::Files).size(), fromIndex ? 0 : 1);
    EXPECT_EQ(readTable(), read);

    // Containers with an index of every frame give the same table from it alone.
    using media::TableReading;
    const std::optional<media::CachedTable> fromPackets
            = media::readFrameTable(path, TableReading::Packets);
    const std::optional<media::CachedTable> index
            = media::readFrameTable(path, TableReading::Index);
    EXPECT_EQ(index.has_value(), fromIndex);
    ASSERT_TRUE(fromPackets);
    // Transport streams and Matroska skip the parser only where it changes nothing.
    const std::optional<media::CachedTable> parsed
            = media::readFrameTable(path, TableReading::ParsedPackets);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->frames, fromPackets->frames);
    EXPECT_EQ(parsed->madeUpTimes, fromPackets->madeUpTimes);
    if (index) {
        EXPECT_EQ(index->frames, fromPackets->frames);
        EXPECT_EQ(index->timeBase, fromPackets->timeBase);
        EXPECT_EQ(index->madeUpTimes, fromPackets->madeUpTimes);
    }
}

TEST_P(FrameExactness, SeeksStepsAndTheEnd)
{
    const qint32 last = movie.frames - 1;
    for (qint32 target : {0, 1, 7, 123, qint32(movie.frames / 2), last, 3, 0}) {
        if (target > last)
            continue;
        device.SeekTo(target);
        EXPECT_EQ(device.LastError, 0u) << "seek to " << target;
        expectAt(target, "after a seek");
    }

    const qint32 keyframe = laterKeyframe().value_or(6);
    for (qint32 from : {5, keyframe - 1}) {
        device.SeekTo(from);
        device.SeekTo(device.QueryPosition() + 1);
        expectAt(from + 1, "one frame forward");
        device.SeekTo(device.QueryPosition() - 1);
        expectAt(from, "one frame back");
    }
    device.SeekTo(5);
    device.StepForward();
    expectAt(5 + device.StepFrames, "a tenth forward");
    device.StepBackward();
    expectAt(5, "a tenth back");

    device.SeekTo(movie.frames);
    EXPECT_EQ(device.LastError, 0u);
    expectAt(movie.frames, "the end is the length");
    for (qint32 refused : {-1, movie.frames + 1}) {
        device.SeekTo(refused);
        EXPECT_EQ(device.LastError, mci::MCIERR_OUTOFRANGE) << refused;
        expectAt(movie.frames, "a refused seek does not move");
    }
    device.StepForward();
    expectAt(device.StepFrames, "a tenth forward from the end starts over");
}

TEST_P(FrameExactness, PlaysToTheEndAndStopsThere)
{
    // Long movies play their last second only.
    device.SeekTo(std::max(0, movie.frames - 30));
    const qint32 start = device.QueryPosition();
    device.StartPlay();
    EXPECT_EQ(device.QueryMode(), media::Playing);
    const bool ended
            = QTest::qWaitFor([&] { return device.QueryPosition() == movie.frames; }, 15000);
    ASSERT_TRUE(ended) << "position " << device.QueryPosition();
    EXPECT_EQ(device.QueryMode(), media::Stopped);
    EXPECT_GT(device.QueryPosition(), start);

    device.StartPlay();
    EXPECT_LT(device.QueryPosition(), movie.frames) << "play at the end starts over";
    device.TogglePause();
    EXPECT_EQ(device.QueryMode(), media::Paused);
    const qint32 paused = device.QueryPosition();
    EXPECT_EQ(real.shownFrame(), decoded.value(paused));
    device.TogglePause();
    EXPECT_EQ(device.QueryMode(), media::Playing);
    device.StopPlay();
    EXPECT_EQ(device.QueryMode(), media::Stopped);
}

TEST_P(FrameExactness, StepsBackToTheStartAndForwardAgainShowingWhatTheEngineDraws)
{
    // Pictures drawn smaller than the movie are kept at the size shown.
    const QRect shown(0, 0, movie.displayWidth * 3 / 4, movie.displayHeight * 3 / 4);
    device.PutDestination(shown);
    RealDevice reference(0);
    reference.open(movie.path);
    reference.device.PutDestination(shown);
    const qint32 top = std::min(laterKeyframe().value_or(10) + 2, movie.frames - 1);
    // Compared pixel for pixel with the engine's own picture of the frame.
    const QList<qint32> compared = {0, top / 2, top - 3};

    // Reached while playing: frames played before the seek are drawn late.
    device.StartPlay();
    QTest::qWait(100);
    device.SeekTo(top);
    expectAt(top, "reached while playing");
    for (qint32 frame = top - 1; frame >= 0; --frame) {
        device.SeekTo(device.QueryPosition() - 1);
        expectAt(frame, "back");
    }
    for (qint32 frame = 1; frame <= top; ++frame) {
        device.SeekTo(device.QueryPosition() + 1);
        expectAt(frame, "forward");
        if (!compared.contains(frame))
            continue;
        reference.device.SeekTo(frame);
        EXPECT_TRUE(real.shownPicture() == reference.shownPicture()) << "picture of " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, FrameExactness, ::testing::ValuesIn(exactnessMovieKinds()),
                         KindTestName());

// Pictures kept for steps back, on a movie with short groups of pictures.
TEST(KeptPictures, StayWithinTheirBudgetAndExactOnAWalkLongerThanTheyHold)
{
    QTemporaryDir folder;
    const TestMovie movie = makeTestMovie(MovieKind::Mpeg2Ts, folder.path());
    const QList<int> decoded = shownFrameIndexes(movie);
    const qint64 budget = 8 * qint64(movie.width) * movie.height * 4;
    media::MpvMovie::Failure failure;
    const std::unique_ptr<media::MpvMovie> opened = media::MpvMovie::open(
            QFile::encodeName(movie.path), {{"ao", "null"}}, budget, failure);
    ASSERT_TRUE(opened);
    QWidget panel;
    opened->bind(&panel);

    ASSERT_EQ(opened->seek(movie.frames - 1), 0u);
    for (qint64 frame = movie.frames - 2; frame >= 0; --frame) {
        ASSERT_EQ(opened->seek(frame), 0u);
        QImage picture(movie.width, movie.height, QImage::Format_RGB32);
        ASSERT_TRUE(opened->paintFrame(picture));
        EXPECT_EQ(frameIndexOf(picture).value_or(-1), decoded.value(frame)) << frame;
        EXPECT_LE(opened->keptBytes(), budget) << frame;
    }
    EXPECT_GT(opened->keptBytes(), 0);
}

TEST(KeptPictures, AMovieReplacedWhileFramesAreDecodedAheadLeavesNothingBehind)
{
    QTemporaryDir folder;
    const TestMovie first = makeTestMovie(MovieKind::H264Mp4, folder.path());
    const TestMovie second = makeTestMovie(MovieKind::VcdDat, folder.path());
    const QList<int> decoded = shownFrameIndexes(second);
    RealDevice real;
    real.open(first.path);
    // A step back over a long group of pictures: the frames before are decoded ahead.
    real.device.SeekTo(first.frames - 1);
    real.device.SeekTo(first.frames - 2);

    real.open(second.path);
    const qint32 top = 12;
    real.device.SeekTo(top);
    for (qint32 frame = top - 1; frame >= 0; --frame) {
        real.device.SeekTo(frame);
        const QImage picture = real.shownPicture();
        EXPECT_EQ(picture.size(), QSize(second.width, second.height)) << frame;
        EXPECT_EQ(frameIndexOf(picture).value_or(-1), decoded.value(frame)) << frame;
    }
}

// Every rectangle the player may hand over, down to a pixel and past the screen, is drawn from
// the upright picture; none ends the player.
TEST(TurnedPictures, AnyDestinationIsDrawnUprightAndOfTheRightFrame)
{
    QTemporaryDir folder;
    for (const MovieKind kind : {MovieKind::PortraitH264Mp4, MovieKind::UpsideDownMov}) {
        const TestMovie movie = makeTestMovie(kind, folder.path());
        const QList<int> decoded = shownFrameIndexes(movie);
        RealDevice real;
        real.open(movie.path);
        real.device.SeekTo(9);
        for (const QSize size : {QSize(1, 1), QSize(1, 900), QSize(900, 1), QSize(3, 2),
                                 QSize(4000, 3000), QSize(144, 192), QSize(600, 200)}) {
            real.device.PutDestination(QRect(QPoint(0, 0), size));
            const QImage picture = real.shownPicture();
            EXPECT_EQ(picture.size(), size);
            if (size.width() < 48 || size.height() < 32)
                continue;
            EXPECT_EQ(frameIndexOf(picture).value_or(-1), decoded.value(9))
                    << movieKindName(kind).toStdString() << " at " << size.width() << "*"
                    << size.height();
        }
    }
}

// Two hours as a minute joined 120 times, as long movies are: the index alone tells every frame
// as the packets do.
TEST(FrameTables, ATwoHourMoviesIndexTellsWhatItsPacketsTell)
{
    QTemporaryDir folder;
    const struct
    {
        const char *name;
        QStringList codec;
    } movies[]
            = {{"long.mp4", argumentList({"-c:v", "libx264", "-preset", "ultrafast", "-bf", "2"})},
               {"long.avi", argumentList({"-c:v", "mpeg4", "-bf", "2"})}};
    for (const auto &movie : movies) {
        const QString name = QString::fromLatin1(movie.name);
        const QString minute
                = folder.filePath(QStringLiteral("minute.") + QFileInfo(name).suffix());
        runFfmpeg(argumentList({"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-t", "60", "-g",
                                "250"})
                  + movie.codec + QStringList {minute});
        QFile list(folder.filePath(QStringLiteral("minutes.txt")));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (int i = 0; i < 120; ++i)
            list.write("file '" + QFile::encodeName(minute) + "'\n");
        list.close();
        const QString joined = folder.filePath(name);
        runFfmpeg(argumentList({"-f", "concat", "-safe", "0", "-i"})
                  + QStringList {list.fileName(), QStringLiteral("-c"), QStringLiteral("copy"),
                                 joined});

        const QByteArray path = QFile::encodeName(joined);
        const auto index = media::readFrameTable(path, media::TableReading::Index);
        const auto packets = media::readFrameTable(path, media::TableReading::Packets);
        ASSERT_TRUE(index && packets) << movie.name;
        EXPECT_EQ(index->frames.size(), 180'000u) << movie.name;
        EXPECT_EQ(index->frames, packets->frames) << movie.name;
    }
}

// Movies whose index lists no frame (fragments) or frames the file no longer holds (cut short):
// the player's table is what their packets tell.
TEST(FrameTables, FragmentedAndCutMoviesHaveTheTableOfTheirPackets)
{
    QTemporaryDir folder;
    constexpr int Frames = 120;
    const QString mp4 = makeTestMovie(MovieKind::H264Mp4, folder.path(), Frames).path;
    const QString avi = makeTestMovie(MovieKind::Mpeg4Avi, folder.path(), Frames).path;
    const auto remuxed = [&](const QString &from, const char *name, const QStringList &options) {
        const QString to = folder.filePath(QString::fromLatin1(name));
        runFfmpeg(QStringList {QStringLiteral("-i"), from}
                  + argumentList({"-map", "0", "-c", "copy"}) + options + QStringList {to});
        return to;
    };
    const auto cut = [](const QString &path) {
        QFile::resize(path, QFileInfo(path).size() * 3 / 5);
        return path;
    };
    const QStringList fragments = argumentList(
            {"-movflags", "empty_moov+default_base_moof", "-frag_duration", "400000"});
    const struct
    {
        const char *name;
        QString path;
        bool whole;
    } movies[] = {
            {"fragmented", remuxed(mp4, "fragmented.mp4", fragments), true},
            {"fragmented, cut", cut(remuxed(mp4, "fragmented-cut.mp4", fragments)), false},
            {"index first, cut",
             cut(remuxed(mp4, "front-cut.mp4", argumentList({"-movflags", "+faststart"}))), false},
            {"AVI without its index", cut(remuxed(avi, "cut.avi", {})), false},
    };
    for (const auto &movie : movies) {
        SCOPED_TRACE(movie.name);
        const QByteArray path = QFile::encodeName(movie.path);
        const std::optional<media::CachedTable> packets
                = media::readFrameTable(path, media::TableReading::Packets);
        ASSERT_TRUE(packets);
        if (movie.whole)
            EXPECT_EQ(qint64(packets->frames.size()), Frames);
        else
            EXPECT_LT(qint64(packets->frames.size()), Frames);
        const std::optional<media::CachedTable> index
                = media::readFrameTable(path, media::TableReading::Index);
        if (index) {
            EXPECT_EQ(index->frames, packets->frames);
        }
        media::FrameTable table(path, false, nullptr);
        ASSERT_TRUE(table.waitUntilComplete(std::chrono::seconds(10)));
        EXPECT_EQ(table.frames(), packets->frames);
    }
}
