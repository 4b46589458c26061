#pragma once

// The bare libmpv client the benchmark measures the player against.

#include "support/testmovies.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QSize>

#include <mpv/client.h>
#include <mpv/render.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace bench {

using Options = QList<std::pair<QByteArray, QByteArray>>;

// Far longer than any operation should take: only a hung engine reaches it.
inline constexpr int EventDeadlineMs = 20000;

// A bare libmpv client, set up as any embedding program would be: the libmpv video output drawn
// by the software renderer on a thread of its own (the video output stalls until each frame is
// drawn), paused, no sound.
class RawPlayer final
{
public:
    RawPlayer(Options options, QSize view)
        : m_options(std::move(options))
        , m_view(view)
    {}

    ~RawPlayer()
    {
        if (m_context != nullptr) {
            mpv_render_context_set_update_callback(m_context, nullptr, nullptr);
            {
                const std::lock_guard lock(m_wakeMutex);
                m_quit = true;
            }
            m_wake.notify_one();
            if (m_thread.joinable())
                m_thread.join();
            // The render context must go before the player, or its destruction waits forever.
            mpv_render_context_free(m_context);
        }
        if (m_mpv != nullptr)
            mpv_terminate_destroy(m_mpv);
    }

    RawPlayer(const RawPlayer &) = delete;
    RawPlayer &operator=(const RawPlayer &) = delete;

    // Creates the player, loads the file and draws its first picture.
    bool open(const QByteArray &path)
    {
        m_mpv = mpv_create();
        if (m_mpv == nullptr)
            return false;
        for (const auto &[name, value] : std::as_const(m_options)) {
            if (mpv_set_option_string(m_mpv, name.constData(), value.constData()) < 0)
                return false;
        }
        if (mpv_initialize(m_mpv) < 0)
            return false;
        char apiType[] = MPV_RENDER_API_TYPE_SW;
        mpv_render_param params[]
                = {{MPV_RENDER_PARAM_API_TYPE, apiType}, {MPV_RENDER_PARAM_INVALID, nullptr}};
        if (mpv_render_context_create(&m_context, m_mpv, params) < 0) {
            m_context = nullptr;
            return false;
        }
        m_thread = std::thread([this] { renderLoop(); });
        mpv_render_context_set_update_callback(m_context, &RawPlayer::onUpdate, this);
        if (!command({"loadfile", path.constData(), "replace"})
            || !waitForEvent(MPV_EVENT_FILE_LOADED) || !waitForEvent(MPV_EVENT_PLAYBACK_RESTART))
            return false;
        QImage first(m_view, QImage::Format_RGB32);
        return render(first);
    }

    // Property changes that tell when a frame-step is over.
    void observeStepping()
    {
        mpv_observe_property(m_mpv, 0, "time-pos", MPV_FORMAT_DOUBLE);
        mpv_observe_property(m_mpv, 0, "pause", MPV_FORMAT_FLAG);
    }

    double timePos() const
    {
        double value = 0;
        mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &value);
        return value;
    }

    bool seekExact(double time)
    {
        discardEvents();
        const QByteArray target = QByteArray::number(time, 'f', 6);
        return command({"seek", target.constData(), "absolute+exact"})
                && waitForEvent(MPV_EVENT_PLAYBACK_RESTART);
    }

    // mpv's own step: plays one frame and pauses again; no seek, so no restart event.
    bool frameStep()
    {
        discardEvents();
        const double before = timePos();
        const quint64 drawnBefore = drawnFrames();
        if (!command({"frame-step"}))
            return false;
        bool moved = false;
        const bool stepped = waitFor([&](const mpv_event &event) {
            if (event.event_id == MPV_EVENT_PROPERTY_CHANGE) {
                const auto *property = static_cast<const mpv_event_property *>(event.data);
                if (qstrcmp(property->name, "time-pos") == 0
                    && property->format == MPV_FORMAT_DOUBLE
                    && *static_cast<const double *>(property->data) != before)
                    moved = true;
            }
            return moved && paused();
        });
        // The step is over when the engine says so, but its frame reaches the renderer a little
        // later; a client has only shown the frame once it has drawn it.
        std::unique_lock lock(m_wakeMutex);
        return stepped && m_drawn.wait_for(lock, std::chrono::milliseconds(EventDeadlineMs), [&] {
            return m_drawnFrames > drawnBefore;
        });
    }

    bool frameBackStep()
    {
        discardEvents();
        return command({"frame-back-step"}) && waitForEvent(MPV_EVENT_PLAYBACK_RESTART);
    }

    bool render(QImage &image)
    {
        const std::lock_guard lock(m_renderMutex);
        return renderLocked(image);
    }

    QImage shownPicture()
    {
        QImage picture(m_view, QImage::Format_RGB32);
        picture.fill(Qt::black);
        render(picture);
        return picture;
    }

    int shownFrame() { return frameIndexOf(shownPicture()).value_or(-1); }

