#pragma once

#include "media/mpvhandle.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace media {

class FrameCache;
class FrameDecoder;
class FrameRenderer;
class FrameTable;
class VideoSurface;

// One movie open on libmpv, addressed by frame number: frame N is the movie's N-th picture in
// presentation order, found through the movie's frame table (or, where its packets do not tell
// where its frames lie, at t0 + N / fps). Every move lands exactly on its frame (a few frames
// forward are played to, anything else is an exact seek whose landing is checked), and the
// position at the end of the movie equals its length. Pictures of frames near the user's are
// kept as shown, and the frames before a step back are decoded ahead on an engine of their own,
// so that steps back show them without decoding.
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
    // The pictures kept of frames near the user's take at most cacheBytes.
    static std::unique_ptr<MpvMovie> open(const QByteArray &path, const MpvOptions &extraOptions,
                                          qint64 cacheBytes, Failure &failure);
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
    // See mci::Driver::setWaitNotice.
    void setWaitNotice(std::function<void(bool waiting)> notice)
    {
        m_waitNotice = std::move(notice);
    }
    void setDestination(const QRect &destination);
    QRect destination() const { return m_destination; }
    bool paintFrame(QImage &image);
    // What the pictures kept for steps back take.
    qint64 keptBytes() const;

private:
    friend class FrameDecoder;

    // Where an exact seek to a picture aims, and the run-up before the keyframe it needs.
    struct SeekAim
    {
        double target = 0;
        double offset = 0;
    };

    MpvMovie() = default;
    // The size pictures are drawn at: the destination's in the screen's own pixels, so that a
    // scaled screen shows them sharp. An emulated low-resolution screen, whose picture is meant
    // to be coarse, gets the destination's; so does a surface larger than the destination.
    QSize drawingSize() const;
    void drawAt(QSize size);
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
    // Waits until the table knows the frame, telling the wait notice when that takes long.
    bool tableKnows(const FrameTable &frames, qint64 frame) const;
    // An exact seek to the picture of frame, checked against the frame it lands on.
    quint32 seekToPicture(qint64 picture);
    quint32 seekOnce(qint64 picture, bool runUp);
    SeekAim aimAt(qint64 picture, bool runUp) const;
    // Moves the engine to the frame and shows its picture.
    quint32 moveEngine(qint64 frame, bool stopped);
    // Shows the kept picture of the frame, if there is one, leaving the engine where it is.
    bool showCached(qint64 frame);
    // The engine's own picture is the one shown from now on.
    void takeEngineBack();
    // Whether steps back to the frame are worth a kept picture: not where each frame is a
    // keyframe.
    bool isWorthKeeping(qint64 frame) const;
    // Keeps the picture the engine has just drawn for the frame it landed on.
    void keepDrawn(qint64 frame);
    // Decodes ahead the frames before the user's while the user steps back.
    void followUser(qint64 from);
    qint64 nextPicture(qint64 picture) const;
    std::optional<qint64> shownFrame() const;
    bool playForwardTo(qint64 frame);
    bool waitForStep(double fromTime, double expectedTime);
    // Waits until the picture shows the frame the engine last named.
    void settle();
    void drainEvents();
    bool atEnd() const;

    QByteArray m_path;
    MpvOptions m_decoderOptions;
    std::unique_ptr<FrameTable> m_table;
    std::function<void(bool waiting)> m_waitNotice;
    std::unique_ptr<FrameCache> m_cache;
    // Goes first: it reads the movie's table and fills its cache.
    std::unique_ptr<FrameDecoder> m_decoder;
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
    // The picture shown is a kept one; the engine is paused on m_engineFrame (or elsewhere: -1).
    bool m_cacheShown = false;
    qint64 m_engineFrame = -1;
    // The frame the engine last landed on has been drawn.
    bool m_landingDrawn = false;
    bool m_playing = false;
    bool m_paused = false;
};

} // namespace media
