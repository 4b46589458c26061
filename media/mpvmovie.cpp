#include "media/mpvmovie.h"

#include "media/framecache.h"
#include "media/framedecoder.h"
#include "media/framemath.h"
#include "media/framerenderer.h"
#include "media/frametable.h"
#include "media/lastframe.h"
#include "media/mcivocabulary.h"
#include "media/mpvmovielimits.h"
#include "media/mpvproperties.h"
#include "media/mpvtracks.h"
#include "media/mpvwaits.h"
#include "media/upright.h"
#include "media/videosurface.h"

#include <QCoreApplication>

#include <mpv/client.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <future>

namespace media {
namespace {

using namespace limits;
using namespace mpvwaits;

using namespace std::chrono_literals;
// A last frame read from the packets that puts the end further than this from the container's
// stated duration is not trusted: the header or the packets lie.
constexpr double MaxEndDisagreement = 1.0;
constexpr auto SettleDeadline = 500ms;
// The open of a larger movie waits for its frame table at most a tenth of what the engine took to
// open it, and never less than MinTableWait.
constexpr int TableWaitShare = 10;
// Larger movies read their table once the engine has opened them: it takes longer than the open.
constexpr qint64 EagerTableBytes = 256 * 1024 * 1024;
// Six minutes of a movie at 25 frames a second: shorter tables are read again quickly, and
// keeping them would only fill the folder.
constexpr qint64 KeptTableFrames = 9000;
constexpr auto MinTableWait = 2ms;
// The table of a movie read while the engine opens it is whole in milliseconds unless the
// machine is busy; the open waits for it up to this long, so that the length, the rate and the
// tenth of the movie a step moves are its own from the open on and not the last packets' guess.
constexpr auto EagerTableWait = 1000ms;
// Steps back at a key's repeat rate use up this much before frames decoded from the keyframe
// before are needed; more would only take memory.
constexpr double KeptSeconds = 2;
// Frames whose average rate is this much off the container's stated rate do not all last one
// frame time.
constexpr double MaxRateDisagreement = 0.01;

// The engine's own scripts (statistics, console, profiles, web streams) are of no use behind the
// player: each holds a thread and a Lua state.
MpvOptions withoutScripts(const MpvOptions &options)
{
    return MpvOptions {{mpvnames::LoadStatsOverlay, "no"},
                       {mpvnames::LoadOsdConsole, "no"},
                       {mpvnames::LoadAutoProfiles, "no"},
                       {mpvnames::Ytdl, "no"}}
    + options;
}

MpvOptions playerOptions(const MpvOptions &extraOptions)
{
    MpvOptions options = {
            {mpvnames::Config, "no"},
            {mpvnames::Terminal, "no"},
            {mpvnames::InputDefaultBindings, "no"},
            {mpvnames::InputVoKeyboard, "no"},
            {mpvnames::Osc, "no"},
            {mpvnames::Idle, "yes"},
            {mpvnames::KeepOpen, "always"},
            {mpvnames::Pause, "yes"},
            {mpvnames::HrSeek, "yes"},
            // A run-up before exact seeks, for containers that land late without one.
            {mpvnames::HrSeekDemuxerOffset, "1"},
            {mpvnames::CoverArtAuto, "no"},
            {mpvnames::AudioDisplay, "no"},
            {mpvnames::AudioFallbackToNull, "yes"},
            {mpvnames::Vo, "libmpv"},
            {mpvnames::KeepAspect, "no"},
            // Pictures are turned upright once drawn: see upright::turn.
            {mpvnames::VideoRotate, "no"},
            // Until play: see StepSpeed.
            {mpvnames::Untimed, "yes"},
            // Slices converted on several threads cost more in hand-overs than they save: one
            // thread converts a 1080p picture well within a frame time.
            {mpvnames::ZimgThreads, "1"},
    };
    return withoutScripts(options + extraOptions);
}

MpvOptions lengthProbeOptions()
{
    return withoutScripts({{mpvnames::Config, "no"},
                           {mpvnames::Terminal, "no"},
                           {mpvnames::Vo, "null"},
                           {mpvnames::Ao, "null"},
                           {mpvnames::Aid, "no"},
                           {mpvnames::Pause, "yes"},
                           {mpvnames::Idle, "yes"},
                           {mpvnames::KeepOpen, "always"},
                           {mpvnames::HrSeek, "yes"},
                           {mpvnames::VideoRotate, "no"},
                           {mpvnames::HrSeekDemuxerOffset, "1"},
                           {mpvnames::HrSeekFramedrop, "no"}});
}

// Containers with an index of their frames, whose demuxer lands on the keyframe before any
// target. Program streams are searched by their times instead and land late. The names are the
// engine's: Matroska and WebM are read by a demuxer of its own, named "mkv".
bool hasFrameIndex(const MpvHandle &mpv)
{
    const QByteArray name = mpv.stringProperty(mpvnames::FileFormat).value_or(QByteArray());
    return name.startsWith("mov,") || name == "mkv" || name == "avi";
}

} // namespace

std::unique_ptr<MpvMovie> MpvMovie::open(const QByteArray &path, const MpvOptions &extraOptions,
                                         qint64 cacheBytes, Failure &failure)
{
    std::unique_ptr<MpvMovie> movie(new MpvMovie);
    movie->m_cache = std::make_unique<FrameCache>(cacheBytes);
    if (!movie->load(path, extraOptions, failure))
        return nullptr;
    return movie;
}

MpvMovie::~MpvMovie()
{
    m_decoder.reset();
    // The pictures shown, kept and on their way go first: the renderer leaves its own, nobody
    // else's, to the next movie.
    delete m_surface;
    m_cache.reset();
    QCoreApplication::removePostedEvents(this);
    // The renderer goes before the player it draws from.
    m_renderer.reset();
}

bool MpvMovie::load(const QByteArray &path, const MpvOptions &extraOptions, Failure &failure)
{
    struct stat info
    {};
    if (path.isEmpty() || path.contains('\0') || ::stat(path.constData(), &info) != 0) {
        failure.error = mci::MCIERR_FILE_NOT_FOUND;
        return false;
    }
    const auto started = std::chrono::steady_clock::now();
    m_path = path;
    // The engine that decodes ahead draws exactly as this one does; it has no sound to wait for.
    m_decoderOptions = playerOptions(extraOptions)
            << MpvOptions {{mpvnames::Ao, "null"}, {mpvnames::Mute, "yes"}};
    // The packets tell where the frames lie while the engine opens the movie.
    // Made at the first movie, so that the environment names the folder as the player runs.
    static TableKeeping keeping {FrameTableCache(), KeptTableFrames};
    const bool eager = info.st_size <= EagerTableBytes;
    m_table = std::make_unique<FrameTable>(path, !eager, &keeping);
    std::future<std::optional<double>> lastFrameTime
            = std::async(std::launch::async, [path] { return findLastFrameTime(path); });
    m_mpv = MpvHandle::create(playerOptions(extraOptions));
    if (m_mpv)
        m_renderer = std::make_unique<FrameRenderer>(m_mpv->get());
    if (!m_mpv || !m_renderer->isValid()) {
        failure.error = mci::MCIERR_CANNOT_LOAD_DRIVER;
        return false;
    }
    mpv_set_wakeup_callback(
            m_mpv->get(),
            [](void *movie) {
                // Runs on a libmpv thread: only post to the user-interface thread.
                QMetaObject::invokeMethod(static_cast<MpvMovie *>(movie), &MpvMovie::drainEvents,
                                          Qt::QueuedConnection);
            },
            this);

    int turn = 0;
    if (!loadMovie(*m_mpv, path, failure.error, [&](int quarterTurn) {
            turn = quarterTurn;
            m_renderer->setTurn(quarterTurn);
        }))
        return false;

    const Tracks tracks = tracksOf(m_mpv->get());
    if (!tracks.movingVideo) {
        m_deviceType = tracks.stillPicture || !tracks.audio ? mci::MCI_DEVTYPE_OTHER
                                                            : mci::MCI_DEVTYPE_WAVEFORM_AUDIO;
        return true;
    }
    const bool shown = waitForPlaybackRestart(*m_mpv);
    if (!shown || !m_mpv->flagProperty(mpvnames::VoConfigured).value_or(false)) {
        if (!shown)
            qWarning("velmomp: the first picture of %s did not come in time", path.constData());
        m_deviceType = mci::MCI_DEVTYPE_OTHER;
        return true;
    }
    // The source size is the upright picture at its display shape, not the stored one: every
    // rectangle the engine draws into is made from it.
    m_sourceSize
            = upright::turned(QSize(int(m_mpv->intProperty(mpvnames::DisplayWidth).value_or(0)),
                                    int(m_mpv->intProperty(mpvnames::DisplayHeight).value_or(0))),
                              turn);
    if (!upright::isShowable(m_sourceSize)) {
        failure.error = mci::MCIERR_INVALID_FILE;
        return false;
    }
    m_deviceType = mci::MCI_DEVTYPE_DIGITAL_VIDEO;
    m_table->release();
    m_mpv->observe(mpvnames::Pause);
    m_fps = framemath::snapFrameRate(m_mpv->doubleProperty(mpvnames::ContainerFps).value_or(0));
    if (m_fps <= 0)
        m_fps = 25;

    // The first frame shown defines frame 0 where the table cannot: program streams start a
    // little after 0.
    m_t0 = m_mpv->doubleProperty(mpvnames::TimePos).value_or(0);
    // The engine counts its time from the container's start.
    m_start = m_mpv->doubleProperty(mpvnames::DemuxerStartTime).value_or(0);
    const std::optional<double> lastTime = lastFrameTime.get();
    // With an index and a time on every frame an exact seek needs no run-up, which would decode
    // a whole group of pictures more whenever the target lies within the run-up after a
    // keyframe. Frames without times of their own (B-frames in AVI) land late without one.
    m_runUp = !(lastTime && hasFrameIndex(*m_mpv));
    // The table of a movie is mostly read before the engine has shown its first picture; a long
    // one is read on while the movie is already shown.
    m_table->waitUntilComplete(
            eager ? EagerTableWait
                  : std::max(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     (std::chrono::steady_clock::now() - started) / TableWaitShare),
                             MinTableWait));
    if (m_table->isComplete())
        takeTableRate();
    else if (m_table->isUnusable())
        m_table.reset();
    // The first picture shown is frame 0: that ties the engine's clock to the table's. Where
    // the engine makes the times up, it makes them up one way when reading from the start and
    // another after any seek, so the tie is made after one.
    if (m_table && m_table->waitFor(1, TableDeadline) && m_table->size() > 0) {
        if (m_table->hasMadeUpTimes()) {
            m_mpv->discardEvents();
            if (m_mpv->command({mpvnames::Seek, "0", mpvnames::AbsoluteExact}) >= 0
                && waitForRestart())
                m_t0 = m_mpv->doubleProperty(mpvnames::TimePos).value_or(m_t0);
        }
        m_start = m_table->time(0) - m_t0;
    }
    // Until a long table is read to its end, the length is what the last packets tell; the
    // engine decodes the end only where no table can be read.
    if ((!m_table || !m_table->isComplete()) && !takeLength(lastTime)
        && (m_table || !measureLength(path, extraOptions))) {
        const double duration = m_mpv->doubleProperty(mpvnames::Duration).value_or(0);
        m_length = std::max<qint64>(1, qint64(duration * m_fps + 0.5));
    }
    // Kept: the frames of a few seconds before the user's, and as many after it.
    m_cache->limitTo(2 * qint64(std::ceil(KeptSeconds * m_fps)) + 1);
    m_frame = 0;
    m_onFrame = true;
    return true;
}

