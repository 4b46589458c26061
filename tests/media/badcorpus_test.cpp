// A corpus of damaged and mislabelled files, made from good test movies at test time, met in the
// player the way a user with Continue on meets them: each is played as far as it decodes or
// refused once and greyed, nothing hangs, and the good movie after them still plays.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "media/mpvdriver.h"
#include "settings/tform2.h"
#include "support/messagecatcher.h"
#include "support/printers.h"
#include "support/testmovies.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <stdexcept>

namespace {

// Opening any file, or playing one of these short files to its end, may take this long before
// it counts as a hang.
constexpr qint64 HangMs = 5000;
// The good movies the corpus is made from: short, so that the played ones end quickly.
constexpr int BaseFrames = 10;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Where the data of the occurrence-th chunk (or list) with that tag starts. The header's tags
// come before any payload, so their first occurrences are the header's.
qsizetype chunkData(const QByteArray &riff, const char *tag, int occurrence = 0)
{
    qsizetype at = -1;
    for (int i = 0; i <= occurrence; ++i) {
        at = riff.indexOf(tag, at + 1);
        if (at < 0)
            throw std::runtime_error(std::string("the test movie has no chunk ") + tag);
    }
    return at + 8;
}

// Where a LIST of that type starts ("LIST", size, type).
qsizetype listStart(const QByteArray &riff, const char *type)
{
    return chunkData(riff, type) - 16;
}

QByteArray withU32(QByteArray bytes, qsizetype at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

QByteArray withU16(QByteArray bytes, qsizetype at, quint16 value)
{
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

QByteArray withBitFlipped(QByteArray bytes, qsizetype at, int bit)
{
    bytes[at] = char(bytes[at] ^ (1 << bit));
    return bytes;
}

QByteArray withRandomFlips(QByteArray bytes, qsizetype from, qsizetype to, int count, unsigned seed)
{
    std::mt19937 random(seed);
    for (int i = 0; i < count; ++i)
        bytes = withBitFlipped(bytes, from + qsizetype(random() % quint64(to - from)),
                               int(random() % 8));
    return bytes;
}

QByteArray randomBytes(qsizetype size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random());
    return bytes;
}

QByteArray zeroed(QByteArray bytes, qsizetype at, qsizetype count)
{
    bytes.replace(at, count, QByteArray(count, '\0'));
    return bytes;
}

// The good movies the corpus is cut from: AVI (Motion JPEG, PCM), MPEG-1 and QuickTime (H.264).
struct Bases
{
    QByteArray avi;
    QByteArray mpg;
    QByteArray mov;
    QString folder;
};

struct BadFile
{
    QString name;
    QByteArray bytes;
    // Added to the playlist, then removed before its turn comes.
    bool deleted = false;
};

enum class Group { Truncated, BitFlipped, FalseHeaders, NotMovies };

QString groupName(Group group)
{
    switch (group) {
    case Group::Truncated:
        return QStringLiteral("Truncated");
    case Group::BitFlipped:
        return QStringLiteral("BitFlipped");
    case Group::FalseHeaders:
        return QStringLiteral("FalseHeaders");
    case Group::NotMovies:
        return QStringLiteral("NotMovies");
    }
    return {};
}

void PrintTo(Group group, std::ostream *out)
{
    *out << groupName(group).toStdString();
}

QList<BadFile> truncatedFiles(const Bases &base)
{
    QList<BadFile> files;
    const auto cut = [&](const QByteArray &movie, const char *kind, qsizetype size) {
        files << BadFile {QStringLiteral("cut-%1-%2.%1")
                                  .arg(QLatin1StringView(kind))
                                  .arg(size, 7, 10, QLatin1Char('0')),
                          movie.left(size)};
    };
    const QByteArray &avi = base.avi;
    const qsizetype movi = listStart(avi, "movi");
    for (const qsizetype size :
         {qsizetype(8), qsizetype(12), qsizetype(40), qsizetype(100), chunkData(avi, "strf"), movi,
          movi + 12, movi + 600, avi.size() / 4, avi.size() / 2, avi.size() * 3 / 4,
          avi.lastIndexOf("idx1"), avi.size() - 1})
        cut(avi, "avi", size);
    for (const qsizetype size :
         {qsizetype(100), base.mpg.size() / 3, base.mpg.size() * 2 / 3, base.mpg.size() - 10})
        cut(base.mpg, "mpg", size);
    for (const qsizetype size : {qsizetype(40), base.mov.size() / 2, base.mov.size() - 64})
        cut(base.mov, "mov", size);
    return files;
}

QList<BadFile> bitFlippedFiles(const Bases &base)
{
    const QByteArray &avi = base.avi;
    const qsizetype movi = listStart(avi, "movi");
    const qsizetype idx1 = avi.lastIndexOf("idx1");
    const qsizetype firstFrame = chunkData(avi, "00dc");
    const struct
    {
        const char *name;
        qsizetype at;
        int bit;
    } headerFlips[] = {
            {"riff-tag", 0, 1},
            {"riff-size", 7, 6},
            {"avi-tag", 8, 0},
            {"hdrl-size", listStart(avi, "hdrl") + 7, 7},
            {"avih-size", chunkData(avi, "avih") - 4, 4},
            {"strh-type", chunkData(avi, "strh"), 2},
            {"strh-handler", chunkData(avi, "strh") + 4, 0},
            {"strf-compression", chunkData(avi, "strf") + 16, 3},
            {"audio-format", chunkData(avi, "strf", 1), 1},
            {"movi-size", movi + 7, 7},
            {"frame-size", firstFrame - 1, 6},
            {"idx1-size", idx1 + 7, 5},
            {"jpeg-start", firstFrame + 1, 0},
    };
    QList<BadFile> files;
    for (const auto &flip : headerFlips)
        files << BadFile {QStringLiteral("flip-%1.avi").arg(QLatin1StringView(flip.name)),
                          withBitFlipped(avi, flip.at, flip.bit)};
    for (const int count : {1, 16, 256})
        files << BadFile {QStringLiteral("flip-payload-%1.avi").arg(count),
                          withRandomFlips(avi, movi + 12, idx1, count, unsigned(count))};
    files << BadFile {QStringLiteral("flip-zero-frame.avi"),
                      zeroed(avi, chunkData(avi, "00dc", 1), 2000)};
    files << BadFile {QStringLiteral("flip-random-index.avi"),
                      avi.left(idx1 + 8) + randomBytes(avi.size() - idx1 - 8, 7)};
    files << BadFile {QStringLiteral("flip-pack-start.mpg"), withBitFlipped(base.mpg, 3, 4)};
    files << BadFile {QStringLiteral("flip-payload-64.mpg"),
                      withRandomFlips(base.mpg, 100, base.mpg.size(), 64, 64)};
    const QByteArray &mov = base.mov;
    files << BadFile {QStringLiteral("flip-moov-tag.mov"),
                      withBitFlipped(mov, mov.lastIndexOf("moov"), 2)};
    files << BadFile {QStringLiteral("flip-stsz.mov"),
                      withRandomFlips(mov, mov.indexOf("stsz"), mov.indexOf("stsz") + 40, 8, 5)};
    files << BadFile {
            QStringLiteral("flip-mdat-32.mov"),
            withRandomFlips(mov, mov.indexOf("mdat") + 8, mov.lastIndexOf("moov"), 32, 32)};
    return files;
}

// AVI headers (avih, strh, strf of both streams) whose fields claim what the data is not.
QList<BadFile> falseHeaderFiles(const Bases &base)
{
    const QByteArray &avi = base.avi;
    const qsizetype avih = chunkData(avi, "avih");
    const qsizetype videoStrh = chunkData(avi, "strh");
    const qsizetype audioStrh = chunkData(avi, "strh", 1);
    const qsizetype videoStrf = chunkData(avi, "strf");
    const qsizetype audioStrf = chunkData(avi, "strf", 1);
    const struct
    {
        const char *name;
        qsizetype at;
        quint32 value;
    } fields[] = {
            {"avih-usec-per-frame-0", avih, 0},
            {"avih-frames-4g", avih + 16, 0xffffffff},
            {"avih-frames-0", avih + 16, 0},
            {"avih-streams-0", avih + 24, 0},
            {"avih-streams-65535", avih + 24, 65535},
            {"avih-buffer-4g", avih + 28, 0xffffffff},
            {"avih-width-2g", avih + 32, 0x7fffffff},
            {"avih-height-2g", avih + 36, 0x7fffffff},
            {"strh-scale-0", videoStrh + 20, 0},
            {"strh-rate-0", videoStrh + 24, 0},
            {"strh-length-4g", videoStrh + 32, 0xffffffff},
            {"strh-length-0", videoStrh + 32, 0},
            {"strh-buffer-4g", videoStrh + 36, 0xffffffff},
            {"strh-audio-length-4g", audioStrh + 32, 0xffffffff},
            {"strh-audio-samplesize-0", audioStrh + 44, 0},
            {"strf-size-4g", videoStrf, 0xffffffff},
            {"strf-width-65535", videoStrf + 4, 65535},
            {"strf-height-65535", videoStrf + 8, 65535},
            {"strf-width-negative", videoStrf + 4, 0xffffff00},
            {"strf-height-min", videoStrf + 8, 0x80000000},
            {"strf-image-size-4g", videoStrf + 20, 0xffffffff},
            {"strf-audio-rate-0", audioStrf + 4, 0},
            {"strf-audio-bytes-4g", audioStrf + 8, 0xffffffff},
    };
    QList<BadFile> files;
    for (const auto &field : fields)
        files << BadFile {QStringLiteral("claim-%1.avi").arg(QLatin1StringView(field.name)),
                          withU32(avi, field.at, field.value)};
    QByteArray huge = withU32(avi, avih + 32, 65535);
    huge = withU32(huge, avih + 36, 65535);
    huge = withU32(huge, videoStrf + 4, 65535);
    files << BadFile {QStringLiteral("claim-65535x65535.avi"), withU32(huge, videoStrf + 8, 65535)};
    files << BadFile {QStringLiteral("claim-strf-bits-0.avi"), withU16(avi, videoStrf + 14, 0)};
    files << BadFile {QStringLiteral("claim-audio-channels-0.avi"), withU16(avi, audioStrf + 2, 0)};
    files << BadFile {QStringLiteral("claim-audio-align-0.avi"), withU16(avi, audioStrf + 12, 0)};
    return files;
}

QByteArray ffmpegOutput(const QStringList &arguments)
{
    return runFfmpeg(arguments + QStringList {QStringLiteral("-")});
}

QList<BadFile> notMovieFiles(const Bases &base)
{
    const QString scratch = QDir(base.folder).filePath(QStringLiteral("made"));
    QDir().mkpath(scratch);
    const QByteArray text
            = QStringLiteral("これは動画ではありません。\nただのテキストです。\n").toUtf8();
    const QStringList picture
            = {QStringLiteral("-f"),        QStringLiteral("lavfi"),
               QStringLiteral("-i"),        QStringLiteral("testsrc2=size=192x144:rate=25"),
               QStringLiteral("-frames:v"), QStringLiteral("1"),
               QStringLiteral("-f"),        QStringLiteral("image2pipe"),
               QStringLiteral("-c:v")};
    return {
            {QStringLiteral("empty.avi"), {}},
            {QStringLiteral("empty.mpg"), {}},
            {QStringLiteral("random-1k.avi"), randomBytes(1024, 1)},
            {QStringLiteral("random-200k.mpg"), randomBytes(200 * 1024, 2)},
            {QStringLiteral("random-64k.mov"), randomBytes(64 * 1024, 3)},
            {QStringLiteral("riff-then-random.avi"),
             base.avi.left(12) + randomBytes(base.avi.size() - 12, 4)},
            {QStringLiteral("audio-only.avi"),
             fileBytes(makeBadFile(BadKind::AudioOnlyAvi, scratch))},
            {QStringLiteral("audio-only.mp3"),
             fileBytes(makeBadFile(BadKind::AudioOnlyMp3, scratch))},
            {QStringLiteral("still-png.avi"),
             ffmpegOutput(picture + QStringList {QStringLiteral("png")})},
            {QStringLiteral("still-jpeg.avi"),
             ffmpegOutput(picture + QStringList {QStringLiteral("mjpeg")})},
            {QStringLiteral("text.mpg"), text},
            {QStringLiteral("text.avi"), text},
            {QStringLiteral("deleted.avi"), base.avi, true},
    };
}

QList<BadFile> corpus(Group group, const Bases &base)
{
    switch (group) {
    case Group::Truncated:
        return truncatedFiles(base);
    case Group::BitFlipped:
        return bitFlippedFiles(base);
    case Group::FalseHeaders:
        return falseHeaderFiles(base);
    case Group::NotMovies:
        return notMovieFiles(base);
    }
    return {};
}

struct Outcome
{
    QString name;
    bool played = false;
    qint64 openMs = 0;
    qint64 playMs = 0;
};

// The last outcome is the good movie's.
void printTable(Group group, const QList<Outcome> &outcomes)
{
    int played = 0;
    std::printf("\n%-34s %-8s %8s %8s\n", qPrintable(groupName(group)), "outcome", "open ms",
                "play ms");
    for (const Outcome &outcome : outcomes) {
        std::printf("%-34s %-8s %8lld %8lld\n", qPrintable(outcome.name),
                    outcome.played ? "played" : "refused", outcome.openMs, outcome.playMs);
        if (&outcome != &outcomes.last())
            played += outcome.played ? 1 : 0;
    }
    const int bad = int(outcomes.size()) - 1;
    std::printf("%d bad files: %d played, %d refused\n\n", bad, played, bad - played);
    std::fflush(stdout);
}

class BadCorpus : public ::testing::TestWithParam<Group>
{
protected:
    QTemporaryDir folder;
    QTemporaryDir settings;
    TForm1 form1 {{}, display::DirectDrawCreate, [] {
                      return std::make_unique<media::MpvDriver>(media::MpvOptions {{"ao", "null"}});
                  }};
    TForm2 *form2 = new TForm2(form1, settings.filePath(QStringLiteral("VelmoMP.ini")));
    MessageCatcher catcher;

    void SetUp() override
    {
        form2->Continue->setChecked(true);
        // The test ticks the monitor itself, faster than once a second; the start-up tick
        // would load entry 0 on its own.
        form1.Timer1->stop();
        form1.StartupState = 2;
    }

    QString name(int index) const
    {
        return QFile::decodeName(form1.FileList[index]).section(QLatin1Char('/'), -1);
    }

    // Ticks the monitor until Continue has left the entry; gives the time spent playing and
    // adds the time of the tick that opened the next file to openMs.
    qint64 playToTheEnd(int index, qint64 &openMs)
    {
        QElapsedTimer playing;
        playing.start();
        while (form1.FileIndex == index && playing.elapsed() < HangMs) {
            QTest::qWait(20);
            QElapsedTimer tick;
            tick.start();
            form1.Timer1Timer();
            openMs = tick.elapsed();
        }
        return playing.elapsed() - openMs;
    }

    // The frame index the device shows now, or -1.
    int shownFrame()
    {
        QImage picture(192, 144, QImage::Format_RGB32);
        picture.fill(Qt::black);
        form1.MediaPlayer1->PaintFrame(picture);
        return frameIndexOf(picture).value_or(-1);
    }
};

} // namespace

TEST_P(BadCorpus, EachFileIsPlayedOrRefusedOnceAndTheGoodMovieAfterThemPlays)
{
    const TestMovie good = makeTestMovie(MovieKind::MjpegAvi, folder.path(), BaseFrames);
    const Bases base {fileBytes(good.path),
                      fileBytes(makeTestMovie(MovieKind::Mpeg1Mpg, folder.path(), BaseFrames).path),
                      fileBytes(makeTestMovie(MovieKind::H264Mov, folder.path(), BaseFrames).path),
                      folder.path()};
    const QList<BadFile> files = corpus(GetParam(), base);
    const QString corpusFolder = folder.filePath(QStringLiteral("corpus"));
    ASSERT_TRUE(QDir().mkpath(corpusFolder));
    for (const BadFile &bad : files) {
        const QString path = corpusFolder + u'/' + bad.name;
        writeBytes(path, bad.bytes);
        form1.AddFile(QFile::encodeName(path));
    }
    form1.AddFile(QFile::encodeName(good.path));
    ASSERT_EQ(form1.FileCount, files.size() + 1) << "every file was admitted";
    for (const BadFile &bad : files) {
        if (bad.deleted) {
            ASSERT_TRUE(QFile::remove(corpusFolder + u'/' + bad.name));
        }
    }

    QList<Outcome> outcomes;
    qsizetype messagesSeen = 0;
    QElapsedTimer opening;
    opening.start();
    form1.FileIndex = 0;
    form1.LoadCurrentFile();
    qint64 openMs = opening.elapsed();
    for (;;) {
        const int index = form1.FileIndex;
        Outcome outcome {name(index), form1.MovieOpened == 1, openMs, 0};
        SCOPED_TRACE(outcome.name.toStdString());
        EXPECT_LT(openMs, HangMs) << "opening hangs";
        EXPECT_EQ(form1.windowTitle(), QFile::decodeName(form1.FileList[index]));
        const QList<MessageCatcher::Message> messages = catcher.messages().mid(messagesSeen);
        messagesSeen = catcher.messages().size();
        if (outcome.played) {
            EXPECT_TRUE(messages.isEmpty()) << messages.first().text.toStdString();
            EXPECT_TRUE(form1.PopupMenu1->actions().at(index)->isEnabled());
        } else {
            ASSERT_EQ(messages.size(), 1) << "one message per refused file";
            EXPECT_EQ(messages.first().text,
                      QStringLiteral("ファイル\"%1\"が開けません").arg(outcome.name));
            EXPECT_FALSE(form1.PopupMenu1->actions().at(index)->isEnabled());
        }
        if (index == form1.FileCount - 1) {
            outcomes << outcome;
            break;
        }
        if (outcome.played) {
            outcome.playMs = playToTheEnd(index, openMs);
            EXPECT_NE(form1.FileIndex, index)
                    << "Continue has not moved on after " << HangMs << " ms; the movie stands at "
                    << form1.MediaPlayer1->QueryPosition() << " of "
                    << form1.MediaPlayer1->QueryLength() << " frames";
        }
        outcomes << outcome;
        if (form1.FileIndex == index) {
            opening.restart();
            form1.NextFileClick();
            openMs = opening.elapsed();
        }
        ASSERT_EQ(form1.FileIndex, index + 1) << "the walk stopped";
    }
    printTable(GetParam(), outcomes);

    for (const BadFile &bad : files) {
        if (!bad.deleted)
            continue;
        const auto found = std::find_if(outcomes.cbegin(), outcomes.cend(),
                                        [&](const Outcome &o) { return o.name == bad.name; });
        ASSERT_NE(found, outcomes.cend());
        EXPECT_FALSE(found->played) << "a deleted file is refused";
    }

    // The good movie plays to its last frame.
    ASSERT_EQ(outcomes.size(), files.size() + 1);
    ASSERT_TRUE(outcomes.last().played);
    EXPECT_EQ(form1.windowTitle(), good.path);
    EXPECT_EQ(form1.MediaPlayer1->QueryLength(), BaseFrames);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form1.MediaPlayer1->QueryPosition() == BaseFrames; },
                                HangMs));
    EXPECT_EQ(shownFrame(), BaseFrames - 1);
}

INSTANTIATE_TEST_SUITE_P(Groups, BadCorpus,
                         ::testing::Values(Group::Truncated, Group::BitFlipped, Group::FalseHeaders,
                                           Group::NotMovies),
                         [](const auto &info) { return groupName(info.param).toStdString(); });
