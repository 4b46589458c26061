// Full screen: the two full-screen kinds, the way back to the window, and the cursor there.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "settings/livesettings.h"
#include "ui/cursorcount.h"

#include <QMenuBar>

namespace {

// The main window as an ordinary window: a fixed single border with system menu and minimise.
constexpr Qt::WindowFlags WindowedFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
constexpr Qt::WindowFlags FullScreenFlags
        = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

} // namespace

display::ScreenMode TForm1::ChooseScreenMode() const
{
    display::ColourChoices choices;
    if (Form2 != nullptr) {
        choices = {Form2->color16H(), Form2->color24H(), Form2->colorFull(),
                   Form2->color16F(), Form2->color24F(), Form2->colorHalf()};
    }
    return display::chooseScreenMode(ZoomSizes[0].height(), choices);
}

int TForm1::EnterSwitchedMode()
{
    if (FullScreenState == 0) {
        SavedTop = y();
        SavedLeft = x();
    }
    if (FullScreenState != 1) {
        MainMenu1->hide();
        ui::ForceCursorHidden();
        setFullScreenWindow(true);
    }
    const display::ScreenMode mode = ChooseScreenMode();
    if (FullScreenState != 1 || mode.scale != LastModeScale || mode.depth != LastModeDepth) {
        DDrawObject->SetCooperativeLevel(this, display::DDSCL_EXCLUSIVE_FULLSCREEN_ALLOWREBOOT);
        DDrawObject->SetDisplayMode(320 * mode.scale, 240 * mode.scale, mode.depth);
        DDrawObject->SetCooperativeLevel(this, display::DDSCL_NORMAL);
        setFullScreenWindow(true);
        MediaPlayer1->OpenDevice();
        LastModeScale = mode.scale;
        LastModeDepth = mode.depth;
    }
    FullScreenState = 1;
    return mode.scale;
}

void TForm1::EnterDesktopMode()
{
    if (FullScreenState == 0) {
        SavedTop = y();
        SavedLeft = x();
    }
    if (FullScreenState != 2) {
        MainMenu1->hide();
        DDrawObject->RestoreDisplayMode();
        DDrawObject->SetCooperativeLevel(this, display::DDSCL_NORMAL);
        ui::ForceCursorHidden();
        setFullScreenWindow(true);
        MediaPlayer1->OpenDevice();
    }
    FullScreenState = 2;
}

void TForm1::LeaveFullScreen()
{
    if (FullScreenState != 0) {
        move(SavedLeft, SavedTop);
        m_panelFillsClient = true;
        MainMenu1->show();
        DDrawObject->RestoreDisplayMode();
        DDrawObject->SetCooperativeLevel(this, display::DDSCL_NORMAL);
        ui::ForceCursorShown();
        setFullScreenWindow(false);
        MediaPlayer1->OpenDevice();
    }
    FullScreenState = 0;
    SetAcceptDrops(true);
}

void TForm1::setFullScreenWindow(bool on)
{
    // New flags re-create the native window, which is then shown again as it was.
    const bool visible = isVisible();
    const QPoint place = pos();
    setWindowFlags(on ? FullScreenFlags : WindowedFlags);
    setWindowState(on ? Qt::WindowFullScreen : Qt::WindowNoState);
    move(place);
    if (visible)
        show();
}

void TForm1::PopupDispOn()
{
    if (FullScreenState != 0)
        ui::ForceCursorShown();
}

void TForm1::OnClick()
{
    if (FullScreenState != 0)
        ui::ForceCursorHidden();
}
