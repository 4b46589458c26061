#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Movies made with ffmpeg while the tests run, whose every frame tells its own index.
//
// Each picture is ffmpeg's moving testsrc2 picture with a band of 12 equally wide vertical
// stripes over its bottom quarter, in neutral grey tones (black or white):
//   stripe 0        always white (tells the band from a black picture),
//   stripes 1..10   bit 0 (stripe 1) to bit 9 (stripe 10) of the frame index, white for 1,
//   stripe 11       always black (tells the band from a white picture).
// The stripes are wide enough to survive lossy compression and scaling, so frameIndexOf() reads
// the index from a decoded frame or from a screenshot of the player's picture at any size.
//
// Everything here throws std::runtime_error, with ffmpeg's own messages, when ffmpeg fails or
// is missing.

// How many frames a test movie may have: the 10 bits count frames 0 to 1023.
constexpr int maxTestMovieFrames = 1024;

enum class MovieKind {
    MjpegAvi, // AVI, Motion JPEG, 192x144, 25 fps, PCM audio
    Mpeg4Avi, // AVI, MPEG-4 Visual (as DivX/Xvid) with B-frames, 192x144, 29.97 fps, PCM audio
    H264Mov, // QuickTime, H.264 with B-frames, 192x144, 30 fps, PCM audio
    Mpeg1Mpg, // MPEG-1 program stream, 192x144, 29.97 fps, MP2 audio
    Mpeg1Dat, // the same as Mpeg1Mpg, named .dat
    VcdDat, // a real NTSC Video CD track (.dat), 352x240, 29.97 fps, MP2 audio
    Mpeg2Mpg, // MPEG-2 program stream with B-frames, 192x144, 25 fps, MP2 audio
    H264Mp4, // MP4, H.264, one keyframe every 250 frames, 192x144, 25 fps, AAC audio
    Vp9Webm, // WebM, VP9, 192x144, 29.97 fps, Opus audio
    // Kinds whose frames the engine's times alone do not find:
    H264Ts, // MPEG transport stream, H.264 with B-frames, a keyframe every 50 frames, 25 fps, AAC
    H264M2ts, // the same in 192-byte packets (.m2ts)
    Mpeg2Ts, // MPEG transport stream, MPEG-2 with B-frames, 25 fps, MP2 audio
    VfrMov, // QuickTime, H.264 with B-frames, every 5th and 7th frame lasting two frame times
    VfrMkv, // the same in Matroska
    LateMp4, // MP4, H.264, whose first picture comes 1.5 s after the start of its clock
    DroppedAvi, // MJPEG AVI, 25 fps, whose frames 20 to 29 are dropped-frame entries
    FieldMjpegAvi, // MJPEG AVI, 25 fps, each frame stored as its two fields, no sound
    Mpeg1Es, // an MPEG-1 video elementary stream without pack headers, named .mpg, 25 fps
    QtrleMov, // QuickTime Animation at 96 fps
    Msvideo1Avi, // MS Video 1 at 10 fps, each picture held for two frames
    HevcMkv, // Matroska, HEVC, 25 fps
    Av1Mkv, // Matroska, AV1, 25 fps
    ProresMov, // QuickTime, ProRes 422, 25 fps, PCM audio
    // Movies as phones, cameras and the web make them. "Turned" movies store their pictures
    // turned and tell players to turn them back; the band reads only from the upright picture.
    PortraitH264Mp4, // a phone's portrait MP4: 144x192 upright, stored 192x144 turned 90, 30 fps
    PortraitHevc10Mp4, // the same in 10-bit HEVC, turned 270, a keyframe every 30 frames
    UpsideDownMov, // QuickTime, H.264, 192x144 stored upside down (turned 180), 30 fps
    PortraitVfrMp4, // a phone's variable-rate MP4 (as VfrMov), portrait, turned 90
    AnamorphicMpeg2Mpg, // DVD-style MPEG-2 program stream, 720x480 shown at 16:9 (853x480)
    PalDvAvi, // PAL DV in AVI, 720x576 shown at 4:3 (768x576), 25 fps, PCM audio
    InterlacedH264Mts, // interlaced H.264 (top field first) in 192-byte packets (.mts), 25 fps
    IntraRefreshH264Mp4, // H.264 with intra refresh: no keyframe after the first, 25 fps
    Hdr10HevcMkv, // 10-bit HEVC with HDR10 colours and mastering data, Matroska, 25 fps
    H264Mp4At854, // H.264 MP4 at 854x480, 30 fps
    H264Mp4At1366, // H.264 MP4 at 1366x768, 30 fps
    Wmv, // Windows Media Video 8 and Audio 2 (ASF), 25 fps
    Flv, // Flash video, H.264 and AAC, 30 fps
    Gp3, // 3GP, H.263 at 176x144, 15 fps, AAC
    OggTheora, // Ogg, Theora and Vorbis, 25 fps
    // MPEG at the low rates of Video CDs, DVDs and small files: several pictures share a packet
    // of the system layer, and only the first of them has a time of its own.
    LowRateMpeg1Mpg, // MPEG-1 program stream at 40 kbit/s, 192x144, 29.97 fps, about half untimed
    LowRateMpeg2Mpg, // MPEG-2 program stream with B-frames, quantiser 31, 192x144, 25 fps
    LowRateVcdDat, // a Video CD track (.dat), MPEG-1 with B-frames at quantiser 31, 352x240
    DvdVob, // NTSC DVD-style VOB from a 25 fps source: every fifth or sixth picture repeated
};

