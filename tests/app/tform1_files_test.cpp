#include "app/handoffblock.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString title(const QByteArray &path)
{
    return QFile::decodeName(path);
}

// Sends a drag of the URLs over the window and drops it; true when the drop was accepted.
bool dropUrls(QWidget *window, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPointF at(100, 100);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

class Roads : public ::testing::Test
{
protected:
    ScratchFolder folder;
    QByteArray first = folder.makeFile("first.avi");
    PlayerWindows player {{first}};
    TForm1 &form1 = player.form1;

    void SetUp() override { form1.Timer1Timer(); }
};

} // namespace

TEST_F(Roads, DropsAreRefusedBeforeTheFirstTick)
{
    PlayerWindows fresh;
    const QByteArray movie = folder.makeFile("m.avi");
    fresh.form1.show();
    EXPECT_FALSE(dropUrls(&fresh.form1, {QUrl::fromLocalFile(QFile::decodeName(movie))}));
    EXPECT_EQ(fresh.form1.FileCount, 0);
}

TEST_F(Roads, ADropAppendsAndLoadsTheFirstNewFile)
{
    const QByteArray a = folder.makeFile("with blank.avi"), b = folder.makeFile("\x93\xae.avi");
    QUrl nonUtf8(QStringLiteral("file://") + QFile::decodeName(folder.path("")));
    nonUtf8.setPath(
            QString::fromLatin1(QByteArray(folder.path("").toPercentEncoding("/") + "%93%AE.avi")),
            QUrl::TolerantMode);
    ASSERT_TRUE(
            dropUrls(&form1,
                     {QUrl(QStringLiteral("https://example.invalid/x.avi")),
                      QUrl::fromLocalFile(QFile::decodeName(a)),
                      QUrl::fromLocalFile(QFile::decodeName(folder.path("gone.avi"))), nonUtf8}));
    ASSERT_EQ(form1.FileCount, 3);
    EXPECT_EQ(form1.FileList[1], a);
    EXPECT_EQ(form1.FileList[2], b) << "names that are not UTF-8 survive the drop";
    EXPECT_EQ(form1.FileIndex, 1);
    EXPECT_EQ(form1.windowTitle(), title(a));
    EXPECT_TRUE(player.entry(1)->isChecked());
    EXPECT_FALSE(player.entry(0)->isChecked());
}

TEST_F(Roads, AHandOffBlockTakesTheSameRoad)
{
    const QByteArray a = folder.makeFile("a.avi"), b = folder.makeFile("b.avi"),
                     c = folder.makeFile("c.avi");
    form1.ReceiveDropBlock(handoff::makeBlock({a, folder.path("missing.avi"), b, c}));
    ASSERT_EQ(form1.FileCount, 4);
    EXPECT_EQ(form1.FileList[1], a);
    EXPECT_EQ(form1.FileList[3], c);
    EXPECT_EQ(form1.FileIndex, 1);
    EXPECT_EQ(form1.windowTitle(), title(a));
}

TEST_F(Roads, ABatchWithNothingAcceptedLeavesTheIndexOnePastTheEnd)
{
    form1.ReceiveDropBlock(handoff::makeBlock({folder.path("missing.avi"), folder.path("")}));
    EXPECT_EQ(form1.FileCount, 1);
    EXPECT_EQ(form1.FileIndex, 1);
    EXPECT_EQ(form1.windowTitle(), title(first)) << "the open movie is left as it was";

    form1.LoadCurrentFile();
    EXPECT_EQ(form1.windowTitle(), title(first)) << "nothing is loaded from past the end";
    form1.NextFileClick();
    EXPECT_EQ(form1.FileIndex, 1);
    form1.PrevFileClick();
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_EQ(form1.windowTitle(), title(first));
}

TEST_F(Roads, AMalformedBlockIsDroppedWhole)
{
    const QByteArray a = folder.makeFile("a.avi");
    QByteArray block = handoff::makeBlock({a});
    block.chop(2);
    form1.ReceiveDropBlock(block);
    EXPECT_EQ(form1.FileCount, 1);
    EXPECT_EQ(form1.FileIndex, 0) << "not even the index moves";
}

TEST_F(Roads, ChoosingAPlaylistEntryLoadsIt)
{
    const QByteArray second = folder.makeFile("second.avi");
    form1.AddFile(second);
    player.entry(1)->trigger();
    EXPECT_EQ(form1.FileIndex, 1);
    EXPECT_EQ(form1.windowTitle(), title(second));
    EXPECT_TRUE(player.entry(1)->isChecked());
    EXPECT_FALSE(player.entry(0)->isChecked());

    form1.setWindowTitle(QStringLiteral("something else"));
    player.entry(1)->trigger();
    EXPECT_EQ(form1.windowTitle(), title(second)) << "the current entry is opened again";
    EXPECT_TRUE(player.entry(1)->isChecked());
}

TEST_F(Roads, OpenedFilesAreAppendedAndTheFirstIsLoaded)
{
    const QByteArray a = folder.makeFile("a.avi"), b = folder.makeFile("b.avi");
    form1.OpenSelectedFiles({title(a), title(folder.path(".hidden.avi")), title(b)});
    ASSERT_EQ(form1.FileCount, 3);
    EXPECT_EQ(form1.FileIndex, 1);
    EXPECT_EQ(form1.windowTitle(), title(a));
    EXPECT_EQ(form1.LastOpenDir, folder.path(""));

    form1.OpenSelectedFiles({title(folder.path("sub/none.avi"))});
    EXPECT_EQ(form1.FileIndex, 3) << "nothing accepted";
    EXPECT_EQ(form1.LastOpenDir, folder.path("sub/")) << "the folder is remembered all the same";
    EXPECT_EQ(form1.windowTitle(), title(a));
}

TEST_F(Roads, TheOpenDialogAddsItsSelection)
{
    const QByteArray a = folder.makeFile("a.AVI"), b = folder.makeFile("b.AVI");
    form1.OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    form1.OpenDialog1->setDirectory(QFile::decodeName(folder.path("")));
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(form1.OpenDialog1->isVisible());
        form1.OpenDialog1->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("\"a.AVI\" \"b.AVI\""));
        QMetaObject::invokeMethod(form1.OpenDialog1, "accept");
    });
    form1.Open1->trigger();
    ASSERT_EQ(form1.FileCount, 3);
    EXPECT_EQ(form1.FileList[1], a);
    EXPECT_EQ(form1.FileList[2], b);
    EXPECT_EQ(form1.windowTitle(), title(a));
    EXPECT_EQ(form1.LastOpenDir, folder.path(""));
}

TEST_F(Roads, CancellingTheOpenDialogChangesNothing)
{
    form1.OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(form1.OpenDialog1->isVisible());
        form1.OpenDialog1->reject();
    });
    form1.Open1->trigger();
    EXPECT_EQ(form1.FileCount, 1);
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_TRUE(form1.LastOpenDir.isEmpty());
}
