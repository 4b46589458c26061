#include "media/framerenderer.h"

#include "media/upright.h"

#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <utility>

namespace media {

namespace {

// The pictures a renderer leaves behind, for the next movie's first drawings: a new picture of
// a full screen is 8 MB of fresh pages, and faulting them in costs tens of milliseconds on a
// virtual machine, twice for a turned movie (the picture as drawn and as turned).
class SparePictures
{
public:
    static constexpr size_t Max = 2;

    void keep(std::vector<QImage> pictures)
    {
        // The largest first: those are the ones worth keeping.
        std::sort(pictures.begin(), pictures.end(), [](const QImage &a, const QImage &b) {
            return a.sizeInBytes() > b.sizeInBytes();
        });
        pictures.resize(std::min(pictures.size(), Max));
        const std::lock_guard lock(m_mutex);
        m_pictures = std::move(pictures);
    }

    QImage take(QSize size)
    {
        const std::lock_guard lock(m_mutex);
        for (QImage &picture : m_pictures) {
            if (picture.size() == size)
                return std::exchange(picture, QImage());
        }
        return QImage(size, QImage::Format_RGB32);
    }

private:
    std::mutex m_mutex;
    std::vector<QImage> m_pictures;
};

SparePictures &sparePictures()
{
    static SparePictures spares;
    return spares;
}

} // namespace

FrameRenderer::FrameRenderer(mpv_handle *handle)
{
    char apiType[] = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[]
            = {{MPV_RENDER_PARAM_API_TYPE, apiType}, {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&m_context, handle, params) < 0) {
        m_context = nullptr;
        return;
    }
    m_worker.moveToThread(&m_thread);
    m_thread.start();
    mpv_render_context_set_update_callback(m_context, &FrameRenderer::onUpdate, this);
}

FrameRenderer::~FrameRenderer()
{
    if (m_context == nullptr)
        return;
    mpv_render_context_set_update_callback(m_context, nullptr, nullptr);
    m_thread.quit();
    m_thread.wait();
    mpv_render_context_free(m_context);
    m_lastFrame = QImage();
    std::vector<QImage> unused;
    for (QImage &picture : m_pictures) {
        if (!picture.isNull() && picture.isDetached())
            unused.push_back(std::move(picture));
    }
    if (!m_unturned.isNull())
        unused.push_back(std::move(m_unturned));
    sparePictures().keep(std::move(unused));
}

void FrameRenderer::setTargetSize(QSize size)
{
    {
        const std::lock_guard lock(m_mutex);
        m_size = size;
    }
    scheduleRender(true);
}

void FrameRenderer::setPaced(bool paced)
{
    m_paced = paced;
}

void FrameRenderer::setTurn(int quarterTurn)
{
    m_turn = quarterTurn;
}

bool FrameRenderer::renderInto(QImage &image)
{
    if (m_context == nullptr || image.isNull())
        return false;
    const std::lock_guard lock(m_mutex);
    if (m_turn == 0)
        return renderLocked(image, false);
    // Not into the picture kept for the renderer's own drawings: it has the shown size.
    QImage unturned(upright::turned(image.size(), m_turn), QImage::Format_RGB32);
    if (!renderLocked(unturned, false))
        return false;
    upright::turn(unturned, m_turn, image);
    return true;
}

quint64 FrameRenderer::framesDrawn()
{
    const std::lock_guard lock(m_drawnMutex);
    // A frame being drawn was handed over before whatever the caller is about to ask for.
    return m_framesDrawn + (m_drawingNewFrame ? 1 : 0);
}

QImage FrameRenderer::lastFrame()
{
    const std::lock_guard lock(m_drawnMutex);
    return m_lastFrame;
}

bool FrameRenderer::waitForFramesDrawn(quint64 count, std::chrono::milliseconds deadline)
{
    std::unique_lock lock(m_drawnMutex);
    return m_drawn.wait_for(lock, deadline, [&] { return m_framesDrawn > count; });
}

bool FrameRenderer::waitUntilQuiet(std::chrono::milliseconds quiet,
                                   std::chrono::milliseconds deadline)
{
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + deadline;
    std::unique_lock lock(m_drawnMutex);
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        const quint64 seen = m_drawings;
        if (!m_drawn.wait_until(lock, std::min(now + quiet, end),
                                [&] { return m_drawings != seen; }))
            return true;
    }
    return false;
}

