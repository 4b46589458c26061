#include "support/printers.h"
#include "support/testmovies.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

inline void PrintTo(MovieKind kind, std::ostream *out)
{
    *out << movieKindName(kind).toStdString();
}

inline void PrintTo(BadKind kind, std::ostream *out)
{
    *out << badKindName(kind).toStdString();
}

namespace {

constexpr double ntscRate = 30000.0 / 1001;

// One folder for the whole test program, so that each movie is made only once.
QString sharedFolder()
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("cannot create a folder for test movies");
    return folder.path();
}

// Frames of the ordinary moving test picture, free of any band.
QList<QImage> plainTestPictures(const QString &size, int count)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("plain.avi"));
    runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
               QStringLiteral("testsrc2=size=%1:rate=25").arg(size), QStringLiteral("-frames:v"),
               QString::number(count), QStringLiteral("-c:v"), QStringLiteral("mjpeg"), path});
    return allDecodedFrames(path);
}

bool hasStream(const QString &path, const QString &stream)
{
    try {
        runFfmpeg({QStringLiteral("-i"), path, QStringLiteral("-map"), stream, QStringLiteral("-c"),
                   QStringLiteral("copy"), QStringLiteral("-f"), QStringLiteral("null"),
                   QStringLiteral("-")});
        return true;
    } catch (const std::runtime_error &) {
        return false;
    }
}

QImage grayPicture(int width, int height, int gray)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(gray, gray, gray));
    return picture;
}

} // namespace

TEST(FrameIndexBand, EveryIndexIsReadBackAtEverySize)
{
    const QSize sizes[] = {{192, 144}, {352, 240}, {640, 480}, {160, 120}, {24, 8}};
    for (const QSize &size : sizes) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(QColor(200, 40, 90));
        for (int index = 0; index < maxTestMovieFrames; ++index) {
            paintFrameIndex(picture, index);
            ASSERT_EQ(frameIndexOf(picture), index) << size.width() << 'x' << size.height();
        }
    }
}

