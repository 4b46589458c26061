// Preparing a file for opening, and the orderly close-down.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "settings/tform2.h"

#include <QAction>
#include <QMenu>

QByteArray TForm1::PrepareFile()
{
    const QList<QAction *> entries = PopupMenu1->actions();
    for (qsizetype i = 0; i < entries.size(); ++i)
        entries[i]->setChecked(i == FileIndex);
    return FileList[FileIndex];
}

void TForm1::CloseDown()
{
    if (MovieOpened == 1)
        MediaPlayer1->CloseDevice();
    if (DDrawObject) {
        DDrawObject->RestoreDisplayMode();
        DDrawObject->SetCooperativeLevel(this, display::DDSCL_NORMAL);
        DDrawObject->Release();
        DDrawObject.reset();
    }
    if (Form2 != nullptr)
        Form2->SaveSettings();
}
