// Long and odd file names on each road into the playlist: the command line, the hand-off from a
// later start, and drops. Each name is added as written and opened, or left out; none is cut or
// split into another existing file.
#include "app/handoffclient.h"
#include "app/handoffserver.h"
#include "app/singleinstance.h"
#include "media/mediadevice.h"
#include "support/oddnames.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QByteArray folderOf(const ScratchFolder &scratch)
{
    return scratch.path("").chopped(1);
}

// A file URL built from the path's bytes, as a file manager spells it: names that are not
// UTF-8 have no text form.
QByteArray encodedFileUrl(const QByteArray &path)
{
    return "file://" + path.toPercentEncoding("/");
}

// Drags the data over the window and drops it; true when the drop was taken.
bool drop(QWidget *window, QMimeData &data)
{
    const QPointF at(100, 100);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &dropped);
    return dropped.isAccepted();
}

// The entries from first on are exactly the openable names, in order, none a decoy, and each
// opens under its own name.
void expectOpenableAddedAndOpened(PlayerWindows &player, const OddNames &names, int first)
{
    TForm1 &form1 = player.form1;
    const QList<QByteArray> added(form1.FileList.begin() + first,
                                  form1.FileList.begin() + form1.FileCount);
    EXPECT_EQ(added, names.openable);
    for (const QByteArray &decoy : names.decoys)
        EXPECT_FALSE(added.contains(decoy)) << "a cut or split name reached " << decoy.size()
                                            << " bytes: " << decoy.left(80).toStdString();
    for (int i = first; i < form1.FileCount; ++i) {
        form1.FileIndex = i;
        form1.LoadCurrentFile();
        EXPECT_EQ(form1.MovieOpened, 1) << i;
        EXPECT_EQ(form1.MediaPlayer1->FileName, form1.FileList[i]);
        EXPECT_EQ(form1.windowTitle(), QFile::decodeName(form1.FileList[i]));
        EXPECT_TRUE(player.entry(i)->isEnabled());
    }
}

} // namespace

TEST(OddNames, OnTheCommandLine)
{
    ScratchFolder scratch;
    const OddNames names(folderOf(scratch), QByteArray(16, 'v'));
    PlayerWindows player(names.given);
    player.form1.Timer1Timer();
    EXPECT_EQ(player.form1.windowTitle(), QFile::decodeName(names.openable.first()))
            << "the start-up opens the first name that can be opened";
    expectOpenableAddedAndOpened(player, names, 0);
}

TEST(OddNames, ThroughTheHandOffAbsoluteAndRelative)
{
    ScratchFolder scratch;
    const QByteArray folder = folderOf(scratch);
    const OddNames names(folder, QByteArray(16, 'v'));
    QTemporaryDir runtime;
    InstanceLock lock(runtime.path());
    ASSERT_TRUE(lock.tryAcquire());
    HandOffServer server;
    ASSERT_TRUE(server.listen(lock.serverPath()));
    PlayerWindows player;
    player.form1.Timer1Timer();
    int blocks = 0;
    server.setReceiver([&](const QByteArray &block) {
        player.form1.ReceiveDropBlock(block);
        ++blocks;
    });

    ASSERT_TRUE(PostFileList(lock.serverPath(), names.given));
    ASSERT_TRUE(QTest::qWaitFor([&] { return blocks == 1; }, 5000));
    EXPECT_EQ(player.form1.windowTitle(), QFile::decodeName(names.openable.first()));
    expectOpenableAddedAndOpened(player, names, 0);

    // A later start names them relative to its own folder.
    QList<QByteArray> relative;
    for (const QByteArray &name : names.given)
        relative << name.mid(folder.size() + 1);
    const int before = player.form1.FileCount;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFile::decodeName(folder)));
    HandOffArguments(relative, lock.serverPath());
    QDir::setCurrent(previous);
    ASSERT_TRUE(QTest::qWaitFor([&] { return blocks == 2; }, 5000));
    expectOpenableAddedAndOpened(player, names, before);
}

TEST(OddNames, DroppedAsUrlsAndAsAUriList)
{
    ScratchFolder scratch;
    const OddNames names(folderOf(scratch), QByteArray(16, 'v'));
    PlayerWindows player;
    player.form1.Timer1Timer();

    QList<QUrl> urls;
    QByteArray uriList;
    for (const QByteArray &name : names.given) {
        urls << QUrl::fromEncoded(encodedFileUrl(name));
        uriList += encodedFileUrl(name) + "\r\n";
    }
    QMimeData asUrls;
    asUrls.setUrls(urls);
    ASSERT_TRUE(drop(&player.form1, asUrls));
    expectOpenableAddedAndOpened(player, names, 0);

    // The way a file manager's drop arrives from another program.
    const int before = player.form1.FileCount;
    QMimeData asList;
    asList.setData(QStringLiteral("text/uri-list"), uriList);
    ASSERT_TRUE(drop(&player.form1, asList));
    expectOpenableAddedAndOpened(player, names, before);
}
