#include "support/testmovies.h"

#include "support/fieldavi.h"
#include "support/testmovierecipes.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>

namespace {

// Long enough for the slowest fixture on a busy machine; a hung ffmpeg must not hang the tests.
constexpr int toolTimeoutMs = 120000;

[[noreturn]] void fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

QString toolPath(const QString &name)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        fail(QStringLiteral("%1 is not installed").arg(name));
    return path;
}

QByteArray runTool(const QString &name, const QStringList &arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(toolPath(name), arguments);
    const QString command = name + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    if (!process.waitForStarted())
        fail(QStringLiteral("cannot start %1: %2").arg(command, process.errorString()));
    if (!process.waitForFinished(toolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        fail(QStringLiteral("%1 did not finish").arg(command));
    }
    const QByteArray output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(QStringLiteral("%1 failed with exit code %2:\n%3")
                     .arg(command)
                     .arg(process.exitCode())
                     .arg(QString::fromLocal8Bit(process.readAllStandardError())));
    return output;
}

QString rateText(int numerator, int denominator)
{
    return denominator == 1 ? QString::number(numerator)
                            : QStringLiteral("%1/%2").arg(numerator).arg(denominator);
}

// The moving testsrc2 picture, frames 0 onwards, and the band drawn over it on output.
QStringList pictureInput(int width, int height, const QString &rate)
{
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc2=size=%1x%2:rate=%3").arg(width).arg(height).arg(rate)};
}

QStringList bandedOutput(int frames, const QString &filter = {})
{
    return {QStringLiteral("-vf"),
            filter.isEmpty() ? frameIndexBandFilter()
                             : frameIndexBandFilter() + QLatin1Char(',') + filter,
            QStringLiteral("-frames:v"), QString::number(frames)};
}

QStringList toneInput(int sampleRate, double seconds)
{
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2")
                    .arg(sampleRate)
                    .arg(seconds, 0, 'f', 6)};
}

QByteArray probeOutput(const QString &path)
{
    return runFfprobe(argumentList({"-count_frames", "-select_streams", "v:0", "-show_entries",
                                    "stream=width,height,r_frame_rate,nb_read_frames,nb_frames,"
                                    "sample_aspect_ratio:stream_side_data=rotation",
                                    "-of", "default=noprint_wrappers=1"})
                      + QStringList {path});
}

// What ffprobe said of the movie at path.
TestMovie probed(const QString &path, MovieKind kind, const QByteArray &output)
{
    // A dropped-frame entry of an AVI is a frame that the decoder never sees.
    const char *frameCount = kind == MovieKind::DroppedAvi ? "nb_frames" : "nb_read_frames";
    TestMovie movie;
    movie.path = path;
    movie.kind = kind;
    QList<QByteArray> aspect;
    int rotation = 0;
    for (const QByteArray &line : output.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals);
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "width")
            movie.width = value.toInt();
        else if (key == "height")
            movie.height = value.toInt();
        else if (key == frameCount)
            movie.frames = value.toInt();
        else if (key == "r_frame_rate")
            movie.frameRate = QString::fromLatin1(value);
        else if (key == "sample_aspect_ratio")
            aspect = value.split(':');
        else if (key == "rotation")
            rotation = value.toInt();
    }
    // Widened or heightened by the sample aspect, then turned.
    movie.displayWidth = movie.width;
    movie.displayHeight = movie.height;
    const qint64 across = aspect.size() == 2 ? aspect.at(0).toLongLong() : 1;
    const qint64 down = aspect.size() == 2 ? aspect.at(1).toLongLong() : 1;
    if (across > down && down > 0)
        movie.displayWidth = int(movie.width * across / down);
    else if (down > across && across > 0)
        movie.displayHeight = int(movie.height * down / across);
    if (rotation % 180 != 0)
        std::swap(movie.displayWidth, movie.displayHeight);
    const QStringList rate = movie.frameRate.split(QLatin1Char('/'));
    if (rate.size() == 2 && rate.at(1).toDouble() > 0)
        movie.fps = rate.at(0).toDouble() / rate.at(1).toDouble();
    if (movie.frames <= 0 || movie.width <= 0 || movie.height <= 0 || movie.fps <= 0)
        fail(QStringLiteral("ffprobe cannot read the video of %1:\n%2")
                     .arg(path, QString::fromUtf8(output)));
    return movie;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

