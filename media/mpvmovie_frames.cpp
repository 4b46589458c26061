#include "media/framemath.h"
#include "media/framerenderer.h"
#include "media/frametable.h"
#include "media/mcivocabulary.h"
#include "media/mpvmovie.h"
#include "media/mpvmovielimits.h"
#include "media/mpvproperties.h"
#include "media/mpvwaits.h"
#include "media/videosurface.h"

#include <QThread>

#include <mpv/client.h>

#include <algorithm>
#include <cmath>

// Frame addressing: frame numbers through the movie's frame table, seeks that check where they
// land, and steps played to.
namespace media {
namespace {

using namespace std::chrono_literals;
using namespace limits;
using mpvwaits::StepDeadline;

// A few frames ahead are played to instead of sought: an exact seek decodes from the keyframe
// before the target, up to hundreds of frames on long-GOP movies.
constexpr qint64 MaxPlayedFrames = 4;
// mpv's exact seek shows the first frame at most this much before its target.
constexpr double SeekTolerance = 0.005;
// How far before the keyframe a frame is decoded from the demuxer starts, where it lands late.
constexpr double RunUp = 1.0;
// Two frame times closer than this are the same.
constexpr double SameTime = 1e-4;

} // namespace

const FrameTable *MpvMovie::table() const
{
    return m_table && !m_table->isUnusable() ? m_table.get() : nullptr;
}

qint64 MpvMovie::length() const
{
    const FrameTable *frames = table();
    return frames != nullptr && frames->isComplete() ? std::max<qint64>(1, frames->size())
                                                     : m_length;
}

double MpvMovie::frameTime(qint64 frame) const
{
    const FrameTable *frames = table();
    if (frames != nullptr && tableKnows(*frames, frame) && frame < frames->size())
        return frames->time(frame) - m_start;
    return m_t0 + double(frame) / m_fps;
}

qint64 MpvMovie::frameOfTime(double time) const
{
    const FrameTable *frames = table();
    if (frames != nullptr) {
        // Until the table is read to its end, only the frames before its last known one are
        // certain.
        const qint64 frame = frames->indexAt(time + m_start);
        if (frames->isComplete() || frame < frames->size() - 1)
            return frame;
    }
    return framemath::frameAt(time, m_t0, m_fps);
}

qint64 MpvMovie::pictureOf(qint64 frame) const
{
    const FrameTable *frames = table();
    if (frames == nullptr)
        return frame;
    while (frame > 0 && tableKnows(*frames, frame) && frame < frames->size()
           && frames->isRepeat(frame))
        --frame;
    return frame;
}

bool MpvMovie::tableKnows(const FrameTable &frames, qint64 frame) const
{
    if (frames.waitFor(frame, NoticedTableWait))
        return true;
    // The user waits only for what the user-interface thread waits for; the engine decoding
    // ahead waits unseen.
    const bool noticed = m_waitNotice && QThread::currentThread() == thread();
    if (noticed)
        m_waitNotice(true);
    const bool known = frames.waitFor(frame, TableDeadline);
    if (noticed)
        m_waitNotice(false);
    return known;
}

quint32 MpvMovie::seek(qint64 frame)
{
    if (!hasVideo())
        return mci::MCIERR_UNSUPPORTED_FUNCTION;
    const qint64 frames = length();
    if (frame < 0 || frame > frames)
        return mci::MCIERR_OUTOFRANGE;
    const bool stopped = !m_playing;
    halt();
    m_paused = false;
    if (!stopped)
        return moveEngine(frame, false);
    const qint64 from = m_frame;
    const quint32 error = showCached(frame) ? 0 : moveEngine(frame, true);
    if (error == 0)
        followUser(from);
    return error;
}

quint32 MpvMovie::moveEngine(qint64 frame, bool stopped)
{
    // Drawn after the open has returned, the first picture would be taken for this move's.
    m_renderer->waitForFramesDrawn(0, StepDeadline);
    takeEngineBack();
    if (stopped && m_onFrame && frame == m_frame) {
        // Back on the engine's own frame after kept pictures.
        if (m_surface)
            m_surface->showFrame(m_renderer->lastFrame());
        return 0;
    }
    if (stopped && m_onFrame && playForwardTo(frame)) {
        m_frame = frame;
        keepDrawn(frame);
        return 0;
    }
    m_onFrame = false;
    const qint64 shown = std::min(frame, length() - 1);
    const quint32 error = seekToPicture(pictureOf(shown));
    if (error != 0)
        return error;
    if (m_onFrame && m_frame == pictureOf(shown)) {
        m_frame = frame;
        m_onFrame = frame == shown;
        if (stopped)
            keepDrawn(shown);
    }
    return 0;
}

quint32 MpvMovie::seekToPicture(qint64 picture)
{
    bool runUp = m_runUp;
    quint32 error = seekOnce(picture, runUp);
    while (error == 0) {
        // Nothing drawn: the demuxer started at a frame the decoder cannot show from (an
        // intra-refresh stream's recovery point marked as a keyframe), decoded on to the end
        // without a picture, and the engine names the end as its time. A run-up starts at an
        // earlier recovery point, whose refresh is complete by the frame.
        if (!m_landingDrawn && !runUp) {
            runUp = true;
            error = seekOnce(picture, runUp);
            continue;
        }
        const std::optional<qint64> landed = shownFrame();
        // A damaged movie can show a picture from before its first frame: the position is
        // still a frame of the movie.
        m_frame = std::max<qint64>(0, landed.value_or(picture));
        m_onFrame = true;
        if (landed == picture)
            return 0;
        // Landed before the frame: count forward to it.
        if (landed && *landed >= 0 && *landed < picture && playForwardTo(picture)) {
            m_frame = picture;
            return 0;
        }
        if (runUp)
            break;
        // Landed after the frame: the container's index led the demuxer past the keyframe the
        // frame needs. Once more, starting before that keyframe.
        runUp = true;
        error = seekOnce(picture, runUp);
    }
    if (error == 0) {
        // The position tells what is shown, not what was asked for.
        qWarning("velmomp: a seek to frame %lld showed frame %lld", picture, m_frame);
    }
    return error;
}

MpvMovie::SeekAim MpvMovie::aimAt(qint64 picture, bool runUp) const
{
    // The engine shows the first frame not earlier than its tolerance before the target: aim
    // between this frame and the one before it, shifted by that tolerance.
    const double time = frameTime(picture);
    SeekAim aim;
    aim.target = picture == 0 ? time : (frameTime(picture - 1) + time) / 2 + SeekTolerance;
    // Containers searched by their times land late: the demuxer starts well before the
    // keyframe the frame is decoded from.
    if (runUp) {
        const FrameTable *frames = table();
        const qint64 keyframe = frames != nullptr ? frames->keyframeBefore(picture) : picture;
        aim.offset = time - frameTime(keyframe) + RunUp;
    }
    return aim;
}

quint32 MpvMovie::seekOnce(qint64 picture, bool runUp)
{
    const SeekAim aim = aimAt(picture, runUp);
    m_mpv->setDouble(mpvnames::HrSeekDemuxerOffset, aim.offset);
    // A restart left over from earlier must not be taken for this seek's.
    m_mpv->discardEvents();
    const quint64 drawn = m_renderer->framesDrawn();
    const QByteArray text = QByteArray::number(aim.target, 'f', 6);
    if (m_mpv->command({mpvnames::Seek, text.constData(), mpvnames::AbsoluteExact}) < 0)
        return mci::MCIERR_HARDWARE;
    if (!waitForRestart())
        return mci::MCIERR_DEVICE_NOT_READY;
    // Drawn late on a busy machine, the frame would be taken for the next step's.
    m_landingDrawn = m_renderer->waitForFramesDrawn(drawn, StepDeadline);
    return 0;
}

std::optional<qint64> MpvMovie::shownFrame() const
{
    const std::optional<double> time = m_mpv->doubleProperty(mpvnames::TimePos);
    if (!time)
        return std::nullopt;
    return frameOfTime(*time);
}

qint64 MpvMovie::nextPicture(qint64 picture) const
{
    const qint64 frames = length();
    qint64 next = picture + 1;
    while (next < frames - 1 && pictureOf(next) != next)
        ++next;
    return next;
}

bool MpvMovie::playForwardTo(qint64 frame)
{
    // The last frame is left to the seek, which knows about the end of the movie.
    if (frame <= m_frame || frame - m_frame > MaxPlayedFrames || frame >= length() - 1)
        return false;
    const qint64 target = pictureOf(frame);
    qint64 picture = pictureOf(m_frame);
    m_mpv->discardEvents();
    m_mpv->setFlag(mpvnames::Mute, true);
    m_mpv->setDouble(mpvnames::Speed, StepSpeed);
    bool reached = true;
    while (reached && picture < target) {
        const qint64 next = nextPicture(picture);
        // The step is over when the engine pauses again, but its frame is shown only once the
        // renderer has drawn it.
        const quint64 drawn = m_renderer->framesDrawn();
        reached = m_mpv->command({mpvnames::FrameStep}) >= 0
                && waitForStep(frameTime(picture), frameTime(next))
                && m_renderer->waitForFramesDrawn(drawn, StepDeadline);
        picture = next;
    }
    m_mpv->setDouble(mpvnames::Speed, 1);
    m_mpv->setFlag(mpvnames::Mute, false);
    m_landingDrawn = reached;
    // Anything else than the next frame each time (a dropped frame, the end) is left to a seek.
    if (!reached)
        m_mpv->setFlag(mpvnames::Pause, true);
    return reached;
}

bool MpvMovie::waitForStep(double fromTime, double expectedTime)
{
    const std::optional<double> time = mpvwaits::waitForFrameStep(*m_mpv, fromTime);
    return time && std::abs(*time - expectedTime) < SameTime;
}

qint64 MpvMovie::position() const
{
    if (!m_playing || !hasVideo())
        return m_frame;
    // Near the end the time follows the sound; the end itself is the length.
    const qint64 frames = length();
    if (atEnd())
        return frames;
    const std::optional<qint64> shown = shownFrame();
    return std::clamp<qint64>(shown.value_or(0), 0, frames - 1);
}

} // namespace media
