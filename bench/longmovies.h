#pragma once

// The two-hour movies of jumpbench: a one-minute 1080p segment whose pictures show their index
// within the minute, joined to itself without decoding, in several containers.

#include "bench/console.h"
#include "bench/fixtures.h"
#include "support/testmovies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

namespace bench::longmovies {

constexpr int Fps = 25;
constexpr int SegmentFrames = 60 * Fps;
constexpr int KeyframeInterval = 250;
// The helpers' band counts 10 bits (0 to 1023); a second band above it carries bit 10, so that
// every frame of a minute reads apart.
constexpr int HighBit = 10;
constexpr int DarkBelow = 80;
constexpr int LightAbove = 176;
// Rate-limited rather than a constant quality: at any CRF that keeps the moving test picture
// sharp, ultrafast makes a two-hour movie of 5 GB and more.
inline const QStringList RateOptions
        = {QStringLiteral("-b:v"),  QStringLiteral("1800k"),    QStringLiteral("-maxrate"),
           QStringLiteral("2400k"), QStringLiteral("-bufsize"), QStringLiteral("4800k")};

// Three equal stripes over the eighth of the picture just above the helpers' band: white (there
// is a band), bit 10, black (the band is not a white picture).
inline QString highBandFilter()
{
    const auto box = [](const QString &enable, int from, int to, const char *color) {
        return QStringLiteral(",drawbox=%1x=ceil(%2*iw/3):y=ceil(ih*5/8)"
                              ":w=ceil(%3*iw/3)-ceil(%2*iw/3):h=ceil(ih*3/4)-ceil(ih*5/8)"
                              ":color=%4:t=fill")
                .arg(enable)
                .arg(from)
                .arg(to)
                .arg(QLatin1String(color));
    };
    return box({}, 0, 3, "black") + box({}, 0, 1, "white")
            + box(QStringLiteral("enable='mod(floor(n/%1),2)':").arg(1 << HighBit), 1, 2, "white");
}

// The frame index within the minute (0 to 2047) a picture of the movie shows, or -1.
inline int indexOf(const QImage &picture)
{
    const std::optional<int> low = frameIndexOf(picture);
    if (!low)
        return -1;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int top = (5 * rgb.height() + 7) / 8;
    const int bottom = (3 * rgb.height() + 3) / 4;
    const int halfHeight = (bottom - top) / 6;
    const int halfWidth = rgb.width() / 18;
    int high = 0;
    for (int stripe = 0; stripe < 3; ++stripe) {
        const int gray = meanGray(rgb, (2 * stripe + 1) * rgb.width() / 6, (top + bottom) / 2,
                                  halfWidth, halfHeight);
        const bool light = gray > LightAbove;
        if ((!light && gray >= DarkBelow) || (stripe == 0 && !light) || (stripe == 2 && light))
            return -1;
        if (stripe == 1 && light)
            high = 1;
    }
    return *low | high << HighBit;
}

struct Movie
{
    QString name;
    // Its file name extension, and its name for --only.
    QString key;
    bool mpeg4 = false;
    QStringList muxing;
    // The player reads its table from the container's index rather than from every packet.
    bool fromIndex = false;
};

inline QList<Movie> allMovies()
{
    return {{QStringLiteral("H.264 MP4, index at the front"), QStringLiteral("mp4"), false,
             words({"-movflags", "+faststart"}), true},
            {QStringLiteral("H.264 Matroska"), QStringLiteral("mkv"), false, {}, false},
            {QStringLiteral("H.264 MPEG-TS"), QStringLiteral("ts"), false, {}, false},
            {QStringLiteral("MPEG-4 Visual AVI"), QStringLiteral("avi"), true, {}, true}};
}

// Runs ffmpeg without a time limit: joining two hours of movie writes gigabytes.
inline void ffmpeg(const QStringList &arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("ffmpeg"),
                  words({"-hide_banner", "-nostdin", "-v", "error", "-y"}) + arguments);
    if (!process.waitForStarted() || !process.waitForFinished(-1)
        || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error("ffmpeg failed: " + arguments.join(u' ').toStdString() + "\n"
                                 + process.readAllStandardError().toStdString());
}

// Throws unless the segment has its keyframes exactly every 250 frames and its pictures read
// back as their own index.
inline void checkSegment(const QString &path)
{
    const QList<QByteArray> flags
            = runFfprobe({QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                          QStringLiteral("-show_entries"), QStringLiteral("packet=flags"),
                          QStringLiteral("-of"), QStringLiteral("csv=p=0"), path})
                      .trimmed()
                      .split('\n');
    if (flags.size() != SegmentFrames)
        throw std::runtime_error("the segment has " + std::to_string(flags.size()) + " frames");
    for (qsizetype frame = 0; frame < flags.size(); ++frame) {
        if (flags.at(frame).startsWith('K') != (frame % KeyframeInterval == 0))
            throw std::runtime_error("the segment's keyframes are not every 250 frames: frame "
                                     + std::to_string(frame));
    }
    const QList<int> probes = {0, 1, 510, 1023, 1024, 1260, SegmentFrames - 1};
    const QMap<int, QImage> pictures = decodedFrames(path, probes);
    for (int frame : probes) {
        const int shown = indexOf(pictures.value(frame));
        if (shown != frame)
            throw std::runtime_error("frame " + std::to_string(frame) + " of the segment reads as "
                                     + std::to_string(shown));
    }
}

// The one-minute segment with the band of every index, H.264 or MPEG-4 Visual.
inline QString makeSegment(const QDir &folder, bool mpeg4)
{
    const QString name
            = mpeg4 ? QStringLiteral("segment-mpeg4.avi") : QStringLiteral("segment-h264.mp4");
    const QString path = folder.absoluteFilePath(name);
    if (QFileInfo::exists(path))
        return path;
    progress() << "making " << name << " ..." << Qt::endl;
    // Written under another name first: an interrupted run must not leave a movie to reuse.
    const QString unfinished = folder.absoluteFilePath(QStringLiteral("unfinished-") + name);
    const QStringList codec = mpeg4
            ? words({"-c:v", "mpeg4", "-g", "250", "-sc_threshold", "1000000000"})
            : words({"-c:v", "libx264", "-preset", "ultrafast", "-g", "250", "-keyint_min", "250",
                     "-sc_threshold", "0"});
    ffmpeg(QStringList {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("testsrc2=size=1920x1080:rate=%1").arg(Fps),
                        QStringLiteral("-vf"), frameIndexBandFilter() + highBandFilter(),
                        QStringLiteral("-frames:v"), QString::number(SegmentFrames)}
           + words({"-pix_fmt", "yuv420p"}) + codec + RateOptions
           + QStringList {QStringLiteral("-an"), unfinished});
    checkSegment(unfinished);
    if (!QFile::rename(unfinished, path))
        throw std::runtime_error("cannot rename the movie just made");
    return path;
}

// The segment joined to itself without decoding, so that frame N shows N mod 1500.
inline QString makeJoined(const QDir &folder, const Movie &movie, const QString &segment,
                          int segments, const QString &name)
{
    const QString path = folder.absoluteFilePath(name);
    if (QFileInfo::exists(path))
        return path;
    progress() << "making " << name << " ..." << Qt::endl;
    const QString unfinished = folder.absoluteFilePath(QStringLiteral("unfinished-") + name);
    const QString list = unfinished + QStringLiteral(".txt");
    {
        QFile file(list);
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write " + list.toStdString());
        const QByteArray line = "file '" + QFileInfo(segment).fileName().toUtf8() + "'\n";
        for (int i = 0; i < segments; ++i)
            file.write(line);
    }
    ffmpeg(words({"-f", "concat", "-safe", "0", "-i"}) + QStringList {list}
           + words({"-map", "0:v", "-c", "copy"}) + movie.muxing + QStringList {unfinished});
    QFile::remove(list);
    const double seconds
            = runFfprobe({QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                          QStringLiteral("-of"), QStringLiteral("csv=p=0"), unfinished})
                      .trimmed()
                      .toDouble();
    if (std::abs(seconds - segments * 60.0) > 1)
        throw std::runtime_error(name.toStdString() + " lasts " + std::to_string(seconds) + " s");
    if (!QFile::rename(unfinished, path))
        throw std::runtime_error("cannot rename the movie just made");
    return path;
}

} // namespace bench::longmovies
