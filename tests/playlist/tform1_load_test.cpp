#include "media/mediadevice.h"
#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"

#include <QCheckBox>
#include <QLabel>

#include <gtest/gtest.h>

using namespace mci;

namespace {

class Loading : public ::testing::Test
{
protected:
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    MessageCatcher messages;

    bool sent(quint32 command) const
    {
        return std::any_of(player.media->sent.begin(), player.media->sent.end(),
                           [command](const auto &s) { return s.command == command; });
    }
};

} // namespace

TEST_F(Loading, AMovieIsOpenedMeasuredShownAndPlayed)
{
    const QByteArray path = player.addFile("movie.avi");
    form1.LoadCurrentFile();
    EXPECT_EQ(form1.MovieOpened, 1);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path));
    EXPECT_EQ(form1.FrameRate, 25) << "100 frames in 4000 ms";
    EXPECT_EQ(form1.ZoomSizes[0], QSize(160, 120));
    EXPECT_EQ(form1.ZoomSizes[3], QSize(640, 480));
    EXPECT_FALSE(form1.Image1->isVisibleTo(&form1)) << "the logo is gone";
    EXPECT_TRUE(form1.Image1->pixmap().isNull());
    EXPECT_EQ(form1.Panel1->size(), QSize(160, 120)) << "first play at the source size";
    EXPECT_EQ(player.media->mode, MCI_MODE_PLAY) << "AutoStart is on by default";
    EXPECT_EQ(player.media->timeFormat, MCI_FORMAT_FRAMES);
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(Loading, WithoutAutoStartTheFirstFrameIsShown)
{
    player.form2->AutoStart->setChecked(false);
    player.addFile("movie.avi");
    form1.LoadCurrentFile();
    EXPECT_EQ(player.media->mode, MCI_MODE_STOP);
    EXPECT_EQ(player.media->position, 1);
    EXPECT_EQ(form1.RefreshCountdown, 1) << "the still refresh is armed";
}

TEST_F(Loading, TheDisplayModeChoosesTheWindow)
{
    player.addFile("movie.avi");
    const std::pair<int, QSize> modes[]
            = {{2, QSize(640, 480)}, {3, QSize(320, 240)}, {4, QSize(160, 120)}};
    for (const auto &[mode, size] : modes) {
        form1.DisplayMode = mode;
        form1.LoadCurrentFile();
        EXPECT_EQ(form1.Panel1->size(), size) << "mode " << mode;
    }
}

TEST_F(Loading, AFileThatCannotBeUsedIsReportedOnceAndGreyed)
{
    const QByteArray good = player.addFile("good.avi");
    const struct
    {
        QByteArray name;
        bool deleted;
    } cases[] = {{"broken.avi", false}, {"sound.avi", false}, {"gone.avi", true}};
    int index = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.constData());
        const QByteArray path = player.addFile(c.name);
        if (c.deleted)
            QFile::remove(QFile::decodeName(path));
        form1.FileIndex = 0;
        form1.LoadCurrentFile();
        ASSERT_EQ(form1.MovieOpened, 1);
        const qsizetype before = messages.messages().size();
        form1.FileIndex = index;
        form1.LoadCurrentFile();
        EXPECT_EQ(form1.MovieOpened, 0);
        EXPECT_EQ(form1.MediaPlayer1->IsOpen, false) << "the movie that played is closed too";
        EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path));
        EXPECT_FALSE(player.entry(index)->isEnabled());
        ASSERT_EQ(messages.messages().size(), before + 1);
        EXPECT_EQ(messages.messages().last().text,
                  QStringLiteral("ファイル\"%1\"が開けません").arg(QFile::decodeName(c.name)));
        EXPECT_EQ(messages.messages().last().title, QStringLiteral("Velmo Movie Player"));
        ++index;
    }
    EXPECT_TRUE(player.entry(0)->isEnabled());
    EXPECT_EQ(good, form1.FileList[0]);
}

TEST_F(Loading, ClosingClosesTheMovie)
{
    player.addFile("movie.avi");
    form1.LoadCurrentFile();
    form1.show();
    form1.close();
    EXPECT_TRUE(sent(MCI_CLOSE));
    EXPECT_EQ(player.media->openDevice, 0u);
}
