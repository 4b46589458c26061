#pragma once

#include <QImage>
#include <QWidget>

namespace media {

// The place where the device's pictures appear: it covers the whole display window, which the
// player sizes to the destination rectangle, and stretches each picture to it. A display window
// larger than the destination (an emulated low-resolution full screen) so shows the picture
// scaled up. On a scaled screen the pictures are drawn at its own pixels, so they show sharp.
// Set true on a display window whose picture is meant to be coarse, an emulated low-resolution
// screen: it is drawn at the destination's size even on a scaled screen.
inline constexpr char CoarsePictureProperty[] = "coarsePicture";

class VideoSurface final : public QWidget
{
    Q_OBJECT

public:
    explicit VideoSurface(QWidget *parent);

    void showFrame(const QImage &frame);
    // Moves the surface into another display window.
    void attach(QWidget *window);
    // The display window asks for a coarse picture.
    bool showsCoarse() const;

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
