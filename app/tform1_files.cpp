// The main window's roads for file names: the open dialog, the playlist menu, drops and
// hand-offs from later starts.
#include "app/droppedurls.h"
#include "app/handoffblock.h"
#include "app/tform1.h"
#include "text/pathparts.h"
#include "ui/cursorcount.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>

void TForm1::Open1Click()
{
    if (OpenDialog1->exec() != QDialog::Accepted)
        return;
    // The dialog itself remembers the folder last browsed for its next opening.
    OpenSelectedFiles(OpenDialog1->selectedFiles());
}

void TForm1::OpenSelectedFiles(const QStringList &selectedFiles)
{
    if (selectedFiles.isEmpty())
        return;
    FileIndex = FileCount;
    for (const QString &file : selectedFiles)
        AddFile(QFile::encodeName(file));
    LastOpenDir = pathparts::folderPart(QFile::encodeName(selectedFiles.first()));
    if (FileIndex != FileCount)
        LoadCurrentFile();
}

void TForm1::FileItemClick(QAction *entry)
{
    FileIndex = entry->data().toInt();
    // The playlist menu showed the cursor; full screen hides it again.
    if (FullScreenState != 0)
        ui::ForceCursorHidden();
    LoadCurrentFile();
}

void TForm1::ReceiveDropBlock(const QByteArray &block)
{
    if (const auto names = handoff::readBlock(block))
        OnDropFiles(*names);
}

void TForm1::OnDropFiles(const QList<QByteArray> &names)
{
    FileIndex = FileCount;
    for (const QByteArray &name : names)
        AddFile(name);
    if (FileIndex != FileCount)
        LoadCurrentFile();
}

void TForm1::SetAcceptDrops(bool on)
{
    setAcceptDrops(on);
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    // A drop takes the same road as a hand-off from a later start.
    ReceiveDropBlock(handoff::makeBlock(localFileNames(event->mimeData()->urls())));
}
