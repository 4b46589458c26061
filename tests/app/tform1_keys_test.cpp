#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"

#include <QCheckBox>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mci;

namespace {

class Keys : public ::testing::Test
{
protected:
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    QByteArray path;

    void open(const QByteArray &name = "movie.avi")
    {
        player.form2->AutoStart->setChecked(false);
        path = player.addFile(name);
        form1.FileIndex = form1.FileCount - 1;
        form1.LoadCurrentFile();
        ASSERT_EQ(form1.MovieOpened, 1);
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&form1, key, modifiers);
    }

    void keypad(const char *digits)
    {
        for (const char *d = digits; *d != 0; ++d)
            press(Qt::Key(Qt::Key_0 + (*d - '0')), Qt::KeypadModifier);
    }
};

} // namespace

TEST_F(Keys, ATypedFrameNumberIsShownThenSought)
{
    open();
    keypad("1");
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("1"));
    keypad("2");
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("12"));
    press(Qt::Key_Backspace);
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("1"));
    keypad("7");
    press(Qt::Key_Return);
    EXPECT_EQ(player.media->position, 17);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path));

    keypad("007");
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(player.media->position, 7);

    keypad("1234567890");
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("123456789")) << "nine digits at most";
    press(Qt::Key_Return);
    EXPECT_EQ(player.media->position, 7) << "past the end: refused, no move";
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path));

    press(Qt::Key_5);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path)) << "main keyboard digits type nothing";
}

TEST_F(Keys, EnterWithoutAMovieReportsTheMissingDevice)
{
    MessageCatcher catcher;
    keypad("42");
    press(Qt::Key_Return);
    ASSERT_EQ(catcher.messages().size(), 1);
    EXPECT_EQ(catcher.messages()[0].text, QStringLiteral("MCI ﾃﾞﾊﾞｲｽがありません."));
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("42"));
}

TEST_F(Keys, APathStartingWithADigitIsTypedOver)
{
    MessageCatcher catcher;
    player.folder.makeFile("9lives.avi");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFile::decodeName(player.folder.path(""))));
    form1.AddFile("9lives.avi");
    form1.LoadCurrentFile();
    QDir::setCurrent(previous);
    ASSERT_EQ(form1.MovieOpened, 1);

    form1.setWindowTitle(QStringLiteral("no number here"));
    keypad("5");
    press(Qt::Key_Return);
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("9lives.avi"));
    // Enter kept the one digit typed; the next one lands after it, over the path.
    keypad("3");
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("93ives.avi"));
    press(Qt::Key_Return);
    ASSERT_EQ(catcher.messages().size(), 1);
    EXPECT_EQ(catcher.messages()[0].text, QStringLiteral("'93ives.avi' は整数ではありません."));
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("93ives.avi"));
}

TEST_F(Keys, CommandKeys)
{
    open();
    const QByteArray second = player.folder.makeFile("second.avi");
    form1.AddFile(second);
    form1.FileIndex = 0;
    form1.LoadCurrentFile();

    press(Qt::Key_Right);
    press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(player.media->position, 3);
    press(Qt::Key_Left);
    EXPECT_EQ(player.media->position, 2);
    press(Qt::Key_Down);
    EXPECT_EQ(player.media->position, 27);
    press(Qt::Key_P);
    EXPECT_EQ(player.media->mode, MCI_MODE_PLAY);
    press(Qt::Key_L);
    EXPECT_EQ(player.media->mode, MCI_MODE_PAUSE);

    press(Qt::Key_F5);
    EXPECT_EQ(form1.Panel1->size(), QSize(320, 240));
    press(Qt::Key_H);
    EXPECT_EQ(form1.Panel1->size(), QSize(320, 240));
    press(Qt::Key_F);
    EXPECT_EQ(form1.Panel1->size(), QSize(640, 480));
    EXPECT_EQ(player.media->position, 27) << "a size change keeps the position";
    press(Qt::Key_S);
    EXPECT_EQ(form1.Panel1->size(), QSize(160, 120));

    press(Qt::Key_Space);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(second));
    press(Qt::Key_B);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(path));

    form1.show();
    press(Qt::Key_Escape);
    EXPECT_FALSE(form1.isVisible());
}
