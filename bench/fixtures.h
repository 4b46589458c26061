#pragma once

// The generated movies the benchmarks play, made with ffmpeg once per folder.

#include "support/testmovies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <initializer_list>
#include <stdexcept>

namespace bench {

inline QStringList words(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *word : list)
        result.append(QString::fromLatin1(word));
    return result;
}

struct Fixture
{
    QString name;
    QString fileName;
    QSize size;
    // The size pictures are drawn at: small enough to keep the checks cheap.
    QSize view;
    int frames = 500;
    int fps = 25;
    int sampleRate = 48000;
    QStringList codec;
    QString path;
    // Where the steps start; chosen so that the steps cross the second keyframe (frame 250).
    int forwardFrom = 225;
    int backwardFrom = 275;
};

inline Fixture h264Fixture()
{
    Fixture h264;
    h264.name = QStringLiteral("H.264 MP4 1920x1080, keyframe every 250");
    h264.fileName = QStringLiteral("h264-1080p-gop250.mp4");
    h264.size = QSize(1920, 1080);
    h264.view = QSize(640, 360);
    h264.codec = words({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-g",
                        "250", "-keyint_min", "250", "-sc_threshold", "0", "-c:a", "aac"});
    return h264;
}

inline Fixture mjpegFixture()
{
    Fixture mjpeg;
    mjpeg.name = QStringLiteral("MJPEG AVI 640x480");
    mjpeg.fileName = QStringLiteral("mjpeg-480p.avi");
    mjpeg.size = QSize(640, 480);
    mjpeg.view = QSize(640, 480);
    mjpeg.sampleRate = 44100;
    mjpeg.codec = words({"-c:v", "mjpeg", "-q:v", "3", "-c:a", "pcm_s16le"});
    return mjpeg;
}

// Makes the movie unless the folder already holds it from an earlier run.
inline void makeFixture(Fixture &fixture, const QDir &folder)
{
    fixture.path = folder.absoluteFilePath(fixture.fileName);
    if (QFileInfo::exists(fixture.path))
        return;
    QTextStream(stderr) << "making " << fixture.fileName << " ..." << Qt::endl;
    // Written under another name first: an interrupted run must not leave a movie to reuse.
    const QString partial = folder.absoluteFilePath(QStringLiteral("partial-") + fixture.fileName);
    const double seconds = double(fixture.frames) / fixture.fps;
    runFfmpeg(QStringList {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("testsrc2=size=%1x%2:rate=%3")
                                   .arg(fixture.size.width())
                                   .arg(fixture.size.height())
                                   .arg(fixture.fps),
                           QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2")
                                   .arg(fixture.sampleRate)
                                   .arg(seconds, 0, 'f', 6),
                           QStringLiteral("-vf"), frameIndexBandFilter(),
                           QStringLiteral("-frames:v"), QString::number(fixture.frames)}
              + fixture.codec + QStringList {partial});
    if (!QFile::rename(partial, fixture.path))
        throw std::runtime_error("cannot rename the movie just made");
}

} // namespace bench