void MpvMovie::takeTableRate()
{
    // Frames that do not all last one frame time: the rate that gives the movie's length in
    // milliseconds is their average.
    const qint64 frames = m_table->size();
    if (frames < 2)
        return;
    const double span = m_table->time(frames - 1) - m_table->time(0);
    if (span <= 0)
        return;
    const double average = double(frames - 1) / span;
    if (std::abs(average - m_fps) > m_fps * MaxRateDisagreement)
        m_fps = framemath::snapFrameRate(average);
}

bool MpvMovie::takeLength(std::optional<double> lastFrameTime)
{
    if (!lastFrameTime)
        return false;
    // The engine counts its time from the container's start.
    const double start = m_mpv->doubleProperty(mpvnames::DemuxerStartTime).value_or(0);
    const qint64 last = framemath::frameAt(*lastFrameTime - start, m_t0, m_fps);
    const std::optional<double> duration = m_mpv->doubleProperty(mpvnames::Duration);
    if (last < 0 || !duration
        || std::abs(double(last + 1) / m_fps - *duration) > MaxEndDisagreement)
        return false;
    m_length = last + 1;
    return true;
}

bool MpvMovie::measureLength(const QByteArray &path, const MpvOptions &extraOptions)
{
    // A second, hidden player finds the last frame without disturbing the shown one.
    MpvOptions options = lengthProbeOptions();
    for (const auto &option : extraOptions) {
        if (option.first != mpvnames::Ao && option.first != mpvnames::Vo)
            options << option;
    }
    const std::unique_ptr<MpvHandle> probe = MpvHandle::create(options);
    quint32 error = 0;
    if (!probe || !loadMovie(*probe, path, error) || !waitForPlaybackRestart(*probe))
        return false;
    const auto frameAfterSeek = [&](const char *target, const char *how) -> std::optional<qint64> {
        probe->discardEvents();
        if (probe->command({mpvnames::Seek, target, how}) < 0 || !waitForPlaybackRestart(*probe))
            return std::nullopt;
        const std::optional<double> time = probe->doubleProperty(mpvnames::TimePos);
        if (!time)
            return std::nullopt;
        return framemath::frameAt(*time, m_t0, m_fps);
    };
    std::optional<qint64> last = frameAfterSeek("100", mpvnames::AbsolutePercentExact);
    if (!last)
        return false;
    // At the very end some formats give the time after the last frame, the duration: then ask
    // for that frame and take the one that is really shown.
    const std::optional<double> duration = probe->doubleProperty(mpvnames::Duration);
    const bool clean = duration && *last < framemath::frameAt(m_t0 + *duration, m_t0, m_fps);
    for (int tries = 0; !clean && tries < 3 && *last > 0; ++tries) {
        const QByteArray target
                = QByteArray::number(framemath::seekTime(*last, m_t0, m_fps), 'f', 6);
        const std::optional<qint64> shown
                = frameAfterSeek(target.constData(), mpvnames::AbsoluteExact);
        if (shown && *shown == *last)
            break;
        last = shown && *shown < *last ? *shown : *last - 1;
    }
    m_length = std::max<qint64>(1, *last + 1);
    return true;
}

