#pragma once

// The generated movies the benchmarks play, made with ffmpeg once per folder.

#include "support/testmovies.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTransform>

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
    // Drawn after the band: changes the frames' times.
    QString filter;
    QStringList codec;
    // Only opening is measured: the movie is too long for the rest.
    bool opensOnly = false;
    QString path;
    // Where the steps start; chosen so that the steps cross the second keyframe (frame 250).
    int forwardFrom = 225;
    int backwardFrom = 275;
    // A copy of this other fixture's file with a display rotation (clockwise degrees) added.
    QString turnedCopyOf;
    int turn = 0;
    // The clockwise turn that makes a shown picture upright, so that its band can be read.
    int readTurn = 0;
    // libmpv options the bare client needs for this movie, as name=value.
    QStringList rawOptions;
};

// The frame index a shown picture tells once turned upright.
inline int frameOf(const QImage &shown, int readTurn)
{
    const QImage upright = readTurn == 0 ? shown : shown.transformed(QTransform().rotate(readTurn));
    return frameIndexOf(upright).value_or(-1);
}

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

inline Fixture transportStreamFixture()
{
    Fixture ts;
    ts.name = QStringLiteral("H.264 TS 1920x1080, keyframe every 50, B-frames");
    ts.fileName = QStringLiteral("h264-1080p-gop50.ts");
    ts.size = QSize(1920, 1080);
    ts.view = QSize(640, 360);
    ts.codec = words({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-g", "50",
                      "-keyint_min", "50", "-sc_threshold", "0", "-bf", "2", "-c:a", "aac", "-f",
                      "mpegts"});
    return ts;
}

inline Fixture variableRateFixture()
{
    Fixture mov;
    mov.name = QStringLiteral("H.264 MOV 640x480, variable rate");
    mov.fileName = QStringLiteral("h264-480p-vfr.mov");
    mov.size = QSize(640, 480);
    mov.view = QSize(640, 480);
    // Every 5th and 7th frame lasts two frame times.
    mov.filter = QStringLiteral("setpts='(N+floor(N/5)+floor(N/7))/25/TB'");
    mov.codec = words({"-fps_mode", "passthrough", "-c:v", "libx264", "-preset", "veryfast",
                       "-pix_fmt", "yuv420p", "-bf", "2", "-c:a", "pcm_s16le"});
    return mov;
}

// A phone's portrait movie as the camera stores it: the 1080x1920 picture turned a quarter
// counter-clockwise into a 10-bit HEVC stream of 1920x1080, a keyframe every 30 frames, without
// the rotation that shows it upright: the same stream as portraitHevcFixture() shows upright.
inline Fixture storedPortraitHevcFixture()
{
    Fixture hevc;
    hevc.name = QStringLiteral("HEVC 10-bit MP4 1920x1080 as stored, no rotation");
    hevc.fileName = QStringLiteral("hevc10-portrait-stored.mp4");
    hevc.size = QSize(1080, 1920);
    hevc.view = QSize(640, 360);
    hevc.fps = 30;
    hevc.filter = QStringLiteral("transpose=cclock");
    hevc.readTurn = 90;
    hevc.codec = words({"-c:v", "libx265", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le",
                        "-x265-params", "keyint=30:min-keyint=30:scenecut=0:log-level=error",
                        "-tag:v", "hvc1", "-c:a", "aac"});
    return hevc;
}

inline Fixture portraitHevcFixture()
{
    Fixture hevc = storedPortraitHevcFixture();
    hevc.name = QStringLiteral("HEVC 10-bit MP4 1080x1920 portrait (rotation 90)");
    hevc.fileName = QStringLiteral("hevc10-portrait.mp4");
    hevc.view = QSize(360, 640);
    hevc.turnedCopyOf = storedPortraitHevcFixture().fileName;
    hevc.turn = 90;
    hevc.readTurn = 0;
    // As mpv turns pictures for video outputs that cannot: the software renderer aborts on a
    // rotation it is asked to draw.
    hevc.rawOptions = QStringList {QStringLiteral("video-rotate=no"),
                                   QStringLiteral("vf=lavfi=[transpose=clock]")};
    return hevc;
}