TEST(FrameIndexBand, PaintedBandSurvivesScaling)
{
    QImage picture(352, 288, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    paintFrameIndex(picture, 679);
    for (const Qt::TransformationMode mode : {Qt::SmoothTransformation, Qt::FastTransformation}) {
        EXPECT_EQ(frameIndexOf(picture.scaled(640, 480, Qt::IgnoreAspectRatio, mode)), 679);
        EXPECT_EQ(frameIndexOf(picture.scaled(160, 120, Qt::IgnoreAspectRatio, mode)), 679);
        EXPECT_EQ(frameIndexOf(picture.scaled(1920, 1080, Qt::IgnoreAspectRatio, mode)), 679);
    }
    EXPECT_EQ(frameIndexOf(picture.convertToFormat(QImage::Format_Grayscale8)), 679);
}

TEST(FrameIndexBand, PicturesWithoutABandAreNotRead)
{
    EXPECT_EQ(frameIndexOf(QImage()), std::nullopt);
    EXPECT_EQ(frameIndexOf(grayPicture(192, 144, 0)), std::nullopt) << "black";
    EXPECT_EQ(frameIndexOf(grayPicture(192, 144, 255)), std::nullopt) << "white";
    EXPECT_EQ(frameIndexOf(grayPicture(192, 144, 128)), std::nullopt) << "gray";
    EXPECT_EQ(frameIndexOf(grayPicture(4, 4, 255)), std::nullopt) << "too small";

    const QList<QImage> plain = plainTestPictures(QStringLiteral("192x144"), 25);
    ASSERT_EQ(plain.size(), 25);
    for (qsizetype i = 0; i < plain.size(); ++i)
        EXPECT_EQ(frameIndexOf(plain.at(i)), std::nullopt) << "plain test picture " << i;
}

TEST(FrameIndexBand, UnclearOrWrongStripesAreNotRead)
{
    QImage picture = grayPicture(240, 160, 100);
    paintFrameIndex(picture, 5);
    ASSERT_EQ(frameIndexOf(picture), 5);

    const int stripe = 240 / 12;
    const auto withStripe = [&](int index, const QColor &color) {
        QImage changed = picture;
        QPainter(&changed).fillRect(index * stripe, 120, stripe, 40, color);
        return frameIndexOf(changed);
    };
    EXPECT_EQ(withStripe(2, QColor(128, 128, 128)), std::nullopt) << "gray bit";
    EXPECT_EQ(withStripe(1, QColor(90, 90, 90)), std::nullopt) << "dim bit";
    EXPECT_EQ(withStripe(4, QColor(170, 170, 170)), std::nullopt) << "pale bit";
    EXPECT_EQ(withStripe(0, Qt::black), std::nullopt) << "start marker";
    EXPECT_EQ(withStripe(11, Qt::white), std::nullopt) << "end marker";
    EXPECT_EQ(withStripe(2, QColor(60, 60, 60)), 5) << "dark enough";
    EXPECT_EQ(withStripe(2, QColor(190, 190, 190)), 7) << "light enough";
}

class TestMovies : public ::testing::TestWithParam<MovieKind>
{
protected:
    TestMovie movie() const { return makeTestMovie(GetParam(), sharedFolder()); }
};

TEST_P(TestMovies, HaveTheirFormatAndLength)
{
    const struct
    {
        MovieKind kind;
        QString suffix;
        QString frameRate;
        double fps;
        int width;
        int height;
        int frames;
    } expected[] = {
            {MovieKind::MjpegAvi, QStringLiteral("avi"), QStringLiteral("25/1"), 25, 192, 144, 50},
            {MovieKind::Mpeg4Avi, QStringLiteral("avi"), QStringLiteral("30000/1001"), ntscRate,
             192, 144, 60},
            {MovieKind::H264Mov, QStringLiteral("mov"), QStringLiteral("30/1"), 30, 192, 144, 60},
            {MovieKind::Mpeg1Mpg, QStringLiteral("mpg"), QStringLiteral("30000/1001"), ntscRate,
             192, 144, 60},
            {MovieKind::Mpeg1Dat, QStringLiteral("dat"), QStringLiteral("30000/1001"), ntscRate,
             192, 144, 60},
            {MovieKind::VcdDat, QStringLiteral("dat"), QStringLiteral("30000/1001"), ntscRate, 352,
             240, 60},
            {MovieKind::Mpeg2Mpg, QStringLiteral("mpg"), QStringLiteral("25/1"), 25, 192, 144, 50},
            {MovieKind::H264Mp4, QStringLiteral("mp4"), QStringLiteral("25/1"), 25, 192, 144, 300},
            {MovieKind::Vp9Webm, QStringLiteral("webm"), QStringLiteral("30000/1001"), ntscRate,
             192, 144, 60},
    };
    const auto found = std::find_if(std::begin(expected), std::end(expected),
                                    [](const auto &e) { return e.kind == GetParam(); });
    ASSERT_NE(found, std::end(expected));

    const TestMovie made = movie();
    EXPECT_EQ(made.kind, GetParam());
    EXPECT_EQ(QFileInfo(made.path).suffix(), found->suffix);
    EXPECT_TRUE(QFileInfo(made.path).isAbsolute());
    EXPECT_EQ(made.frames, found->frames);
    EXPECT_EQ(made.frames, usualFrameCount(GetParam()));
    EXPECT_EQ(made.frameRate, found->frameRate);
    EXPECT_DOUBLE_EQ(made.fps, found->fps);
    EXPECT_EQ(made.width, found->width);
    EXPECT_EQ(made.height, found->height);
    EXPECT_TRUE(hasStream(made.path, QStringLiteral("0:v:0")));
    EXPECT_TRUE(hasStream(made.path, QStringLiteral("0:a:0"))) << "every movie has a tone";
}

TEST_P(TestMovies, ChosenFramesShowTheirIndexAtAnySize)
{
    const TestMovie made = movie();
    const QList<int> chosen = {0, 1, 7, made.frames / 2, made.frames - 1};
    const QMap<int, QImage> frames = decodedFrames(made.path, chosen);
    ASSERT_EQ(frames.size(), chosen.size());
    for (int index : chosen) {
        const QImage &frame = frames.value(index);
        EXPECT_EQ(frame.size(), QSize(made.width, made.height));
        EXPECT_EQ(frameIndexOf(frame), index);
        for (const Qt::TransformationMode mode :
             {Qt::SmoothTransformation, Qt::FastTransformation}) {
            EXPECT_EQ(frameIndexOf(frame.scaled(640, 480, Qt::IgnoreAspectRatio, mode)), index)
                    << "640x480, frame " << index;
            EXPECT_EQ(frameIndexOf(frame.scaled(160, 120, Qt::IgnoreAspectRatio, mode)), index)
                    << "160x120, frame " << index;
        }
    }
}

TEST_P(TestMovies, EveryFrameShowsItsIndex)
{
    const TestMovie made = movie();
    const QList<QImage> frames = allDecodedFrames(made.path);
    ASSERT_EQ(frames.size(), made.frames);
    for (qsizetype index = 0; index < frames.size(); ++index)
        EXPECT_EQ(frameIndexOf(frames.at(index)), index);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, TestMovies, ::testing::ValuesIn(allMovieKinds()),
                         [](const ::testing::TestParamInfo<MovieKind> &info) {
                             return movieKindName(info.param)
                                     .replace(QLatin1Char('-'), QLatin1Char('_'))
                                     .toStdString();
                         });

TEST(TestMovieOptions, KeyframesOfTheH264MovieAreFrames0And250)
{
    const TestMovie made = makeTestMovie(MovieKind::H264Mp4, sharedFolder());
    EXPECT_EQ(keyframeIndexes(made), (QList<int> {0, 250}));
}

TEST(TestMovieOptions, FrameCountCanBeChosen)
{
    QTemporaryDir folder;
    EXPECT_EQ(makeTestMovie(MovieKind::Mpeg4Avi, folder.path(), 9).frames, 9);
    EXPECT_EQ(makeTestMovie(MovieKind::Mpeg2Mpg, folder.path(), 1).frames, 1);
    const TestMovie longest = makeTestMovie(MovieKind::Vp9Webm, folder.path(), maxTestMovieFrames);
    EXPECT_EQ(longest.frames, maxTestMovieFrames);
    // Bit 9 of the index first shows in frame 512.
    const QMap<int, QImage> chosen = decodedFrames(longest.path, {0, 511, 512, 1023, 5000});
    EXPECT_EQ(chosen.keys(), (QList<int> {0, 511, 512, 1023})) << "no frame past the end";
    for (auto frame = chosen.cbegin(); frame != chosen.cend(); ++frame)
        EXPECT_EQ(frameIndexOf(frame.value()), frame.key());

    EXPECT_THROW(makeTestMovie(MovieKind::MjpegAvi, folder.path(), -1), std::invalid_argument);
    EXPECT_THROW(makeTestMovie(MovieKind::MjpegAvi, folder.path(), maxTestMovieFrames + 1),
                 std::invalid_argument);
}

TEST(TestMovieOptions, TheSameMovieIsMadeOnlyOnce)
{
    QTemporaryDir folder;
    const TestMovie first = makeTestMovie(MovieKind::MjpegAvi, folder.path(), 5);

    // A file made earlier is handed out again as it is, without running ffmpeg.
    QFile file(first.path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("x");
    file.close();
    EXPECT_EQ(makeTestMovie(MovieKind::MjpegAvi, folder.path(), 5).path, first.path);
    EXPECT_EQ(QFileInfo(first.path).size(), 1);

    // Another length is another movie; a removed one is made again.
    EXPECT_NE(makeTestMovie(MovieKind::MjpegAvi, folder.path(), 6).path, first.path);
    ASSERT_TRUE(QFile::remove(first.path));
    EXPECT_EQ(makeTestMovie(MovieKind::MjpegAvi, folder.path(), 5).frames, 5);
    EXPECT_GT(QFileInfo(first.path).size(), 1);
}

TEST(TestMovieOptions, FfmpegErrorsAreReported)
{
    try {
        runFfmpeg({QStringLiteral("-i"), QStringLiteral("/nonexistent/movie.avi"),
                   QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
        FAIL() << "no error";
    } catch (const std::runtime_error &error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/movie.avi"), std::string::npos)
                << error.what();
    }
}

TEST(BadFiles, AudioOnlyFilesHaveNoPicture)
{
    const QString avi = makeBadFile(BadKind::AudioOnlyAvi, sharedFolder());
    const QString mp3 = makeBadFile(BadKind::AudioOnlyMp3, sharedFolder());
    EXPECT_EQ(QFileInfo(avi).suffix(), QStringLiteral("avi"));
    EXPECT_EQ(QFileInfo(mp3).suffix(), QStringLiteral("mp3"));
    for (const QString &path : {avi, mp3}) {
        EXPECT_TRUE(QFileInfo(path).isAbsolute()) << path.toStdString();
        EXPECT_TRUE(hasStream(path, QStringLiteral("0:a:0"))) << path.toStdString();
        EXPECT_FALSE(hasStream(path, QStringLiteral("0:v"))) << path.toStdString();
    }
}

TEST(BadFiles, TextAndEmptyFilesAreNamedAsMovies)
{
    const QString text = makeBadFile(BadKind::TextAsAvi, sharedFolder());
    EXPECT_EQ(QFileInfo(text).suffix(), QStringLiteral("avi"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).startsWith(QStringLiteral("これは")));
    EXPECT_FALSE(hasStream(text, QStringLiteral("0:v")));

    const QString empty = makeBadFile(BadKind::EmptyAvi, sharedFolder());
    EXPECT_EQ(QFileInfo(empty).suffix(), QStringLiteral("avi"));
    EXPECT_TRUE(QFileInfo::exists(empty));
    EXPECT_EQ(QFileInfo(empty).size(), 0);
}

TEST(BadFiles, TruncatedMovieKeepsItsFirstHalf)
{
    const QString truncated = makeBadFile(BadKind::TruncatedAvi, sharedFolder());
    const TestMovie whole = makeTestMovie(MovieKind::MjpegAvi, sharedFolder());
    EXPECT_EQ(QFileInfo(truncated).size(), QFileInfo(whole.path).size() / 2);
    QFile file(truncated);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), QByteArray("RIFF"));

    const QList<QImage> left = allDecodedFrames(truncated);
    EXPECT_GT(left.size(), 0) << "the first half still plays";
    EXPECT_LT(left.size(), whole.frames);
    // The cut leaves the last frame incomplete; its lower part, band included, can be left
    // over from the frame before.
    for (qsizetype index = 0; index + 1 < left.size(); ++index)
        EXPECT_EQ(frameIndexOf(left.at(index)), index);
}

TEST(BadFiles, StillPictureIsNamedAsAMovie)
{
    const QString still = makeBadFile(BadKind::PngAsAvi, sharedFolder());
    EXPECT_EQ(QFileInfo(still).suffix(), QStringLiteral("avi"));
    const QImage picture(still, "PNG");
    EXPECT_EQ(picture.size(), QSize(192, 144));
    EXPECT_EQ(frameIndexOf(picture), 0);
}
