#include "settings/tform2.h"
#include "settings/tform3.h"
#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

class Chooser : public ::testing::Test
{
protected:
    PlayerWindows player;
    TForm2 &form2 = *player.form2;
    TForm3 &form3 = *player.form3;
    ScratchFolder folder;

    QString folderPath(const char *name) const { return QFile::decodeName(folder.path(name)); }

    // Opens the chooser from the settings dialog and runs the given steps while it shows.
    void browse(const std::function<void()> &steps)
    {
        QTimer::singleShot(0, &form3, steps);
        form2.Button1->click();
    }

    QListWidgetItem *listed(const QString &name) const
    {
        for (int i = 0; i < form3.DirectoryListBox1->count(); ++i) {
            if (form3.DirectoryListBox1->item(i)->text().trimmed() == name)
                return form3.DirectoryListBox1->item(i);
        }
        return nullptr;
    }
};

} // namespace

TEST_F(Chooser, ConfirmingPutsTheFolderWithItsSeparator)
{
    ASSERT_TRUE(QDir().mkpath(folderPath("movies/cache")));
    form2.TempDir->setText(folderPath("movies"));
    browse([&] {
        EXPECT_TRUE(form3.isVisible());
        EXPECT_EQ(form3.TempDir->text(), folderPath("movies/"));
        QListWidgetItem *sub = listed(QStringLiteral("cache"));
        ASSERT_NE(sub, nullptr);
        Q_EMIT form3.DirectoryListBox1->itemActivated(sub);
        EXPECT_EQ(form3.TempDir->text(), folderPath("movies/cache/"));
        form3.BitBtn1->click();
    });
    EXPECT_EQ(form2.TempDir->text(), folderPath("movies/cache/"));
}

TEST_F(Chooser, TheRootKeepsASingleSeparator)
{
    ASSERT_TRUE(form3.enterFolder(QStringLiteral("/")));
    EXPECT_EQ(form3.TempDir->text(), QStringLiteral("/"));
    EXPECT_EQ(form3.DriveComboBox1->currentData().toString(), QStringLiteral("/"));
}

TEST_F(Chooser, CancelChangesNothingNotEvenTheCurrentFolder)
{
    ASSERT_TRUE(QDir().mkpath(folderPath("a/b")));
    const QString currentFolder = QDir::currentPath();
    form2.TempDir->setText(folderPath("a"));
    const QString chosen = form2.TempDir->text();
    browse([&] {
        Q_EMIT form3.DirectoryListBox1->itemActivated(listed(QStringLiteral("b")));
        form3.BitBtn2->click();
    });
    EXPECT_EQ(form2.TempDir->text(), chosen);
    EXPECT_EQ(QDir::currentPath(), currentFolder) << "relative playlist paths must keep meaning";
}

TEST_F(Chooser, AFolderThatCannotBeEnteredIsReportedAndTheChooserStaysShut)
{
    const QByteArray file = folder.makeFile("plain.txt");
    const struct
    {
        QString folder;
        QString message;
    } cases[] = {
            {folderPath("gone"), QStringLiteral("ﾌｧｲﾙが見つかりません.")},
            {QFile::decodeName(file), QStringLiteral("不正なﾌｧｲﾙ名です.")},
    };
    for (const auto &c : cases) {
        MessageCatcher catcher;
        form2.TempDir->setText(c.folder);
        bool opened = false;
        browse([&] {
            // This also runs inside the message box, where the chooser must not show.
            opened = opened || form3.isVisible();
            if (form3.isVisible())
                form3.BitBtn2->click();
        });
        EXPECT_FALSE(opened) << c.folder.toStdString();
        ASSERT_EQ(catcher.messages().size(), 1);
        EXPECT_EQ(catcher.messages()[0].text, c.message);
        EXPECT_EQ(catcher.messages()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(form2.TempDir->text(), c.folder);
    }
}

TEST_F(Chooser, ErrorTexts)
{
    EXPECT_EQ(folderErrorText(ENOENT), QStringLiteral("ﾌｧｲﾙが見つかりません"));
    EXPECT_EQ(folderErrorText(ENOTDIR), QStringLiteral("不正なﾌｧｲﾙ名です"));
    EXPECT_EQ(folderErrorText(EACCES), QStringLiteral("I/O ｴﾗｰ (%1)").arg(EACCES));
}

TEST_F(Chooser, NeverSmallerThanCreatedAndWiderWidensTheFields)
{
    EXPECT_EQ(form3.minimumSize(), QSize(form3.InitialWidth, form3.InitialHeight));
    EXPECT_GE(form3.InitialWidth, 369);
    form3.show();
    form3.resize(form3.InitialWidth + 100, form3.InitialHeight);
    QCoreApplication::processEvents();
    EXPECT_EQ(form3.TempDir->width(), form3.width());
    EXPECT_EQ(form3.DriveComboBox1->width(), form3.width());
    EXPECT_EQ(form3.BitBtn1->geometry(), QRect(96, 40, 75, 25));
}

TEST_F(Chooser, TheDriveListHoldsTheMountedVolumes)
{
    EXPECT_GE(form3.DriveComboBox1->findData(QStringLiteral("/")), 0);
}