void FrameRenderer::onUpdate(void *renderer)
{
    // Runs on a libmpv thread: only schedule.
    static_cast<FrameRenderer *>(renderer)->scheduleRender(false);
}

void FrameRenderer::scheduleRender(bool again)
{
    if (m_context == nullptr)
        return;
    if (again)
        m_again = true;
    if (m_scheduled.exchange(true))
        return;
    QMetaObject::invokeMethod(
            &m_worker, [this] { renderPending(); }, Qt::QueuedConnection);
}

void FrameRenderer::renderPending()
{
    m_scheduled = false;
    const bool again = m_again.exchange(false);
    QImage frame;
    {
        const std::lock_guard lock(m_mutex);
        const bool newFrame = (mpv_render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME) != 0;
        if (!newFrame && !again)
            return;
        const bool counted = newFrame && nextFrameIsNew();
        if (counted) {
            const std::lock_guard drawnLock(m_drawnMutex);
            m_drawingNewFrame = true;
        }
        // The engine waits for each frame to be drawn, so frames are drawn even before anyone
        // shows them (while a movie opens), small.
        frame = takePicture(m_size.isEmpty() ? QSize(16, 16) : m_size);
        const bool drawn = renderTurnedLocked(frame);
        if (drawn)
            keepPicture(frame);
        {
            const std::lock_guard drawnLock(m_drawnMutex);
            m_drawingNewFrame = false;
            if (drawn) {
                ++m_drawings;
                m_lastFrame = frame;
                if (counted)
                    ++m_framesDrawn;
            }
        }
        m_drawn.notify_all();
        if (!drawn || m_size.isEmpty())
            return;
    }
    Q_EMIT frameReady(frame);
}

QImage FrameRenderer::takePicture(QSize size)
{
    // A new picture of a full screen is 8 MB of fresh pages faulted in at every frame: a picture
    // nobody holds any more is drawn over instead. It leaves the list so that drawing into it
    // does not copy it.
    for (QImage &picture : m_pictures) {
        if (picture.size() == size && picture.isDetached())
            return std::move(picture);
    }
    return sparePictures().take(size);
}

void FrameRenderer::keepPicture(const QImage &drawn)
{
    for (QImage &picture : m_pictures) {
        if (picture.isNull() || picture.size() != drawn.size() || picture.isDetached()) {
            picture = drawn;
            return;
        }
    }
    if (m_pictures.size() < MaxPictures)
        m_pictures.push_back(drawn);
}

bool FrameRenderer::nextFrameIsNew()
{
    // Pausing asks for a redraw of the frame already shown: that is no new frame.
    mpv_render_frame_info info {};
    if (mpv_render_context_get_info(m_context, {MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info}) < 0)
        return true;
    return (info.flags & (MPV_RENDER_FRAME_INFO_REDRAW | MPV_RENDER_FRAME_INFO_REPEAT)) == 0;
}

bool FrameRenderer::renderTurnedLocked(QImage &image)
{
    if (m_turn == 0)
        return renderLocked(image, m_paced);
    const QSize before = upright::turned(image.size(), m_turn);
    if (m_unturned.size() != before)
        m_unturned = sparePictures().take(before);
    if (!renderLocked(m_unturned, m_paced))
        return false;
    upright::turn(m_unturned, m_turn, image);
    return true;
}

bool FrameRenderer::renderLocked(QImage &image, bool waitForDisplayTime)
{
    int size[2] = {image.width(), image.height()};
    // QImage::Format_RGB32 keeps blue, green, red in rising addresses on little-endian hosts.
    char format[] = "bgr0";
    size_t stride = size_t(image.bytesPerLine());
    int block = waitForDisplayTime ? 1 : 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                                 {MPV_RENDER_PARAM_SW_FORMAT, format},
                                 {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                 {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    return mpv_render_context_render(m_context, params) >= 0;
}

} // namespace media
