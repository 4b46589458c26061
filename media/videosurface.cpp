#include "media/videosurface.h"

#include <QPainter>

namespace media {

VideoSurface::VideoSurface(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Mouse clicks and the context menu belong to the window underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void VideoSurface::showFrame(const QImage &frame)
{
    m_frame = frame;
    update();
}

void VideoSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_frame.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), m_frame);
}

} // namespace media
