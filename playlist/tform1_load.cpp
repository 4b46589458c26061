// Opening the current playlist entry.
#include "app/tform1.h"
#include "media/mcivocabulary.h"
#include "media/mediadevice.h"
#include "settings/livesettings.h"
#include "text/pathparts.h"
#include "ui/cursorcount.h"
#include "ui/messages.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>

namespace {

// Whole frames in a second. Formed in 64 bits: very long movies overflow 32. A movie without a
// length in time steps one frame at a time.
int frameRate(qint32 frames, qint32 milliseconds)
{
    if (milliseconds <= 0)
        return 1;
    return int(qint64(frames) * 1000 / milliseconds);
}

} // namespace

void TForm1::LoadCurrentFile()
{
    // After a batch that accepted nothing the index stands one past the last entry.
    if (FileIndex < 0 || FileIndex >= FileCount)
        return;
    setWindowTitle(QStringLiteral("Now Loading....."));
    const QByteArray name = PrepareFile();
    MediaPlayer1->FileName = name;

    MovieOpened = 1;
    try {
        MediaPlayer1->OpenDevice();
    } catch (const std::exception &) {
        MovieOpened = 0;
    }
    if (MovieOpened == 1
        && MediaPlayer1->QueryDeviceType() != qint32(mci::MCI_DEVTYPE_DIGITAL_VIDEO))
        MovieOpened = 0;

    const QString path = QFile::decodeName(FileList[FileIndex]);
    if (MovieOpened == 1) {
        FillZoomSizes();
        MediaPlayer1->SetTimeFormat(mci::MCI_FORMAT_MILLISECONDS);
        const qint32 milliseconds = MediaPlayer1->QueryLength();
        MediaPlayer1->SetTimeFormat(mci::MCI_FORMAT_FRAMES);
        const qint32 frames = MediaPlayer1->QueryLength();
        FrameRate = frameRate(frames, milliseconds);
        Image1->clear();
        Image1->setGeometry(Panel1->rect());
        Image1->hide();
        setWindowTitle(path);
        // The playback monitor has not seen this movie yet.
        LastPosition = -1;
        ApplyDisplayMode(DisplayMode);
        if (Form2 != nullptr && Form2->autoStart())
            PlayClick();
        else
            NextFrameClick();
        return;
    }

    MediaPlayer1->CloseDevice();
    PopupMenu1->actions().at(FileIndex)->setEnabled(false);
    setWindowTitle(path);
    // The message must be answerable in full screen too.
    ui::ForceCursorShown();
    ui::showMessage(this,
                    QStringLiteral("ファイル\"%1\"が開けません")
                            .arg(QFile::decodeName(pathparts::namePart(FileList[FileIndex]))));
    if (FullScreenState != 0)
        ui::ForceCursorHidden();
}