// MPEG-2 in a program stream as small files and Video CDs have it: at the coarsest quantiser
// several pictures share a packet of the system layer, and only the first has a time.
inline Fixture lowRateMpeg2Fixture()
{
    Fixture mpeg;
    mpeg.name = QStringLiteral("MPEG-2 PS 352x240, low rate: a quarter of pictures untimed");
    mpeg.fileName = QStringLiteral("mpeg2-240p-low-rate.mpg");
    mpeg.size = QSize(352, 240);
    mpeg.view = QSize(352, 240);
    mpeg.codec
            = words({"-c:v", "mpeg2video", "-q:v", "31", "-bf", "2", "-c:a", "mp2", "-f", "mpeg"});
    return mpeg;
}

// The same movie at a quality where every picture starts a packet of its own, with its time.
inline Fixture timedMpeg2Fixture()
{
    Fixture mpeg = lowRateMpeg2Fixture();
    mpeg.name = QStringLiteral("MPEG-2 PS 352x240, every picture timed");
    mpeg.fileName = QStringLiteral("mpeg2-240p-timed.mpg");
    mpeg.codec
            = words({"-c:v", "mpeg2video", "-q:v", "2", "-bf", "2", "-c:a", "mp2", "-f", "mpeg"});
    return mpeg;
}

// A transport stream of more than 1 GB with a small picture, padded to a high constant rate.
inline Fixture largeTransportStreamFixture()
{
    Fixture ts;
    ts.name = QStringLiteral("MPEG-2 TS 320x240, 1.1 GB");
    ts.fileName = QStringLiteral("mpeg2-240p-1gb.ts");
    ts.size = QSize(320, 240);
    ts.view = QSize(320, 240);
    ts.frames = 6000;
    ts.opensOnly = true;
    ts.codec = words(
            {"-c:v", "mpeg2video", "-q:v", "2", "-c:a", "mp2", "-f", "mpegts", "-muxrate", "36M"});
    return ts;
}

// The option that keeps the movies for later runs.
inline QCommandLineOption fixturesOption()
{
    return QCommandLineOption(
            QStringLiteral("fixtures"),
            QStringLiteral("Keep the movies in <folder> and reuse them on later runs."),
            QStringLiteral("folder"));
}

// The folder the option names, made if need be, or else the temporary one.
inline QDir fixturesFolder(const QCommandLineParser &parser, const QTemporaryDir &temporary)
{
    if (!parser.isSet(fixturesOption())) {
        if (!temporary.isValid())
            throw std::runtime_error("cannot make a temporary folder");
        return QDir(temporary.path());
    }
    QDir folder(parser.value(fixturesOption()));
    if (!folder.mkpath(QStringLiteral(".")))
        throw std::runtime_error("cannot make the fixtures folder");
    return folder;
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
    if (!fixture.turnedCopyOf.isEmpty()) {
        // The rotation tag counts counter-clockwise.
        runFfmpeg(QStringList {QStringLiteral("-i"), folder.absoluteFilePath(fixture.turnedCopyOf)}
                  + words({"-map", "0", "-c", "copy", "-metadata:s:v:0"})
                  + QStringList {QStringLiteral("rotate=%1").arg((360 - fixture.turn) % 360),
                                 partial});
        if (!QFile::rename(partial, fixture.path))
            throw std::runtime_error("cannot rename the movie just made");
        return;
    }
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
                           QStringLiteral("-vf"),
                           fixture.filter.isEmpty()
                                   ? frameIndexBandFilter()
                                   : frameIndexBandFilter() + QLatin1Char(',') + fixture.filter,
                           QStringLiteral("-frames:v"), QString::number(fixture.frames)}
              + fixture.codec + QStringList {partial});
    if (!QFile::rename(partial, fixture.path))
        throw std::runtime_error("cannot rename the movie just made");
}

} // namespace bench