// What ffprobe says about a movie made by makeTestMovie().
struct TestMovie
{
    QString path;
    MovieKind kind = MovieKind::MjpegAvi;
    // Frames decoded by counting them all (ffprobe -count_frames); for DroppedAvi the frames its
    // header counts, dropped ones included.
    int frames = 0;
    QString frameRate; // exactly as ffprobe states it, e.g. "30000/1001"
    double fps = 0; // frameRate as a number
    // The stored picture's size.
    int width = 0;
    int height = 0;
    // The size it is meant to be seen at: turned upright and at its sample aspect, rounded as
    // players do.
    int displayWidth = 0;
    int displayHeight = 0;
};

// The first nine kinds, in the order of the enumeration.
QList<MovieKind> allMovieKinds();
// Every kind, in the order of the enumeration.
QList<MovieKind> exactnessMovieKinds();
// The kinds from PortraitH264Mp4 on: turned pictures, sample aspects, and today's formats.
QList<MovieKind> everydayMovieKinds();
// The kinds from LowRateMpeg1Mpg on.
QList<MovieKind> lowRateMpegMovieKinds();
// A short lower-case name such as "mjpeg-avi", usable in file and test names.
QString movieKindName(MovieKind kind);
// The length makeTestMovie() gives a kind when not told: 2 seconds, or more where the movie must
// run past a later keyframe (300 frames for H264Mp4, past frame 250) or hold more frame times.
int usualFrameCount(MovieKind kind);

// Makes a movie of the kind with the given number of frames (1 to maxTestMovieFrames; 0 means
// usualFrameCount()) in the folder, with a sine tone as long as the picture, and probes it.
// The file is named after the kind and the frame count; asking again for the same movie in the
// same folder within one test program returns the file made before.
TestMovie makeTestMovie(MovieKind kind, const QString &folder, int frames = 0);

enum class BadKind {
    AudioOnlyAvi, // an AVI with a PCM sine tone and no video stream
    AudioOnlyMp3, // an MP3 sine tone
    TextAsAvi, // a few lines of Japanese UTF-8 text named .avi
    EmptyAvi, // zero bytes named .avi
    TruncatedAvi, // the first half of the bytes of the usual MjpegAvi movie
    PngAsAvi, // a PNG still picture (frame 0 of a test movie) named .avi
    AbsurdAspectMp4, // an H.264 MP4 whose sample aspect 255:1 would show it 48,960 wide
};

QList<BadKind> allBadKinds();
QString badKindName(BadKind kind);
// Makes a file the player must refuse or survive and returns its path. The file is made anew
// on every call.
QString makeBadFile(BadKind kind, const QString &folder);

// The frame index shown by a picture of a test movie, or nullopt when the picture has no
// readable band: the band is missing, a marker stripe is wrong, or a stripe is neither clearly
// dark (gray level below 80) nor clearly light (above 176). The picture must be the movie's
// picture alone, at any size and aspect, without borders.
std::optional<int> frameIndexOf(const QImage &picture);
// The mean gray level of a small box around a point of an RGB32 picture, so that a single noisy
// pixel left by compression cannot decide a stripe.
int meanGray(const QImage &picture, int centreX, int centreY, int halfWidth, int halfHeight);
// Paints the band of the frame index over the bottom quarter of the picture, as ffmpeg does in
// test movies, for tests that need a frame without making a movie.
void paintFrameIndex(QImage &picture, int index);

// The ffmpeg video filter that draws the same band into every frame of a movie, for movies made
// elsewhere (the benchmark's large ones).
QString frameIndexBandFilter();

// Decodes the frames with the given indexes (counted from 0 in display order) with ffmpeg and
// returns them by index as RGB pictures of the movie's size; indexes past the end are missing.
QMap<int, QImage> decodedFrames(const QString &path, const QList<int> &indexes);
// Decodes every frame of the movie, in display order.
QList<QImage> allDecodedFrames(const QString &path);
// The index band each frame of the movie shows as ffmpeg decodes it, in display order: for most
// movies 0, 1, 2 and on; a dropped-frame entry or a held picture shows an earlier index again.
QList<int> shownFrameIndexes(const TestMovie &movie);
// The index band each keyframe of the movie shows as ffmpeg decodes it, in display order.
QList<int> keyframeIndexes(const TestMovie &movie);

// Runs ffmpeg (quietly, without reading standard input) with the arguments and returns its
// standard output.
QByteArray runFfmpeg(const QStringList &arguments);
// Runs ffprobe (reporting errors only) with the arguments and returns its standard output.
QByteArray runFfprobe(const QStringList &arguments);
