#include "media/framedecoder.h"

#include "media/framecache.h"
#include "media/framerenderer.h"
#include "media/frametable.h"
#include "media/mpvmovie.h"
#include "media/mpvmovielimits.h"
#include "media/mpvproperties.h"
#include "media/mpvwaits.h"

#include <algorithm>

namespace media {
namespace {

using namespace std::chrono_literals;

constexpr auto DrawDeadline = 1000ms;
// An untimed step takes about as long as decoding the frame; one that takes longer has stalled.
constexpr auto StallDeadline = 250ms;
// A step waits this long for a frame being decoded ahead before it decodes the frame itself.
constexpr auto WaitDeadline = 5000ms;

} // namespace

FrameDecoder::FrameDecoder(const MpvMovie &movie, QByteArray path, MpvOptions engineOptions,
                           FrameCache &cache)
    : m_movie(movie)
    , m_path(std::move(path))
    , m_options(std::move(engineOptions))
    , m_cache(cache)
    , m_thread([this] { run(); })
{}

FrameDecoder::~FrameDecoder()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_mpv)
            m_mpv->interrupt();
    }
    m_wake.notify_all();
    m_progress.notify_all();
    m_thread.join();
}

void FrameDecoder::follow(qint64 frame)
{
    {
        const std::lock_guard lock(m_mutex);
        m_focus = frame;
        m_active = true;
        m_pending = plan(frame);
    }
    m_wake.notify_all();
}

void FrameDecoder::pause()
{
    const std::lock_guard lock(m_mutex);
    m_active = false;
    m_pending.reset();
}

QImage FrameDecoder::waitFor(qint64 frame)
{
    const auto deadline = std::chrono::steady_clock::now() + WaitDeadline;
    std::unique_lock lock(m_mutex);
    for (;;) {
        QImage picture = m_cache.find(frame);
        const bool coming = (m_running && m_running->covers(frame))
                || (m_active && m_pending && m_pending->covers(frame));
        if (!picture.isNull() || !coming || m_failed)
            return picture;
        if (m_progress.wait_until(lock, deadline) == std::cv_status::timeout)
            return m_cache.find(frame);
    }
}

std::optional<FrameDecoder::Job> FrameDecoder::plan(qint64 focus) const
{
    // As many frames before the user's as after it fit, so that what is decoded is kept: the
    // cache keeps the frames nearest to the user's.
    const qint64 behind = (m_cache.capacity() - 1) / 2;
    if (behind <= 0 || focus <= 0)
        return std::nullopt;
    const qint64 low = std::max<qint64>(0, focus - behind);
    const std::optional<qint64> last = m_cache.highestMissing(low, focus - 1);
    // Each run decodes from a keyframe: it waits until the nearer half is used up, and then
    // fills the whole range at once.
    if (!last || *last < focus - (behind + 1) / 2)
        return std::nullopt;
    const FrameTable *frames = m_movie.table();
    const qint64 start = frames != nullptr ? frames->keyframeBefore(*last) : low;
    return Job {start, std::max(low, start), *last};
}

void FrameDecoder::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || (m_active && m_pending); });
        if (m_stopping)
            break;
        const Job job = *m_pending;
        m_running = job;
        m_pending.reset();
        lock.unlock();
        // An engine that could not open the movie is not tried again.
        const bool ready = !m_failed && (m_mpv || openEngine());
        const Outcome outcome = ready ? decode(job) : Outcome::Failed;
        lock.lock();
        // Steps back decode for themselves from now on.
        m_failed = outcome == Outcome::Failed;
        m_running.reset();
        // On to the group of pictures before, unless the cache would not keep them.
        if (m_active && !m_pending && outcome == Outcome::Done)
            m_pending = plan(m_focus);
        m_progress.notify_all();
    }
    m_renderer.reset();
    m_mpv.reset();
}

