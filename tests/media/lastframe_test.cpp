#include "media/lastframe.h"
#include "media/mcivocabulary.h"
#include "support/printers.h"
#include "tests/media/movietest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The latest presentation time among the decoded frames of the movie's first video stream, as
// ffprobe reports them.
double lastDecodedTime(const QString &path)
{
    const QByteArray frames
            = runFfprobe({QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                          QStringLiteral("-show_entries"), QStringLiteral("frame=pts_time"),
                          QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    std::optional<double> last;
    // A frame with side data has more fields after its time.
    for (const QByteArray &line : frames.split('\n')) {
        bool ok = false;
        const double time = line.split(',').value(0).trimmed().toDouble(&ok);
        if (ok)
            last = std::max(last.value_or(time), time);
    }
    if (!last)
        throw std::runtime_error("no frame time in " + path.toStdString());
    return *last;
}

QString cutCopy(const QString &path, double share, const QString &folder)
{
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    const QByteArray bytes = source.readAll();
    const QString cut = QStringLiteral("%1/cut-%2-%3")
                                .arg(folder)
                                .arg(int(share * 100))
                                .arg(QFileInfo(path).fileName());
    QFile target(cut);
    if (!target.open(QIODevice::WriteOnly)
        || target.write(bytes.left(qsizetype(double(bytes.size()) * share))) < 0)
        throw std::runtime_error("cannot write " + cut.toStdString());
    return cut;
}

class LastFrame : public ::testing::TestWithParam<MovieKind>
{
protected:
    QTemporaryDir folder;
    TestMovie movie = makeTestMovie(GetParam(), folder.path());
};

// Over every kind of the exactness suite: a program stream's last stored picture is often not
// its last shown one.
class LastFrameTime : public LastFrame
{};

} // namespace

TEST_P(LastFrameTime, IsThatOfTheLastDecodedFrameWhereThePacketsTellIt)
{
    const std::optional<double> time = media::findLastFrameTime(QFile::encodeName(movie.path));
    // Frames without a time of their own end some movies (B-frames in AVI, MPEG program streams
    // at low rates): the engine must decode the end. The first kinds all tell it.
    if (allMovieKinds().contains(GetParam()) && GetParam() != MovieKind::Mpeg4Avi
        && GetParam() != MovieKind::Mpeg2Mpg) {
        ASSERT_TRUE(time);
    }
    // An elementary stream's times are made up by the demuxer; ffprobe's frames show none.
    if (time && GetParam() != MovieKind::Mpeg1Es) {
        EXPECT_NEAR(*time, lastDecodedTime(movie.path), 0.1 / movie.fps);
    }
}

TEST_P(LastFrame, ACutMovieEndsOnItsLastDecodableFrame)
{
    // A cut AVI has lost its index, which sits at its end: a first seek far into an
    // all-keyframe one lands on an earlier frame while the engine names the target's time (once
    // the engine has read up to a frame, seeks to it are exact).
    if (GetParam() == MovieKind::MjpegAvi)
        GTEST_SKIP() << "a seek in a cut MJPEG AVI does not tell where it landed";
    for (double share : {0.6, 0.9}) {
        SCOPED_TRACE(share);
        const QString cut = cutCopy(movie.path, share, folder.path());
        RealDevice real;
        try {
            real.open(cut);
        } catch (const media::EMCIDeviceError &) {
            continue; // a container whose index sits at the end is refused whole
        }
        if (real.device.QueryDeviceType() != qint32(mci::MCI_DEVTYPE_DIGITAL_VIDEO))
            continue;
        const QList<QImage> frames = allDecodedFrames(cut);
        ASSERT_FALSE(frames.isEmpty());
        EXPECT_EQ(real.device.QueryLength(), frames.size()) << "the length is what decodes";
        // A last frame cut in the middle shows the band of the frame before it below the cut.
        const qint32 last = real.device.QueryLength() - 1;
        real.device.SeekTo(last);
        EXPECT_EQ(real.device.QueryPosition(), last);
        EXPECT_EQ(real.shownFrame(), frameIndexOf(frames.last()).value_or(-1));
    }
}

TEST(LastFrameOfNoMovie, IsNotFound)
{
    QTemporaryDir folder;
    for (BadKind kind :
         {BadKind::AudioOnlyAvi, BadKind::AudioOnlyMp3, BadKind::TextAsAvi, BadKind::EmptyAvi}) {
        const QString path = makeBadFile(kind, folder.path());
        EXPECT_FALSE(media::findLastFrameTime(QFile::encodeName(path)))
                << badKindName(kind).toStdString();
    }
    EXPECT_FALSE(media::findLastFrameTime("/nonexistent/movie.avi"));
    EXPECT_FALSE(media::findLastFrameTime(QFile::encodeName(folder.path())));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, LastFrame, ::testing::ValuesIn(allMovieKinds()), KindTestName());
INSTANTIATE_TEST_SUITE_P(ExactnessKinds, LastFrameTime, ::testing::ValuesIn(exactnessMovieKinds()),
                         KindTestName());
