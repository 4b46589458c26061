#include "support/playerwindows.h"
#include "support/printers.h"

#include <QCheckBox>
#include <QLabel>

#include <gtest/gtest.h>

using namespace mci;

namespace {

class Monitor : public ::testing::Test
{
protected:
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    QList<QByteArray> paths;

    void SetUp() override
    {
        for (const char *name : {"a.avi", "b.avi"})
            paths << player.addFile(name);
        form1.Timer1Timer(); // start-up: loads entry 0 and plays
        ASSERT_EQ(form1.MovieOpened, 1);
        form1.Timer1Timer(); // the position seen so far
    }

    // The movie reaches its end between two ticks.
    void playToTheEnd()
    {
        player.media->position = FakeMediaDriver::Length;
        player.media->mode = MCI_MODE_STOP;
        form1.Timer1Timer();
    }

    QString title(int index) const { return QFile::decodeName(paths[index]); }
};

} // namespace

TEST_F(Monitor, ContinueOpensTheNextFile)
{
    player.form2->Continue->setChecked(true);
    playToTheEnd();
    EXPECT_EQ(form1.FileIndex, 1);
    EXPECT_EQ(form1.windowTitle(), title(1));
}

TEST_F(Monitor, RepeatAloneOpensTheSameFileAgain)
{
    player.form2->Repeat->setChecked(true);
    form1.setWindowTitle(QStringLiteral("marker"));
    playToTheEnd();
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_EQ(form1.windowTitle(), title(0));
    EXPECT_EQ(player.media->position, 0) << "opened again from the start";
}

TEST_F(Monitor, NeitherStaysAtTheEndAndActsOnce)
{
    form1.setWindowTitle(QStringLiteral("marker"));
    playToTheEnd();
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("marker"));
    EXPECT_EQ(form1.RefreshCountdown, 2) << "armed, and this tick counted it";

    player.form2->Continue->setChecked(true);
    form1.Timer1Timer();
    EXPECT_EQ(form1.FileIndex, 0) << "a movie resting at its end is acted on once";
}

TEST_F(Monitor, TheStillIsRefreshedOnTheThirdTickAfterAStep)
{
    form1.PauseClick();
    form1.Image1->hide();
    form1.NextFrameClick();
    EXPECT_EQ(form1.RefreshCountdown, 1);
    form1.Timer1Timer();
    form1.Timer1Timer();
    EXPECT_FALSE(form1.Image1->isVisibleTo(&form1));
    form1.Timer1Timer();
    EXPECT_EQ(form1.RefreshCountdown, 0);
    EXPECT_TRUE(form1.Image1->isVisibleTo(&form1));
    EXPECT_FALSE(form1.Image1->pixmap().isNull());
    EXPECT_EQ(form1.Image1->size(), form1.Panel1->size());
}

// Closed while a handler was still at work (the window's re-creation lets the events waiting
// through, a termination signal's among them): what the handler and the next tick do after it
// must not reach the closed movie, whose error would hold the ending player on a message.
TEST_F(Monitor, AClosedPlayerLeavesItsMovieAlone)
{
    form1.close();
    EXPECT_EQ(form1.MovieOpened, 0);
    EXPECT_NO_THROW(form1.PlayClick());
    EXPECT_NO_THROW(form1.NextFrameClick());
    EXPECT_NO_THROW(form1.Timer1Timer());
}