bool FrameDecoder::openEngine()
{
    std::unique_ptr<MpvHandle> mpv = MpvHandle::create(m_options);
    if (!mpv)
        return false;
    auto renderer = std::make_unique<FrameRenderer>(mpv->get());
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping || !renderer->isValid())
            return false;
        m_mpv = std::move(mpv);
        m_renderer = std::move(renderer);
    }
    m_size = m_cache.pictureSize();
    m_renderer->setTargetSize(m_size);
    quint32 error = 0;
    if (!mpvwaits::loadMovie(*m_mpv, m_path, error,
                             [this](int quarterTurn) { m_renderer->setTurn(quarterTurn); })
        || !mpvwaits::waitForPlaybackRestart(*m_mpv)
        // Drawn after the restart, the first picture would be taken for the first seek's.
        || !m_renderer->waitForFramesDrawn(0, DrawDeadline))
        return false;
    m_mpv->observe(mpvnames::Pause);
    m_mpv->setDouble(mpvnames::Speed, limits::StepSpeed);
    return true;
}

bool FrameDecoder::seekTo(qint64 picture, bool runUp)
{
    const MpvMovie::SeekAim aim = m_movie.aimAt(picture, runUp);
    m_mpv->setDouble(mpvnames::HrSeekDemuxerOffset, aim.offset);
    m_mpv->discardEvents();
    const QByteArray target = QByteArray::number(aim.target, 'f', 6);
    return m_mpv->command({mpvnames::Seek, target.constData(), mpvnames::AbsoluteExact}) >= 0
            && mpvwaits::waitForPlaybackRestart(*m_mpv);
}

bool FrameDecoder::stepFrom(double time)
{
    return m_mpv->command({mpvnames::FrameStep}) >= 0
            && mpvwaits::waitForFrameStep(*m_mpv, time, StallDeadline).has_value();
}

FrameDecoder::Outcome FrameDecoder::decode(const Job &job)
{
    if (m_cache.pictureSize() != m_size) {
        m_size = m_cache.pictureSize();
        m_renderer->setTargetSize(m_size);
    }
    quint64 drawn = m_renderer->framesDrawn();
    bool moved = seekTo(job.start, m_movie.m_runUp);
    qint64 previous = -1;
    // The time is read once the frame is drawn: only then does it name the frame shown.
    while (moved && m_renderer->waitForFramesDrawn(drawn, DrawDeadline)) {
        const std::optional<double> time = m_mpv->doubleProperty(mpvnames::TimePos);
        const qint64 frame = time ? m_movie.frameOfTime(*time) : -1;
        if (frame <= previous)
            break;
        if (frame > job.last)
            return Outcome::Done;
        if (frame >= job.first && !keep(frame, job.last, m_renderer->lastFrame()))
            return Outcome::Refused;
        if (frame == job.last || !isWanted())
            return Outcome::Done;
        previous = frame;
        drawn = m_renderer->framesDrawn();
        moved = stepFrom(*time);
        // The engine's frame step stalls now and then (seen on a variable-rate MOV with
        // B-frames); a seek to the next picture gets past it.
        if (!moved) {
            drawn = m_renderer->framesDrawn();
            moved = seekTo(m_movie.nextPicture(frame), true);
        }
    }
    // Where nothing gets past it, steps back decode for themselves.
    return Outcome::Failed;
}

bool FrameDecoder::keep(qint64 frame, qint64 last, const QImage &picture)
{
    // A dropped frame shows the picture before it.
    bool kept = true;
    for (qint64 shown = frame; shown <= last && m_movie.pictureOf(shown) == frame; ++shown)
        kept = m_cache.insert(shown, picture) && kept;
    announceProgress();
    return kept;
}

bool FrameDecoder::isWanted()
{
    const std::lock_guard lock(m_mutex);
    return m_active && !m_stopping;
}

void FrameDecoder::announceProgress()
{
    {
        // Taken so that a waiter between its look at the cache and its wait sees this.
        const std::lock_guard lock(m_mutex);
    }
    m_progress.notify_all();
}

} // namespace media
