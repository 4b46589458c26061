#pragma once

#include <QImage>
#include <QWidget>

namespace media {

// The place inside the display window where the device's pictures appear, at the destination
// rectangle; pictures of another size are stretched to it.
class VideoSurface final : public QWidget
{
    Q_OBJECT

public:
    explicit VideoSurface(QWidget *parent);

    void showFrame(const QImage &frame);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_frame;
};

} // namespace media