bool MpvMovie::hasVideo() const
{
    return m_deviceType == mci::MCI_DEVTYPE_DIGITAL_VIDEO;
}

bool MpvMovie::waitForRestart()
{
    return waitForPlaybackRestart(*m_mpv);
}

bool MpvMovie::atEnd() const
{
    return m_mpv->flagProperty(mpvnames::EofReached).value_or(false);
}

quint32 MpvMovie::mode() const
{
    if (m_playing && !atEnd())
        return mci::MCI_MODE_PLAY;
    return m_paused ? mci::MCI_MODE_PAUSE : mci::MCI_MODE_STOP;
}

quint32 MpvMovie::play()
{
    if (m_decoder)
        m_decoder->pause();
    if (m_cacheShown && !m_playing)
        moveEngine(m_frame, true);
    m_onFrame = false;
    m_mpv->setFlag(mpvnames::Untimed, false);
    m_renderer->setPaced(true);
    m_mpv->setFlag(mpvnames::Pause, false);
    m_playing = true;
    m_paused = false;
    return 0;
}

quint32 MpvMovie::pause()
{
    const quint32 error = stop();
    m_paused = true;
    return error;
}

quint32 MpvMovie::stop()
{
    if (m_playing) {
        // Paused first, so that no frame after the one the position names is queued.
        m_mpv->setFlag(mpvnames::Pause, true);
        m_frame = position();
        settle();
    }
    halt();
    m_paused = false;
    return 0;
}