// ffmpeg's image2pipe output is PNG files back to back; each ends with its IEND chunk.
QList<QImage> splitPngStream(const QByteArray &stream)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    QList<QImage> pictures;
    qsizetype start = 0;
    while (start < stream.size()) {
        if (stream.mid(start, signature.size()) != signature)
            fail(QStringLiteral("ffmpeg wrote something other than PNG pictures"));
        qsizetype position = start + signature.size();
        bool ended = false;
        while (!ended) {
            // length, type, data, CRC
            if (position + 12 > stream.size())
                fail(QStringLiteral("ffmpeg wrote a cut PNG picture"));
            const quint32 length = qFromBigEndian<quint32>(stream.constData() + position);
            ended = QByteArrayView(stream.constData() + position + 4, 4) == "IEND";
            position += 12 + qsizetype(length);
        }
        QImage picture
                = QImage::fromData(QByteArrayView(stream).sliced(start, position - start), "PNG");
        if (picture.isNull())
            fail(QStringLiteral("cannot read a PNG picture written by ffmpeg"));
        pictures.append(picture.convertToFormat(QImage::Format_RGB32));
        start = position;
    }
    return pictures;
}

QList<QImage> decodeToPictures(const QStringList &inputOptions, const QString &path,
                               const QStringList &filter, const char *fpsMode = "passthrough")
{
    return splitPngStream(runFfmpeg(inputOptions + QStringList {QStringLiteral("-i"), path} + filter
                                    + argumentList({"-fps_mode", fpsMode, "-f", "image2pipe",
                                                    "-c:v", "png", "-pix_fmt", "rgb24", "-"})));
}

QMutex cacheLock;

// Movies made before, and what ffprobe and ffmpeg said of them, shared by every test program of
// the build and by the runs after: making and decoding them took half of a test run.
QString sharedFolder()
{
#ifdef VELMO_TEST_MOVIES
    return QStringLiteral(VELMO_TEST_MOVIES);
#else
    return {};
#endif
}

// Another process may be writing the same file: each writes its own and renames it in place.
void share(const QString &name, const QByteArray &bytes)
{
    const QString folder = sharedFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    const QString target = QDir(folder).filePath(name);
    const QString written = target + QStringLiteral(".%1").arg(QCoreApplication::applicationPid());
    QFile file(written);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size()
        && file.flush())
        std::rename(QFile::encodeName(written).constData(), QFile::encodeName(target).constData());
    QFile::remove(written);
}

std::optional<QByteArray> shared(const QString &name)
{
    const QString folder = sharedFolder();
    QFile file(QDir(folder).filePath(name));
    if (folder.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// Raised with every change to how makeTestMovie() makes a movie beyond its recipe and the band,
// so that movies made the old way are not taken for new ones.
constexpr int MovieMaking = 1;

// Names a movie by all that makes it.
QString sharedName(MovieKind kind, int frames, const Recipe &recipe)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString &part :
         QStringList {recipe.suffix, recipe.filter, frameIndexBandFilter()} + recipe.codecArguments)
        hash.addData(part.toUtf8() + '\0');
    for (const int number : {MovieMaking, recipe.width, recipe.height, recipe.rateNumerator,
                             recipe.rateDenominator, recipe.sampleRate, recipe.turn, frames})
        hash.addData(QByteArray::number(number) + '\0');
    return QStringLiteral("%1-%2").arg(movieKindName(kind),
                                       QString::fromLatin1(hash.result().toHex().left(16)));
}

// The filter that stores an upright picture so that a player's turn shows it upright again.
QString storedTurn(int turn)
{
    switch (turn) {
    case 90:
        return QStringLiteral("transpose=cclock");
    case 180:
        return QStringLiteral("hflip,vflip");
    case 270:
        return QStringLiteral("transpose=clock");
    default:
        return {};
    }
}

QString joinedFilters(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + QLatin1Char(',') + second;
}

} // namespace

