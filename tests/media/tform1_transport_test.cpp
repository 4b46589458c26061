#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"

#include <QCheckBox>

#include <gtest/gtest.h>

using namespace mci;

namespace {

class Transport : public ::testing::Test
{
protected:
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    FakeMediaDriver *&media = player.media;

    void SetUp() override
    {
        player.form2->AutoStart->setChecked(false);
        player.addFile("movie.avi");
        form1.LoadCurrentFile();
        ASSERT_EQ(form1.MovieOpened, 1);
        media->sent.clear();
    }

    QList<quint32> commands() const
    {
        QList<quint32> list;
        for (const auto &s : media->sent) {
            if (s.command != MCI_STATUS)
                list << s.command;
        }
        return list;
    }
};

} // namespace

TEST_F(Transport, PlayAndPause)
{
    form1.PlayClick();
    EXPECT_EQ(media->mode, MCI_MODE_PLAY);
    media->sent.clear();
    form1.PlayClick();
    EXPECT_TRUE(commands().isEmpty()) << "play while playing does nothing";

    form1.PauseClick();
    EXPECT_EQ(media->mode, MCI_MODE_PAUSE);
    media->sent.clear();
    form1.PauseClick();
    EXPECT_TRUE(commands().isEmpty()) << "pause never resumes";

    form1.PlayClick();
    EXPECT_EQ(commands(), QList<quint32> {MCI_PLAY}) << "a paused movie plays on, not resumes";
}

TEST_F(Transport, PlayAtTheEndStartsOver)
{
    media->position = FakeMediaDriver::Length;
    form1.PlayClick();
    EXPECT_EQ(commands(), (QList<quint32> {MCI_SEEK, MCI_PLAY}));
    EXPECT_EQ(media->position, 0);
}

TEST_F(Transport, FrameAndSecondStepsAndTheirLimits)
{
    const struct
    {
        const char *what;
        qint64 from;
        void (TForm1::*command)();
        qint64 to;
    } cases[] = {
            {"next frame", 10, &TForm1::NextFrameClick, 11},
            {"previous frame", 10, &TForm1::PrevFrameClick, 9},
            {"previous frame at 0 stays", 0, &TForm1::PrevFrameClick, 0},
            {"next second", 10, &TForm1::NextSecClick, 35},
            {"previous second", 30, &TForm1::PrevSecClick, 5},
            {"previous second within the first", 20, &TForm1::PrevSecClick, 20},
            {"next second near the end stays", 90, &TForm1::NextSecClick, 90},
            {"next frame onto the end", 99, &TForm1::NextFrameClick, 100},
            {"next tenth", 10, &TForm1::NextBlockClick, 20},
            {"previous tenth", 10, &TForm1::PrevBlockClick, 0},
            {"next tenth at the end starts over", 100, &TForm1::NextBlockClick, 10},
    };
    for (const auto &c : cases) {
        media->position = c.from;
        media->mode = MCI_MODE_PLAY;
        form1.RefreshCountdown = 0;
        (form1.*c.command)();
        EXPECT_EQ(media->position, c.to) << c.what;
        EXPECT_EQ(form1.RefreshCountdown, 1) << c.what;
    }
}

TEST_F(Transport, RewindPlaysFromTheFirstFrame)
{
    media->position = 40;
    media->mode = MCI_MODE_PLAY;
    form1.RewindFileClick();
    EXPECT_EQ(media->position, 0);
    EXPECT_EQ(media->mode, MCI_MODE_PLAY);
}

TEST_F(Transport, WithoutAMovieNothingReachesTheDevice)
{
    PlayerWindows empty;
    for (void (TForm1::*command)() :
         {&TForm1::PlayClick, &TForm1::PauseClick, &TForm1::NextFrameClick, &TForm1::PrevSecClick,
          &TForm1::NextBlockClick, &TForm1::RewindFileClick})
        (empty.form1.*command)();
    EXPECT_TRUE(empty.media->sent.isEmpty());
    EXPECT_EQ(empty.form1.RefreshCountdown, 1) << "the steps still arm the refresh";
}

TEST_F(Transport, TheModeMenuRunsTheCommands)
{
    form1.NextFrame->trigger();
    EXPECT_EQ(media->position, 2);
    form1.Play->trigger();
    EXPECT_EQ(media->mode, MCI_MODE_PLAY);
    form1.Pause->trigger();
    EXPECT_EQ(media->mode, MCI_MODE_PAUSE);
}
