#pragma once

// The least a Qt program needs to play a movie with libmpv: a window that shows the software
// renderer's pictures, drawn on a thread of their own at the window's size. The benchmarks put it
// beside the player to tell what the player's own work costs.

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QWidget>

#include <mpv/client.h>
#include <mpv/render.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace bench {

class BareWindow final : public QWidget
{
public:
    BareWindow()
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        m_mpv = mpv_create();
        if (m_mpv == nullptr)
            throw std::runtime_error("libmpv cannot be created");
        mpv_set_option_string(m_mpv, "vo", "libmpv");
        mpv_set_option_string(m_mpv, "ao", "null");
        if (mpv_initialize(m_mpv) < 0)
            throw std::runtime_error("libmpv cannot be initialised");
        char apiType[] = MPV_RENDER_API_TYPE_SW;
        mpv_render_param params[]
                = {{MPV_RENDER_PARAM_API_TYPE, apiType}, {MPV_RENDER_PARAM_INVALID, nullptr}};
        if (mpv_render_context_create(&m_context, m_mpv, params) < 0)
            throw std::runtime_error("libmpv's software renderer cannot be created");
        m_thread = std::thread([this] { renderLoop(); });
        mpv_render_context_set_update_callback(m_context, &BareWindow::onUpdate, this);
    }

    ~BareWindow() override
    {
        mpv_render_context_set_update_callback(m_context, nullptr, nullptr);
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
        mpv_render_context_free(m_context);
        mpv_terminate_destroy(m_mpv);
    }

    BareWindow(const BareWindow &) = delete;
    BareWindow &operator=(const BareWindow &) = delete;

    void play(const QByteArray &path)
    {
        const char *command[] = {"loadfile", path.constData(), nullptr};
        if (mpv_command(m_mpv, command) < 0)
            throw std::runtime_error("libmpv cannot load the movie");
    }

    double timePos() const
    {
        double value = -1;
        mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &value);
        return value;
    }

protected:
    void resizeEvent(QResizeEvent *) override
    {
        const std::lock_guard lock(m_mutex);
        m_size = size() * devicePixelRatio();
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (m_shown.isNull())
            painter.fillRect(rect(), Qt::black);
        else
            painter.drawImage(rect(), m_shown);
    }

private:
    static void onUpdate(void *window)
    {
        auto *self = static_cast<BareWindow *>(window);
        {
            const std::lock_guard lock(self->m_mutex);
            self->m_pending = true;
        }
        self->m_wake.notify_one();
    }

    void renderLoop()
    {
        for (;;) {
            QSize size;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_pending || m_quit; });
                if (m_quit)
                    return;
                m_pending = false;
                size = m_size.isEmpty() ? QSize(16, 16) : m_size;
            }
            if ((mpv_render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME) == 0)
                continue;
            QImage frame(size, QImage::Format_RGB32);
            int dimensions[2] = {frame.width(), frame.height()};
            char format[] = "bgr0";
            size_t stride = size_t(frame.bytesPerLine());
            mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, dimensions},
                                         {MPV_RENDER_PARAM_SW_FORMAT, format},
                                         {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                         {MPV_RENDER_PARAM_SW_POINTER, frame.bits()},
                                         {MPV_RENDER_PARAM_INVALID, nullptr}};
            if (mpv_render_context_render(m_context, params) < 0)
                continue;
            QMetaObject::invokeMethod(
                    this,
                    [this, frame] {
                        m_shown = frame;
                        update();
                    },
                    Qt::QueuedConnection);
        }
    }

    mpv_handle *m_mpv = nullptr;
    mpv_render_context *m_context = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pending = false;
    bool m_quit = false;
    QSize m_size;
    QImage m_shown;
};

} // namespace bench
