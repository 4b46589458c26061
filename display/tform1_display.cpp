// Showing the open movie at a size: the source-size table, the destination rectangle and the
// window around it.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "media/videosurface.h"
#include "settings/livesettings.h"

#include <QCoreApplication>
#include <QScreen>

void TForm1::FillZoomSizes()
{
    ZoomSizes = geometry::zoomSizes(MediaPlayer1->WhereSource().size());
}

QRect TForm1::FitRect(int width, int height)
{
    const int aspect = Form2 != nullptr ? Form2->pixelRatioIndex() : int(geometry::NormalMode);
    return geometry::fitRect(QSize(width, height), ZoomSizes[0],
                             aspect < 0 ? int(geometry::NormalMode) : aspect);
}

void TForm1::ApplyDisplayMode(int mode)
{
    // The switched full screen emulates a low-resolution monitor, also on a scaled screen.
    Panel1->setProperty(media::CoarsePictureProperty, mode == 1);
    switch (mode) {
    case 1:
        ShowSwitchedFullScreen();
        break;
    case 2:
        ShowInWindow(640, 480);
        break;
    case 3:
        ShowInWindow(320, 240);
        break;
    case 4:
        ShowInWindow(ZoomSizes[ZoomStep].width(), ZoomSizes[ZoomStep].height());
        break;
    case 5:
        ShowDesktopFullScreen();
        break;
    default:
        break;
    }
    // A re-created window handles its pending events before the caller goes on.
    QCoreApplication::processEvents();
}

void TForm1::ShowInWindow(int width, int height)
{
    LeaveFullScreen();
    MediaPlayer1->PutDestination(FitRect(width, height));
    QRect destination;
    MediaPlayer1->WhereDestination(destination);
    const int clientWidth = destination.width();
    MediaPlayer1->WhereDestination(destination);
    setClientSize(QSize(clientWidth, destination.height()));
}

void TForm1::ShowSwitchedFullScreen()
{
    const int scale = EnterSwitchedMode();
    const int width = 320 * scale;
    const int height = 240 * scale;
    MediaPlayer1->PutDestination(FitRect(width, height));
    PlaceFullScreen(width, height);
}

void TForm1::ShowDesktopFullScreen()
{
    EnterDesktopMode();
    const QSize desktop = screen()->geometry().size();
    MediaPlayer1->PutDestination(FitRect(desktop.width(), desktop.height()));
    PlaceFullScreen(desktop.width(), desktop.height());
}

void TForm1::PlaceFullScreen(int width, int height)
{
    m_panelFillsClient = false;
    QRect destination;
    MediaPlayer1->WhereDestination(destination);
    const QRect monitor = screen()->geometry();
    const QSize box(width, height);
    Panel1->setGeometry(DDrawObject->onMonitor(display::centredInBox(box, destination.size()), box,
                                               monitor.size()));

    // Puts the client area's corner at the screen's origin, whatever frame the window has.
    const int windowLeft = (geometry().width() - frameGeometry().width()) / 2;
    const int windowTop = geometry().height() - frameGeometry().height() - windowLeft;
    move(monitor.topLeft() + QPoint(windowLeft, windowTop));
    setClientSize(monitor.size());
}

void TForm1::setClientSize(QSize size)
{
    m_clientArea->setFixedSize(size);
    if (m_panelFillsClient)
        Panel1->setGeometry(QRect(QPoint(0, 0), size));
}

void TForm1::ChangeDisplayMode()
{
    if (MovieOpened == 0)
        return;
    const bool wasPlaying = MediaPlayer1->QueryMode() == media::Playing;
    MediaPlayer1->StopPlay();
    const qint32 position = MediaPlayer1->QueryPosition();
    ApplyDisplayMode(DisplayMode);
    MediaPlayer1->SeekTo(position);
    RepaintVideo();
    RefreshStill();
    if (wasPlaying)
        PlayClick();
}

void TForm1::FullClick()
{
    DisplayMode = 2;
    ChangeDisplayMode();
}

void TForm1::HalfClick()
{
    DisplayMode = 3;
    ChangeDisplayMode();
}

void TForm1::SourceClick()
{
    DisplayMode = 4;
    ZoomStep = 0;
    ChangeDisplayMode();
}

void TForm1::FullScreenClick()
{
    DisplayMode = 1;
    ChangeDisplayMode();
}

void TForm1::CentreWindow()
{
    if (FullScreenState != 0)
        return;
    const QSize screen = this->screen()->geometry().size();
    const QSize window = frameGeometry().size();
    move(screen.width() / 2 - window.width() / 2, screen.height() / 2 - window.height() / 2 - 20);
}
