#include "display/emulateddisplaymodes.h"
#include "display/geometry.h"
#include "display/screenmode.h"
#include "media/mcivocabulary.h"
#include "settings/privateprofile.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "ui/cursorcount.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mci;

namespace {

class FullScreen : public ::testing::Test
{
protected:
    PlayerWindows player;
    TForm1 &form1 = player.form1;

    void SetUp() override
    {
        TForm1::LastModeScale = TForm1::LastModeDepth = 0;
        // The test opens movies itself; the timer's first tick would open one again.
        form1.Timer1->stop();
        form1.StartupState = 2;
        form1.DisplayMode = 3;
        form1.show();
        form1.move(100, 80);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));
        player.form2->AutoStart->setChecked(false);
        player.form2->Color24H->setChecked(true);
        player.form2->Color16F->setChecked(true);
    }

    void open(QSize source = {160, 120})
    {
        player.media->source = source;
        player.addFile("movie.avi");
        form1.LoadCurrentFile();
        ASSERT_EQ(form1.MovieOpened, 1);
    }

    void press(Qt::Key key) { QTest::keyClick(&form1, key); }

    qsizetype opens() const
    {
        return std::count(player.media->sent.cbegin(), player.media->sent.cend(),
                          FakeMediaDriver::Sent {MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT});
    }

    std::optional<display::ModeDescription> switchedMode() const
    {
        return static_cast<display::EmulatedDisplayModes &>(*form1.DDrawObject).switchedMode();
    }

    QSize monitor() const { return form1.screen()->geometry().size(); }

    // Where the panel shows a picture centred in a full-screen box of the emulated backend.
    QRect panel(QSize box, QSize picture) const
    {
        return display::EmulatedDisplayModes().onMonitor(display::centredInBox(box, picture), box,
                                                         monitor());
    }
};

} // namespace

