#pragma once

#include "media/mpvhandle.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace media {

class FrameCache;
class FrameRenderer;
class MpvMovie;

// Decodes ahead, on a thread and an engine of its own, the frames before the one the user is on
// that the cache lacks: newest group of pictures first, each from its keyframe, drawn exactly as
// the movie's own engine draws them. Each picture is placed by its own time through the movie's
// frame addressing.
class FrameDecoder final
{
public:
    // The movie and the cache must outlive the decoder.
    FrameDecoder(const MpvMovie &movie, QByteArray path, MpvOptions engineOptions,
                 FrameCache &cache);
    ~FrameDecoder();
    Q_DISABLE_COPY_MOVE(FrameDecoder)

    // The user is on this frame: decode what the cache lacks before it.
    void follow(qint64 frame);
    // Stops decoding until the next follow: playback has the cores.
    void pause();
    // The picture of the frame once the decoding under way has drawn it; null when that decoding
    // does not give it.
    QImage waitFor(qint64 frame);

private:
    // Decodes from the keyframe start and keeps first..last.
    struct Job
    {
        qint64 start = 0;
        qint64 first = 0;
        qint64 last = -1;
        bool covers(qint64 frame) const { return frame >= first && frame <= last; }
    };

    std::optional<Job> plan(qint64 focus) const;
    void run();
    bool openEngine();
    enum class Outcome { Done, Refused, Failed };
    Outcome decode(const Job &job);
    // An exact seek to the picture, and a step to the next frame from the one at time.
    bool seekTo(qint64 picture, bool runUp);
    bool stepFrom(double time);
    // Keeps the picture of the frame and of the dropped frames up to last that show it.
    bool keep(qint64 frame, qint64 last, const QImage &picture);
    bool isWanted();
    void announceProgress();

    const MpvMovie &m_movie;
    const QByteArray m_path;
    const MpvOptions m_options;
    FrameCache &m_cache;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_progress;
    bool m_stopping = false;
    bool m_active = false;
    bool m_failed = false;
    qint64 m_focus = 0;
    std::optional<Job> m_pending;
    std::optional<Job> m_running;

    // Used on the decoder's thread; the handle is set under the mutex so that it can be
    // interrupted.
    std::unique_ptr<MpvHandle> m_mpv;
    std::unique_ptr<FrameRenderer> m_renderer;
    QSize m_size;
    std::thread m_thread;
};

} // namespace media
