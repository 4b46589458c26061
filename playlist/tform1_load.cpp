// Opening the current playlist entry.
#include "app/tform1.h"

#include <QFile>

void TForm1::LoadCurrentFile()
{
    // After a batch that accepted nothing the index stands one past the last entry.
    if (FileIndex < 0 || FileIndex >= FileCount)
        return;
    setWindowTitle(QStringLiteral("Now Loading....."));
    PrepareFile();
    setWindowTitle(QFile::decodeName(FileList[FileIndex]));
}