void MpvMovie::halt()
{
    m_mpv->setFlag(mpvnames::Pause, true);
    if (m_playing)
        m_mpv->setFlag(mpvnames::Untimed, true);
    m_renderer->setPaced(false);
    m_playing = false;
}

void MpvMovie::bind(QWidget *window)
{
    if (window == nullptr) {
        if (m_surface)
            m_surface->hide();
        return;
    }
    if (!m_surface) {
        m_surface = new VideoSurface(window);
        // While a kept picture is shown, the engine's are not.
        connect(
                m_renderer.get(), &FrameRenderer::frameReady, this,
                [this](const QImage &frame) {
                    if (!m_cacheShown && m_surface)
                        m_surface->showFrame(frame);
                },
                Qt::QueuedConnection);
        // The window is sized to the destination after the destination is set.
        connect(m_surface, &VideoSurface::resized, this, [this] {
            if (drawingSize() != m_cache->pictureSize())
                drawAt(drawingSize());
        });
    } else {
        m_surface->attach(window);
    }
    if (m_destination.isEmpty())
        setDestination(QRect(QPoint(0, 0), m_sourceSize));
    // The device's current frame shows over whatever else the window holds.
    m_surface->raise();
    m_surface->show();
}

void MpvMovie::setDestination(const QRect &destination)
{
    m_destination = destination;
    drawAt(drawingSize());
}

