// Preparing a file for opening, and the orderly close-down.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "playlist/readahead.h"
#include "settings/livesettings.h"

#include <QAction>
#include <QFile>
#include <QMenu>

namespace {

bool underLimit(int fileSizeMB, const QString &limit)
{
    return playlist::underLimit(fileSizeMB, QFile::encodeName(limit));
}

} // namespace

QByteArray TForm1::PrepareFile()
{
    const QByteArray path = FileList[FileIndex];
    const QList<QAction *> entries = PopupMenu1->actions();
    const auto mark = [&entries](int index, bool on) {
        if (index >= 0 && index < entries.size())
            entries[index]->setChecked(on);
    };

    // The same entry again plays its own file at once, even when a copy of it exists.
    if (FileIndex == LastPreparedIndex) {
        // Choosing the current entry in the menu toggled its mark off.
        mark(FileIndex, true);
        return path;
    }
    mark(LastPreparedIndex, false);
    mark(FileIndex, true);

    // The caption is the only progress shown. X11 receives it at once; events are not processed
    // while reading, since a monitor tick or a hand-off would start another load midway.
    QByteArray name = path;
    const int sizeMB = FileSizeMB[FileIndex];
    if (Form2 != nullptr && Form2->speed1() && underLimit(sizeMB, Form2->speed1Size())) {
        setWindowTitle(QStringLiteral("Now Buffering....."));
        playlist::warmUp(path);
    } else if (Form2 != nullptr && Form2->speed2() && underLimit(sizeMB, Form2->speed2Size())) {
        setWindowTitle(QStringLiteral("Now Coping....."));
        const QByteArray copy = playlist::copyName(QFile::encodeName(Form2->tempDir()), path);
        // A movie that already lies where its copy would go plays where it is, and is not ours
        // to delete.
        if (!playlist::sameFile(path, copy)) {
            // The device holds the copy it plays open: close it before that copy is deleted or
            // rewritten.
            if (MovieOpened == 1) {
                MediaPlayer1->CloseDevice();
                MovieOpened = 0;
            }
            if (!TempCopyName.isEmpty())
                playlist::removeCopy(TempCopyName);
            // A failed copy is not told apart: the device then fails to open it, and the entry
            // is reported and greyed like any movie that cannot be opened.
            playlist::copyFile(path, copy);
            TempCopyName = copy;
            name = copy;
        }
    }
    LastPreparedIndex = FileIndex;
    return name;
}

void TForm1::CloseDown()
{
    // A handler the close came in the middle of goes on after it, and the next tick may come
    // before the player ends: neither may reach the closed movie.
    if (MovieOpened == 1) {
        MediaPlayer1->CloseDevice();
        MovieOpened = 0;
    }
    // The settings saved below then record the windowed position.
    if (FullScreenState != 0)
        move(SavedLeft, SavedTop);
    if (DDrawObject) {
        DDrawObject->RestoreDisplayMode();
        DDrawObject->SetCooperativeLevel(this, display::DDSCL_NORMAL);
        DDrawObject->Release();
        DDrawObject.reset();
    }
    if (!TempCopyName.isEmpty()) {
        playlist::removeCopy(TempCopyName);
        TempCopyName.clear();
    }
    if (Form2 != nullptr)
        Form2->save();
}