TestMovie makeTestMovie(MovieKind kind, const QString &folder, int frames)
{
    if (frames == 0)
        frames = usualFrameCount(kind);
    if (frames < 1 || frames > maxTestMovieFrames)
        throw std::invalid_argument("a test movie has 1 to 1024 frames");

    static QMap<QString, TestMovie> made;
    const Recipe recipe = recipeOf(kind);
    const QString suffix = kind == MovieKind::Mpeg1Dat ? QStringLiteral("dat") : recipe.suffix;
    const QString path = QFileInfo(QDir(folder).filePath(QStringLiteral("%1-%2.%3")
                                                                 .arg(movieKindName(kind))
                                                                 .arg(frames)
                                                                 .arg(suffix)))
                                 .absoluteFilePath();
    {
        const QMutexLocker locker(&cacheLock);
        const auto found = made.constFind(path);
        if (found != made.cend() && QFile::exists(path))
            return *found;
    }
    // The probe is shared after the movie: with it, the movie is whole.
    const QString name = sharedName(kind, frames, recipe);
    const std::optional<QByteArray> sharedProbe = shared(name + QStringLiteral(".probe"));
    if (const std::optional<QByteArray> sharedMovie = sharedProbe ? shared(name) : std::nullopt) {
        writeFile(path, *sharedMovie);
        const TestMovie movie = probed(path, kind, *sharedProbe);
        const QMutexLocker locker(&cacheLock);
        made.insert(path, movie);
        return movie;
    }

    if (kind == MovieKind::Mpeg1Dat) {
        // The very bytes of the .mpg movie, as Video CD rips often are.
        const TestMovie mpg = makeTestMovie(MovieKind::Mpeg1Mpg, folder, frames);
        writeFile(path, readFile(mpg.path));
    } else if (kind == MovieKind::FieldMjpegAvi) {
        QList<QList<QByteArray>> fields;
        for (const char *field : {"top", "bottom"}) {
            fields.append(splitJpegStream(runFfmpeg(
                    pictureInput(recipe.width, recipe.height, QStringLiteral("25"))
                    + bandedOutput(frames, QStringLiteral("field=%1").arg(QLatin1String(field)))
                    + argumentList({"-c:v", "mjpeg", "-q:v", "3", "-f", "image2pipe", "-"}))));
        }
        QList<QByteArray> interleaved;
        for (qsizetype i = 0; i < fields[0].size() && i < fields[1].size(); ++i)
            interleaved << fields[0].at(i) << fields[1].at(i);
        writeFieldMjpegAvi(path, interleaved, QSize(recipe.width, recipe.height), 25);
    } else {
        const QString rate = rateText(recipe.rateNumerator, recipe.rateDenominator);
        const double seconds = double(frames) * recipe.rateDenominator / recipe.rateNumerator;
        const QString turned = recipe.turn == 0 ? path : path + QStringLiteral(".stored.") + suffix;
        runFfmpeg(pictureInput(recipe.width, recipe.height, rate)
                  + toneInput(recipe.sampleRate, seconds)
                  + bandedOutput(frames, joinedFilters(recipe.filter, storedTurn(recipe.turn)))
                  + recipe.codecArguments + QStringList {turned});
        if (recipe.turn != 0) {
            // An encoder drops the rotation tag; the muxer of a copy writes it as the display
            // matrix. The tag counts counter-clockwise.
            runFfmpeg(QStringList {QStringLiteral("-i"), turned}
                      + argumentList({"-map", "0", "-c", "copy", "-metadata:s:v:0"})
                      + QStringList {QStringLiteral("rotate=%1").arg((360 - recipe.turn) % 360),
                                     path});
            QFile::remove(turned);
        }
    }

    const QByteArray output = probeOutput(path);
    const TestMovie movie = probed(path, kind, output);
    share(name, readFile(path));
    share(name + QStringLiteral(".probe"), output);
    const QMutexLocker locker(&cacheLock);
    made.insert(path, movie);
    return movie;
}

QList<BadKind> allBadKinds()
{
    return {BadKind::AudioOnlyAvi,   BadKind::AudioOnlyMp3, BadKind::TextAsAvi,
            BadKind::EmptyAvi,       BadKind::TruncatedAvi, BadKind::PngAsAvi,
            BadKind::AbsurdAspectMp4};
}

QString badKindName(BadKind kind)
{
    switch (kind) {
    case BadKind::AudioOnlyAvi:
        return QStringLiteral("audio-only-avi");
    case BadKind::AudioOnlyMp3:
        return QStringLiteral("audio-only-mp3");
    case BadKind::TextAsAvi:
        return QStringLiteral("text-avi");
    case BadKind::EmptyAvi:
        return QStringLiteral("empty-avi");
    case BadKind::TruncatedAvi:
        return QStringLiteral("truncated-avi");
    case BadKind::PngAsAvi:
        return QStringLiteral("png-avi");
    case BadKind::AbsurdAspectMp4:
        return QStringLiteral("absurd-aspect-mp4");
    }
    return QStringLiteral("unknown");
}

