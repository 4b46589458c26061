#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

struct mpv_handle;
struct mpv_render_context;

namespace media {

// Draws libmpv's frames with its software renderer on a thread of its own and hands each
// finished picture to whoever listens. Rendering on the user-interface thread would stall its
// waits for seeks: libmpv's video output waits for the renderer.
class FrameRenderer final : public QObject
{
    Q_OBJECT

public:
    // The handle must outlive the renderer, and the renderer must exist before a video output
    // is configured.
    explicit FrameRenderer(mpv_handle *handle);
    ~FrameRenderer() override;
    Q_DISABLE_COPY_MOVE(FrameRenderer)

    bool isValid() const { return m_context != nullptr; }

    // The size the pictures are drawn at (the destination); a new size draws the current frame
    // again.
    void setTargetSize(QSize size);
    // Whether each frame is drawn no sooner than the engine means to show it: while the movie
    // plays. A paused engine's frame, a seek's landing one, is drawn at once.
    void setPaced(bool paced);
    // The clockwise quarter turn that shows the engine's frames upright, set before the first
    // frame is decoded: every picture is drawn at the size before the turn, then turned.
    void setTurn(int quarterTurn);
    // Draws the current frame into the image at the image's size, now, on the calling thread.
    bool renderInto(QImage &image);
    // How many new frames (not redraws of the same one) have been drawn so far, one being drawn
    // included: the count to wait beyond for the frame a command leads to.
    quint64 framesDrawn();
    // The picture last drawn: the engine's current frame at the current size.
    QImage lastFrame();
    // Waits until more than that many new frames have been drawn, or until the deadline.
    bool waitForFramesDrawn(quint64 count, std::chrono::milliseconds deadline);
    // Waits until nothing has been drawn for the quiet time, or until the deadline (false).
    bool waitUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds deadline);

Q_SIGNALS:
    // Emitted on the renderer's thread.
    void frameReady(const QImage &frame);

private:
    static void onUpdate(void *renderer);
    void scheduleRender(bool again);
    void renderPending();
    bool renderLocked(QImage &image, bool waitForDisplayTime);
    // Draws the next frame turned, for the renderer's own pictures, paced as asked.
    bool renderTurnedLocked(QImage &image);
    bool nextFrameIsNew();
    QImage takePicture(QSize size);
    void keepPicture(const QImage &drawn);

    mpv_render_context *m_context = nullptr;
    QThread m_thread;
    QObject m_worker;
    std::mutex m_mutex;
    QSize m_size;
    std::atomic<int> m_turn = 0;
    std::atomic<bool> m_paced = false;
    // The frame as drawn before its turn, kept for the next one.
    QImage m_unturned;
    std::atomic<bool> m_scheduled = false;
    std::atomic<bool> m_again = false;
    std::mutex m_drawnMutex;
    std::condition_variable m_drawn;
    quint64 m_framesDrawn = 0;
    QImage m_lastFrame;
    // Every drawing, redraws of the same frame included.
    quint64 m_drawings = 0;
    bool m_drawingNewFrame = false;
    // Pictures drawn before: the last one, the one shown, one on its way to the surface, one free.
    static constexpr size_t MaxPictures = 4;
    std::vector<QImage> m_pictures;
};

} // namespace media
