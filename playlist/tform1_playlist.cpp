// The playlist: files are only appended, and each entry has its item in the playlist menu.
#include "app/tform1.h"
#include "playlist/fileadmission.h"
#include "playlist/playlistwalk.h"
#include "settings/livesettings.h"
#include "text/pathparts.h"

#include <QAction>
#include <QFile>
#include <QMenu>

namespace {

// Menus read '&' as a mnemonic marker; a file name shows as it is.
QString menuCaption(const QByteArray &path)
{
    return QFile::decodeName(pathparts::namePart(path)).replace(u'&', QStringLiteral("&&"));
}

} // namespace

void TForm1::AddFile(const QByteArray &path)
{
    if (FileCount >= MaxFiles)
        return;
    const std::optional<qint64> size = playlist::admittedFileSize(path);
    if (!size)
        return;

    auto *entry = new QAction(menuCaption(path), this);
    entry->setData(FileCount);
    entry->setCheckable(true);
    connect(entry, &QAction::triggered, this, [this, entry] { FileItemClick(entry); });
    PopupMenu1->addAction(entry);

    FileSizeMB[FileCount] = playlist::sizeInMiB(*size);
    FileList[FileCount] = path;
    ++FileCount;
}

void TForm1::NextFileClick()
{
    const auto step = playlist::walkNext(FileIndex, FileCount, Form2 != nullptr && Form2->repeat(),
                                         [this](int index) { return entryEnabled(index); });
    FileIndex = step.fileIndex;
    if (step.load)
        LoadCurrentFile();
}

void TForm1::PrevFileClick()
{
    const auto step = playlist::walkPrev(FileIndex, FileCount, Form2 != nullptr && Form2->repeat(),
                                         [this](int index) { return entryEnabled(index); });
    FileIndex = step.fileIndex;
    if (step.load)
        LoadCurrentFile();
}

bool TForm1::entryEnabled(int index) const
{
    return PopupMenu1->actions().at(index)->isEnabled();
}
