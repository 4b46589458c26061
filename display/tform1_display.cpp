// Showing the open movie at a size: the source-size table, the destination rectangle and the
// window around it.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "settings/tform2.h"
#include "ui/radiogroup.h"

#include <QCoreApplication>
#include <QScreen>

void TForm1::FillZoomSizes()
{
    ZoomSizes = geometry::zoomSizes(MediaPlayer1->WhereSource().size());
}

QRect TForm1::FitRect(int width, int height)
{
    const int aspect = Form2 != nullptr ? Form2->PixelRatio->itemIndex() : geometry::NormalMode;
    return geometry::fitRect(QSize(width, height), ZoomSizes[0],
                             aspect < 0 ? int(geometry::NormalMode) : aspect);
}

void TForm1::ApplyDisplayMode(int mode)
{
    switch (mode) {
    // Full screen is shown in a window of its box for now.
    case 1:
    case 2:
    case 5:
        ShowInWindow(640, 480);
        break;
    case 3:
        ShowInWindow(320, 240);
        break;
    case 4:
        ShowInWindow(ZoomSizes[ZoomStep].width(), ZoomSizes[ZoomStep].height());
        break;
    default:
        break;
    }
    QCoreApplication::processEvents();
}

void TForm1::ShowInWindow(int width, int height)
{
    // Every windowed display registers the window for drops again.
    SetAcceptDrops(true);
    MediaPlayer1->PutDestination(FitRect(width, height));
    QRect destination;
    MediaPlayer1->WhereDestination(destination);
    const int clientWidth = destination.width();
    MediaPlayer1->WhereDestination(destination);
    Panel1->setFixedSize(clientWidth, destination.height());
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