TEST_F(FullScreen, SwitchedModeDesktopModeAndBackToTheWindow)
{
    open();
    form1.NextFrameClick();
    QTest::qWait(10);
    player.media->position = 42;
    const qsizetype opened = opens();

    press(Qt::Key_A);
    EXPECT_EQ(form1.FullScreenState, 1);
    EXPECT_EQ(form1.SavedLeft, 100);
    EXPECT_EQ(form1.SavedTop, 80);
    ASSERT_TRUE(switchedMode().has_value());
    EXPECT_EQ(switchedMode()->width, 320) << "a 120-line movie uses 320*240";
    EXPECT_EQ(switchedMode()->bitsPerPixel, 24);
    EXPECT_TRUE(form1.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form1.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form1.MainMenu1->isVisible());
    EXPECT_TRUE(ui::cursorHidden());
    EXPECT_EQ(opens(), opened + 1) << "the new window is bound by opening the device again";
    EXPECT_EQ(player.media->position, 42) << "the position comes back after the re-open";
    EXPECT_EQ(form1.Panel1->geometry(), panel({320, 240}, {320, 240}));

    press(Qt::Key_A);
    EXPECT_EQ(opens(), opened + 1) << "the same mode again re-opens nothing";
    EXPECT_EQ(form1.FullScreenState, 1);
    EXPECT_EQ(player.media->position, 42);

    press(Qt::Key_F12);
    EXPECT_EQ(form1.FullScreenState, 2);
    EXPECT_FALSE(switchedMode().has_value()) << "the desktop's mode is back";
    EXPECT_EQ(opens(), opened + 2);
    EXPECT_EQ(form1.Panel1->geometry(),
              panel(monitor(), geometry::fitRect(monitor(), {160, 120}, 1).size()));
    EXPECT_EQ(form1.SavedLeft, 100) << "passing between full screens keeps the first place";

    press(Qt::Key_F);
    EXPECT_EQ(form1.FullScreenState, 0);
    EXPECT_EQ(opens(), opened + 3);
    EXPECT_EQ(form1.pos(), QPoint(100, 80)) << "back where it was before the first full screen";
    EXPECT_FALSE(form1.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(form1.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form1.MainMenu1->isVisible());
    EXPECT_FALSE(ui::cursorHidden());
    EXPECT_EQ(form1.Panel1->geometry(), QRect(0, 0, 640, 480));
    EXPECT_EQ(form1.centralWidget()->size(), QSize(640, 480));
    EXPECT_EQ(player.media->position, 42);
    EXPECT_TRUE(form1.acceptDrops());
}

TEST_F(FullScreen, ANewHeightClassOrDepthSwitchesAgain)
{
    open({352, 240});
    press(Qt::Key_A);
    ASSERT_EQ(switchedMode()->width, 320);
    const qsizetype opened = opens();

    player.form2->Color32H->setChecked(true);
    press(Qt::Key_A);
    EXPECT_EQ(switchedMode()->bitsPerPixel, 32);
    EXPECT_EQ(opens(), opened + 1);

    player.form2->ColorFull->setChecked(true);
    press(Qt::Key_A);
    EXPECT_EQ(switchedMode()->width, 640) << "sent to 640*480 at that group's depth";
    EXPECT_EQ(switchedMode()->bitsPerPixel, 16);
    EXPECT_EQ(form1.Panel1->geometry(), panel({640, 480}, {639, 436}));
}

TEST_F(FullScreen, AChangeKeepsThePlayState)
{
    open();
    form1.PlayClick();
    press(Qt::Key_F12);
    EXPECT_EQ(player.media->mode, MCI_MODE_PLAY) << "playing goes on";
    form1.PauseClick();
    player.media->position = 30;
    press(Qt::Key_H);
    EXPECT_NE(player.media->mode, MCI_MODE_PLAY) << "a stopped movie stays stopped";
    EXPECT_EQ(player.media->position, 30);
    EXPECT_EQ(form1.Panel1->size(), QSize(320, 240));
}

TEST_F(FullScreen, TheCursorShowsForTheMenuAndHidesOnAClickOutsideThePicture)
{
    open({352, 240});
    press(Qt::Key_F12);
    ASSERT_TRUE(ui::cursorHidden());
    const QRect panel = form1.Panel1->geometry();
    ASSERT_GT(panel.top(), 0) << "a margin above the picture";

    QMetaObject::invokeMethod(form1.PopupMenu1, "aboutToShow");
    EXPECT_FALSE(ui::cursorHidden());
    QTest::mouseClick(form1.centralWidget(), Qt::LeftButton, {}, panel.center());
    EXPECT_FALSE(ui::cursorHidden()) << "a click on the picture leaves it";
    QTest::mouseClick(form1.centralWidget(), Qt::LeftButton, {}, QPoint(5, panel.top() / 2));
    EXPECT_TRUE(ui::cursorHidden()) << "a click on the margin hides it";

    QMetaObject::invokeMethod(form1.PopupMenu1, "aboutToShow");
    form1.FileItemClick(player.entry(0));
    EXPECT_TRUE(ui::cursorHidden()) << "choosing a file hides it again";

    press(Qt::Key_S);
    EXPECT_FALSE(ui::cursorHidden());
}

TEST_F(FullScreen, SizeCommandsWithoutAMovieOnlyChooseTheMode)
{
    press(Qt::Key_F12);
    EXPECT_EQ(form1.FullScreenState, 0);
    EXPECT_EQ(form1.DisplayMode, 5);
    EXPECT_EQ(form1.Panel1->size(), QSize(320, 240));

    press(Qt::Key_F11);
    const QPoint centred = form1.pos();
    open();
    EXPECT_EQ(form1.FullScreenState, 2) << "the next movie opens in the chosen mode";
    press(Qt::Key_F11);
    EXPECT_EQ(form1.pos(), QPoint(0, 0)) << "no centring in full screen";
    press(Qt::Key_F);
    EXPECT_EQ(form1.pos(), centred);
}

TEST_F(FullScreen, ZoomModeWiderThanTheScreenIsCutOnBothSides)
{
    player.form2->PixelRatio->setItemIndex(geometry::ZoomMode);
    open({352, 240});
    press(Qt::Key_F12);
    const QRect panel = form1.Panel1->geometry();
    EXPECT_LT(panel.left(), 0);
    EXPECT_LE(std::abs(panel.left() + panel.right() + 1 - monitor().width()), 1);
    EXPECT_EQ(panel.height(), monitor().height());
}

TEST_F(FullScreen, ExitInFullScreenRecordsTheWindowedPlace)
{
    open();
    press(Qt::Key_A);
    form1.CloseDown();
    EXPECT_EQ(form1.pos(), QPoint(100, 80));
    EXPECT_EQ(settings::PrivateProfile(player.iniPath()).read(player.form2->IniSection, "Locate"),
              "100 80");
}
