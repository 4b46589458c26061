#pragma once

#include <QImage>
#include <QWidget>

namespace media {

// The place where the device's pictures appear: it covers the whole display window, which the
// player sizes to the destination rectangle, and stretches each picture to it. A display window
// larger than the destination (an emulated low-resolution full screen) so shows the picture
// scaled up. On a scaled screen the pictures are drawn at its own pixels, so they show sharp.
class VideoSurface final : public QWidget
{
    Q_OBJECT

public:
    explicit VideoSurface(QWidget *parent);

    void showFrame(const QImage &frame);
    // Moves the surface into another display window.
    void attach(QWidget *window);

Q_SIGNALS:
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_frame;
};

} // namespace media