QString makeBadFile(BadKind kind, const QString &folder)
{
    const QString suffix = kind == BadKind::AudioOnlyMp3 ? QStringLiteral("mp3")
            : kind == BadKind::AbsurdAspectMp4           ? QStringLiteral("mp4")
                                                         : QStringLiteral("avi");
    const QString path
            = QFileInfo(QDir(folder).filePath(badKindName(kind) + QLatin1Char('.') + suffix))
                      .absoluteFilePath();
    switch (kind) {
    case BadKind::AudioOnlyAvi:
        runFfmpeg(toneInput(44100, 2)
                  + QStringList {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"), path});
        break;
    case BadKind::AudioOnlyMp3:
        runFfmpeg(toneInput(44100, 2)
                  + QStringList {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                                 QStringLiteral("-b:a"), QStringLiteral("64k"), path});
        break;
    case BadKind::TextAsAvi:
        writeFile(path,
                  QStringLiteral("これは動画ではありません。\nただのテキストファイルです。\n")
                          .toUtf8());
        break;
    case BadKind::EmptyAvi:
        writeFile(path, {});
        break;
    case BadKind::TruncatedAvi: {
        const QByteArray whole = readFile(makeTestMovie(MovieKind::MjpegAvi, folder).path);
        writeFile(path, whole.left(whole.size() / 2));
        break;
    }
    case BadKind::PngAsAvi:
        runFfmpeg(pictureInput(192, 144, QStringLiteral("25")) + bandedOutput(1)
                  + QStringList {QStringLiteral("-c:v"), QStringLiteral("png"),
                                 QStringLiteral("-f"), QStringLiteral("image2pipe"), path});
        break;
    case BadKind::AbsurdAspectMp4:
        runFfmpeg(pictureInput(192, 144, QStringLiteral("25"))
                  + bandedOutput(25, QStringLiteral("setsar=255/1"))
                  + argumentList({"-c:v", "libx264", "-preset", "veryfast"}) + QStringList {path});
        break;
    }
    return path;
}

QMap<int, QImage> decodedFrames(const QString &path, const QList<int> &indexes)
{
    QList<int> wanted;
    for (int index : indexes) {
        if (index >= 0)
            wanted.append(index);
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    if (wanted.isEmpty())
        return {};

    QStringList terms;
    for (int index : wanted)
        terms.append(QStringLiteral("eq(n\\,%1)").arg(index));
    const QList<QImage> pictures
            = decodeToPictures({}, path,
                               {QStringLiteral("-vf"),
                                QStringLiteral("select='%1'").arg(terms.join(QLatin1Char('+')))});
    QMap<int, QImage> frames;
    for (qsizetype i = 0; i < pictures.size() && i < wanted.size(); ++i)
        frames.insert(wanted.at(i), pictures.at(i));
    return frames;
}

QList<QImage> allDecodedFrames(const QString &path)
{
    return decodeToPictures({}, path, {});
}

namespace {

// The index band of each of the pictures ffmpeg decodes from the movie, kept by what is asked
// for and the movie's bytes: the same movie made again decodes the same.
QList<int> sharedIndexes(const TestMovie &movie, const QString &what,
                         const std::function<QList<QImage>()> &decode)
{
    const QString name = QStringLiteral("%1.%2").arg(
            QString::fromLatin1(
                    QCryptographicHash::hash(readFile(movie.path), QCryptographicHash::Sha1)
                            .toHex()),
            what);
    QList<int> indexes;
    if (const std::optional<QByteArray> known = shared(name)) {
        for (const QByteArray &index : known->split(' ')) {
            if (!index.isEmpty())
                indexes.append(index.toInt());
        }
        return indexes;
    }
    QByteArrayList written;
    for (const QImage &picture : decode()) {
        indexes.append(frameIndexOf(picture).value_or(-1));
        written.append(QByteArray::number(indexes.last()));
    }
    share(name, written.join(' '));
    return indexes;
}

} // namespace

QList<int> shownFrameIndexes(const TestMovie &movie)
{
    return sharedIndexes(movie, QStringLiteral("shown"), [&] {
        // At a constant rate ffmpeg fills each dropped-frame entry with the picture before it.
        return decodeToPictures({}, movie.path, {},
                                movie.kind == MovieKind::DroppedAvi ? "cfr" : "passthrough");
    });
}

QList<int> keyframeIndexes(const TestMovie &movie)
{
    return sharedIndexes(movie, QStringLiteral("keyframes"), [&] {
        // Selected after decoding: some decoders (Theora) refuse to skip the other frames.
        return decodeToPictures({}, movie.path,
                                {QStringLiteral("-vf"), QStringLiteral("select=eq(key\\,1)")});
    });
}

QByteArray runFfmpeg(const QStringList &arguments)
{
    return runTool(QStringLiteral("ffmpeg"),
                   argumentList({"-hide_banner", "-nostdin", "-v", "error", "-y"}) + arguments);
}

QByteArray runFfprobe(const QStringList &arguments)
{
    return runTool(QStringLiteral("ffprobe"), argumentList({"-v", "error"}) + arguments);
}
