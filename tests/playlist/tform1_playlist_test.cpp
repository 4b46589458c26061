#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QCheckBox>

#include <gtest/gtest.h>

namespace {

class Playlist : public ::testing::Test
{
protected:
    ScratchFolder folder;
    PlayerWindows player;
    TForm1 &form1 = player.form1;

    // Adds n movies named 0.avi, 1.avi, ... and returns their paths.
    QList<QByteArray> addMovies(int n)
    {
        QList<QByteArray> paths;
        for (int i = 0; i < n; ++i) {
            paths << folder.makeFile(QByteArray::number(i) + ".avi", qint64(i) * 1048576);
            form1.AddFile(paths.last());
        }
        return paths;
    }
};

} // namespace

TEST_F(Playlist, EntriesMirrorTheList)
{
    const QByteArray odd = folder.makeFile("Tom & Jerry.avi", 3 * 1048576 + 1);
    const QByteArray relative = "relative-name-that-does-not-exist.avi";
    form1.AddFile(odd);
    form1.AddFile(relative);
    form1.AddFile(odd);
    ASSERT_EQ(form1.FileCount, 2);
    ASSERT_EQ(form1.PopupMenu1->actions().size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(form1.FileList[i], odd) << "the same file may be listed twice";
        EXPECT_EQ(form1.FileSizeMB[i], 3);
        EXPECT_EQ(player.entry(i)->text(), QStringLiteral("Tom && Jerry.avi"));
        EXPECT_EQ(player.entry(i)->data().toInt(), i);
        EXPECT_TRUE(player.entry(i)->isEnabled());
        EXPECT_FALSE(player.entry(i)->isChecked());
    }
}

TEST_F(Playlist, RelativePathsAreStoredAsWritten)
{
    folder.makeFile("rel.avi");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFile::decodeName(folder.path(""))));
    form1.AddFile("rel.avi");
    QDir::setCurrent(previous);
    ASSERT_EQ(form1.FileCount, 1);
    EXPECT_EQ(form1.FileList[0], "rel.avi");
}

TEST_F(Playlist, AHundredFilesAtMost)
{
    addMovies(100);
    const QByteArray extra = folder.makeFile("extra.avi");
    form1.AddFile(extra);
    EXPECT_EQ(form1.FileCount, 100);
    EXPECT_EQ(form1.PopupMenu1->actions().size(), 100);
    EXPECT_EQ(form1.FileSizeMB[99], 99);

    form1.OnDropFiles({extra});
    EXPECT_EQ(form1.FileCount, 100);
    EXPECT_EQ(form1.FileIndex, 100) << "one past the end; nothing was read there";
    form1.NextFileClick();
    EXPECT_EQ(form1.FileIndex, 100);
    form1.PrevFileClick();
    EXPECT_EQ(form1.FileIndex, 99);
}

TEST_F(Playlist, NextAndPreviousSkipDisabledEntriesAndWrapWithRepeat)
{
    const QList<QByteArray> paths = addMovies(4);
    player.entry(1)->setEnabled(false);
    player.entry(3)->setEnabled(false);
    const auto title = [&] { return form1.windowTitle(); };

    form1.NextFileClick();
    EXPECT_EQ(form1.FileIndex, 2);
    EXPECT_EQ(title(), QFile::decodeName(paths[2]));
    form1.NextFileClick();
    EXPECT_EQ(form1.FileIndex, 2) << "end of the list without repeat";

    player.form2->Repeat->setChecked(true);
    form1.NextFileClick();
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_EQ(title(), QFile::decodeName(paths[0]));
    form1.PrevFileClick();
    EXPECT_EQ(form1.FileIndex, 2) << "back from the first wraps to the last enabled";

    player.form2->Repeat->setChecked(false);
    form1.PrevFileClick();
    EXPECT_EQ(form1.FileIndex, 0);
    form1.PrevFileClick();
    EXPECT_EQ(form1.FileIndex, 0);
}

TEST_F(Playlist, ASingleEnabledFileReplaysOnlyForward)
{
    const QList<QByteArray> paths = addMovies(3);
    player.entry(1)->setEnabled(false);
    player.entry(2)->setEnabled(false);
    player.form2->Repeat->setChecked(true);
    form1.setWindowTitle(QStringLiteral("marker"));
    form1.PrevFileClick();
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("marker"));
    form1.NextFileClick();
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(paths[0]));
}

TEST_F(Playlist, AnEmptyListDoesNothing)
{
    form1.NextFileClick();
    form1.PrevFileClick();
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("Velmo Movie Player v1.00"));
}

TEST_F(Playlist, TheModeMenuWalksTheList)
{
    const QList<QByteArray> paths = addMovies(2);
    form1.NextFile->trigger();
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(paths[1]));
    form1.PrevFile->trigger();
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(paths[0]));
}