QSize MpvMovie::drawingSize() const
{
    const QSize size = m_destination.size();
    if (!m_surface || m_surface->showsCoarse() || m_surface->size() != size)
        return size;
    return (QSizeF(size) * m_surface->devicePixelRatioF()).toSize();
}

void MpvMovie::drawAt(QSize size)
{
    m_renderer->setTargetSize(size);
    if (m_cache->pictureSize() == size)
        return;
    m_cache->reset(size);
    // The kept picture shown has the old size: the engine draws the frame anew.
    if (m_cacheShown)
        moveEngine(m_frame, true);
}

bool MpvMovie::paintFrame(QImage &image)
{
    if (!hasVideo())
        return false;
    if (m_cacheShown) {
        const QImage kept = m_cache->find(std::min(m_frame, length() - 1));
        if (!kept.isNull() && kept.size() == image.size()) {
            image = kept;
            return true;
        }
        moveEngine(m_frame, true);
    }
    if (m_playing && atEnd())
        settle();
    return m_renderer->renderInto(image);
}

void MpvMovie::settle()
{
    // The engine names a frame as soon as it is queued for display, up to a frame time before it
    // is drawn, and a last frame dropped for being late is drawn again only once the engine has
    // paused at the end.
    const auto frameTime = std::chrono::milliseconds(qint64(1500 / m_fps) + 1);
    m_renderer->waitUntilQuiet(frameTime, SettleDeadline);
}

void MpvMovie::drainEvents()
{
    // Nothing outside a command's own wait needs an event: the player polls.
    if (m_mpv)
        m_mpv->discardEvents();
}

} // namespace media