private:
    bool command(std::initializer_list<const char *> arguments)
    {
        std::vector<const char *> argv(arguments);
        argv.push_back(nullptr);
        return mpv_command(m_mpv, argv.data()) >= 0;
    }

    bool paused() const
    {
        int value = 0;
        return mpv_get_property(m_mpv, "pause", MPV_FORMAT_FLAG, &value) >= 0 && value != 0;
    }

    void discardEvents()
    {
        while (mpv_wait_event(m_mpv, 0)->event_id != MPV_EVENT_NONE) {
        }
    }

    bool waitFor(const std::function<bool(const mpv_event &)> &accept)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < EventDeadlineMs) {
            const mpv_event *event = mpv_wait_event(m_mpv, 1.0);
            if (event->event_id == MPV_EVENT_SHUTDOWN || event->event_id == MPV_EVENT_END_FILE)
                return false;
            if (event->event_id != MPV_EVENT_NONE && accept(*event))
                return true;
        }
        return false;
    }

    bool waitForEvent(mpv_event_id id)
    {
        return waitFor([id](const mpv_event &event) { return event.event_id == id; });
    }

    static void onUpdate(void *player)
    {
        // Runs on a libmpv thread, which must not call into libmpv: only wake the renderer.
        auto *self = static_cast<RawPlayer *>(player);
        {
            const std::lock_guard lock(self->m_wakeMutex);
            self->m_pending = true;
        }
        self->m_wake.notify_one();
    }

    void renderLoop()
    {
        QImage frame(m_view, QImage::Format_RGB32);
        for (;;) {
            {
                std::unique_lock lock(m_wakeMutex);
                m_wake.wait(lock, [this] { return m_pending || m_quit; });
                if (m_quit)
                    return;
                m_pending = false;
            }
            bool drawnNew = false;
            {
                const std::lock_guard lock(m_renderMutex);
                if ((mpv_render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME) != 0) {
                    const bool fresh = isNewFrame();
                    // Drawn at once, not at the frame's display time as the player's renderer
                    // does: mpv's frame-step plays the frame in real time, and this is the
                    // soonest a client can show it.
                    drawnNew = renderLocked(frame) && fresh;
                }
            }
            if (drawnNew) {
                {
                    const std::lock_guard lock(m_wakeMutex);
                    ++m_drawnFrames;
                }
                m_drawn.notify_all();
            }
        }
    }

    // False for a redraw of the frame already shown (pausing asks for one): that is no step.
    bool isNewFrame()
    {
        mpv_render_frame_info info {};
        if (mpv_render_context_get_info(m_context, {MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info}) < 0)
            return true;
        return (info.flags & (MPV_RENDER_FRAME_INFO_REDRAW | MPV_RENDER_FRAME_INFO_REPEAT)) == 0;
    }

    quint64 drawnFrames()
    {
        const std::lock_guard lock(m_wakeMutex);
        return m_drawnFrames;
    }

    bool renderLocked(QImage &image)
    {
        int size[2] = {image.width(), image.height()};
        char format[] = "bgr0";
        size_t stride = size_t(image.bytesPerLine());
        int block = 0;
        mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                                     {MPV_RENDER_PARAM_SW_FORMAT, format},
                                     {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                     {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
                                     {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                     {MPV_RENDER_PARAM_INVALID, nullptr}};
        return mpv_render_context_render(m_context, params) >= 0;
    }

    Options m_options;
    QSize m_view;
    mpv_handle *m_mpv = nullptr;
    mpv_render_context *m_context = nullptr;
    std::thread m_thread;
    std::mutex m_renderMutex;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_pending = false;
    bool m_quit = false;
    std::condition_variable m_drawn;
    quint64 m_drawnFrames = 0;
};

} // namespace bench
