#include "media/mediadevice.h"
#include "media/mpvdriver.h"
#include "settings/tform2.h"
#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/testmovies.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Answers the save dialog with a typed name, or cancels it when the name is empty. It waits
// for the dialog to show, since the player may run pending events before it does.
void answerSaveDialog(TForm1 &form1, const QString &typed, QString *proposed = nullptr)
{
    form1.SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
    auto *poll = new QTimer(form1.SaveDialog1);
    QObject::connect(poll, &QTimer::timeout, poll, [&form1, typed, proposed, poll] {
        if (!form1.SaveDialog1->isVisible())
            return;
        poll->deleteLater();
        auto *edit = form1.SaveDialog1->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (proposed != nullptr)
            *proposed = edit->text();
        if (typed.isEmpty()) {
            form1.SaveDialog1->reject();
            return;
        }
        edit->setText(typed);
        QMetaObject::invokeMethod(form1.SaveDialog1, "accept");
    });
    poll->start(5);
}

// The player on the real engine, without sound, with a generated movie in its playlist.
class StillCapture : public ::testing::Test
{
protected:
    ScratchFolder folder;
    TForm1 form1 {{}, display::DirectDrawCreate, [] {
                      return std::make_unique<media::MpvDriver>(media::MpvOptions {{"ao", "null"}});
                  }};
    TForm2 *form2 = new TForm2(form1, QFile::decodeName(folder.path("VelmoMP.ini")));
    MessageCatcher messages;
    QString baseName;

    void SetUp() override
    {
        form1.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));
        form2->AutoStart->setChecked(false);
        // The test runs the monitor's ticks itself.
        form1.Timer1->stop();
        form1.StartupState = 2;
    }

    void open(MovieKind kind)
    {
        const TestMovie movie = makeTestMovie(kind, QFile::decodeName(folder.path("")));
        baseName = QFileInfo(movie.path).completeBaseName();
        form1.AddFile(QFile::encodeName(movie.path));
        form1.LoadCurrentFile();
        ASSERT_EQ(form1.MovieOpened, 1);
        form1.SaveDialog1->setDirectory(QFile::decodeName(folder.path("")));
    }

    // Runs the timer until the armed still refresh has happened.
    void tickUntilRefreshed()
    {
        for (int tick = 0; tick < 4 && form1.RefreshCountdown != 0; ++tick)
            form1.Timer1Timer();
    }

    std::optional<int> savedFrame(const QString &name)
    {
        QImage saved;
        if (!saved.load(QFile::decodeName(folder.path(name.toUtf8())), "BMP"))
            return std::nullopt;
        return frameIndexOf(saved);
    }
};

} // namespace

TEST_F(StillCapture, WithoutAMovieOnlyTheMessageShows)
{
    bool dialogShown = false;
    QTimer::singleShot(0, [&] { dialogShown = form1.SaveDialog1->isVisible(); });
    form1.Save->trigger();
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("動画ファイルが開かれていません"));
    EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Velmo Movie Player"));
    EXPECT_FALSE(dialogShown);
}

TEST_F(StillCapture, TheFileHoldsTheRefreshedFrameUnderTheProposedName)
{
    open(MovieKind::MjpegAvi);

    answerSaveDialog(form1, QStringLiteral("early.BMP"));
    form1.SaveClick();
    EXPECT_FALSE(QFile::exists(QFile::decodeName(folder.path("early.BMP"))))
            << "no still has been made since the open";

    tickUntilRefreshed();
    for (int i = 0; i < 6; ++i)
        form1.NextFrameClick();
    QString proposed;
    answerSaveDialog(form1, QStringLiteral("stale.BMP"), &proposed);
    form1.SaveClick();
    EXPECT_EQ(proposed, baseName + QStringLiteral("(7).BMP"));
    EXPECT_EQ(savedFrame(QStringLiteral("stale.BMP")), 1)
            << "right after a step the still is the one refreshed before it";

    tickUntilRefreshed();
    answerSaveDialog(form1, QStringLiteral("fresh"));
    form1.SaveClick();
    EXPECT_EQ(savedFrame(QStringLiteral("fresh")), 7) << "written as typed, without extension";
    EXPECT_EQ(form1.SaveDir, folder.path(""));

    answerSaveDialog(form1, QString());
    form1.SaveClick();
    EXPECT_EQ(form1.SaveDir, folder.path("")) << "a cancelled dialog changes nothing";
}

TEST_F(StillCapture, SavingWhilePlayingPausesFirst)
{
    open(MovieKind::MjpegAvi);
    form1.PlayClick();
    ASSERT_EQ(form1.MediaPlayer1->QueryMode(), media::Playing);
    QTest::qWait(300);
    ASSERT_EQ(form1.MediaPlayer1->QueryMode(), media::Playing);
    QString proposed;
    answerSaveDialog(form1, QStringLiteral("playing.BMP"), &proposed);
    form1.SaveClick();
    EXPECT_NE(form1.MediaPlayer1->QueryMode(), media::Playing);
    const qint32 position = form1.MediaPlayer1->QueryPosition();
    EXPECT_EQ(proposed, baseName + QStringLiteral("(%1).BMP").arg(position));
    EXPECT_EQ(savedFrame(QStringLiteral("playing.BMP")), position);
}

TEST_F(StillCapture, ATurnedMovieIsSavedUprightAtItsSourceSizeAfterAStepBack)
{
    open(MovieKind::PortraitHevc10Mp4);
    form1.SourceClick();
    form1.MediaPlayer1->SeekTo(12);
    form1.PrevFrameClick();
    tickUntilRefreshed();
    QString proposed;
    answerSaveDialog(form1, QStringLiteral("portrait.BMP"), &proposed);
    form1.SaveClick();
    EXPECT_EQ(proposed, baseName + QStringLiteral("(11).BMP"));
    QImage saved;
    ASSERT_TRUE(saved.load(QFile::decodeName(folder.path("portrait.BMP")), "BMP"));
    EXPECT_EQ(saved.size(), QSize(144, 192));
    EXPECT_EQ(frameIndexOf(saved), 11);
}

TEST_F(StillCapture, APictureLargerThanTheStartUpBitmapIsSavedWhole)
{
    open(MovieKind::PalDvAvi);
    form1.SourceClick();
    form1.MediaPlayer1->SeekTo(8);
    form1.PrevFrameClick();
    tickUntilRefreshed();
    answerSaveDialog(form1, QStringLiteral("large.BMP"));
    form1.SaveClick();
    QImage saved;
    ASSERT_TRUE(saved.load(QFile::decodeName(folder.path("large.BMP")), "BMP"));
    ASSERT_EQ(saved.size(), QSize(768, 576));
    EXPECT_EQ(frameIndexOf(saved), 7);
    QImage shown(saved.size(), QImage::Format_RGB32);
    form1.MediaPlayer1->PaintFrame(shown);
    EXPECT_TRUE(saved.convertToFormat(QImage::Format_RGB32) == shown) << "the whole picture";
}
