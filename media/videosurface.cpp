#include "media/videosurface.h"

#include <QEvent>
#include <QPainter>

namespace media {

VideoSurface::VideoSurface(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Mouse clicks and the context menu belong to the window underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    attach(parent);
}

void VideoSurface::attach(QWidget *window)
{
    if (parentWidget() != nullptr)
        parentWidget()->removeEventFilter(this);
    if (window != parentWidget())
        setParent(window);
    window->installEventFilter(this);
    setGeometry(window->rect());
}

bool VideoSurface::showsCoarse() const
{
    return parentWidget() != nullptr && parentWidget()->property(CoarsePictureProperty).toBool();
}

bool VideoSurface::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

void VideoSurface::resizeEvent(QResizeEvent *)
{
    Q_EMIT resized();
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
