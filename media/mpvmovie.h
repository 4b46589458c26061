#pragma once

#include "media/mpvhandle.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <memory>
#include <optional>

namespace media {

class FrameRenderer;
class VideoSurface;

class FrameTable;

// One movie open on libmpv, addressed by frame number: frame N is the movie's N-th picture in
// presentation order, found through the movie's frame table (or, where its packets do not tell
// where its frames lie, at t0 + N / fps). Every move lands exactly on its frame (a few frames
// forward are played to, anything else is an exact seek whose landing is checked), and the
// position at the end of the movie equals its length.
class MpvMovie final : public QObject
{
    Q_OBJECT

public:
    // Why a file could not be opened: an error code of the device's vocabulary.
    struct Failure
    {
        quint32 error = 0;
    };

    // Opens the file and waits until its first picture is ready. On failure gives nothing and
    // fills failure.
    static std::unique_ptr<MpvMovie> open(const QByteArray &path, const MpvOptions &extraOptions,
                                          Failure &failure);
    ~MpvMovie() override;
    Q_DISABLE_COPY_MOVE(MpvMovie)

    quint32 deviceType() const { return m_deviceType; }
    bool hasVideo() const;
    QSize sourceSize() const { return m_sourceSize; }
    // Frames, and the exact frame rate.
    qint64 length() const;
    double fps() const { return m_fps; }

    // Moves to frame 0..length and waits until that frame is ready; stops playback. Gives 0 or
    // an error code; a refused seek does not move.
    quint32 seek(qint64 frame);
    qint64 position() const;
    quint32 mode() const;
    quint32 play();
    quint32 pause();
    quint32 stop();

    // Where the pictures appear: a surface inside the window, at the destination rectangle.
    void bind(QWidget *window);
    void setDestination(const QRect &destination);
    QRect destination() const { return m_destination; }
    bool paintFrame(QImage &image);

private:
    MpvMovie() = default;
    bool load(const QByteArray &path, const MpvOptions &extraOptions, Failure &failure);
    // The average frame rate of frames that do not all last one frame time.
    void takeTableRate();
    // The length from the last frame's time as the packets tell it, when that is plausible.
    bool takeLength(std::optional<double> lastFrameTime);
    // The length found by decoding: an exact seek to the end on a hidden player.
    bool measureLength(const QByteArray &path, const MpvOptions &extraOptions);
    bool waitForRestart();
    // Pauses the engine, untimed for steps.
    void halt();
    // The table, when it tells where the frames lie.
    const FrameTable *table() const;
    // Frame times on the engine's clock, and the frame a picture of a given time is.
    double frameTime(qint64 frame) const;
    qint64 frameOfTime(double time) const;
    // The frame whose picture frame shows: itself, or the last one before a dropped frame.
    qint64 pictureOf(qint64 frame) const;
    // An exact seek to the picture of frame, checked against the frame it lands on.
    quint32 seekToPicture(qint64 picture);
    quint32 seekOnce(qint64 picture, bool runUp);
    qint64 nextPicture(qint64 picture) const;
    std::optional<qint64> shownFrame() const;
    bool playForwardTo(qint64 frame);
    bool waitForStep(double fromTime, double expectedTime);
    // Waits until the picture shows the frame the engine last named.
    void settle();
    void drainEvents();
    bool atEnd() const;

    std::unique_ptr<FrameTable> m_table;
    std::unique_ptr<MpvHandle> m_mpv;
    std::unique_ptr<FrameRenderer> m_renderer;
    QPointer<VideoSurface> m_surface;
    QRect m_destination;
    quint32 m_deviceType = 0;
    QSize m_sourceSize;
    double m_fps = 0;
    double m_t0 = 0;
    // The engine's clock starts at the container's start time.
    double m_start = 0;
    // Exact seeks start a second before the keyframe: the container lands late without that
    // run-up.
    bool m_runUp = true;
    qint64 m_length = 0;
    // The frame last sought to; the position while not playing.
    qint64 m_frame = 0;
    // The engine is paused on m_frame itself, so the next frames can be played to.
    bool m_onFrame = false;
    bool m_playing = false;
    bool m_paused = false;
};

} // namespace media
