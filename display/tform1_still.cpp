// The still copy of the current frame: what the panel falls back on and what a capture writes.
#include "app/tform1.h"
#include "display/stillname.h"
#include "media/mediadevice.h"
#include "settings/settingsrules.h"
#include "text/pathparts.h"
#include "ui/messages.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>

void TForm1::ArmStillRefresh()
{
    if (FullScreenState == 0)
        RefreshCountdown = 1;
}

void TForm1::RepaintVideo()
{
    // The video surface always holds the device's current frame, so the panel is up to date.
    RefreshCountdown = 0;
}

void TForm1::RefreshStill()
{
    if (FullScreenState == 0 && MediaPlayer1->QueryMode() != media::Playing) {
        Image1->setGeometry(Panel1->rect());
        Image1->clear();
        Image1->show();
        QRect destination(0, 0, StillBitmap.width(), StillBitmap.height());
        MediaPlayer1->WhereDestination(destination);
        // A picture larger than the bitmap made at start-up would be saved cut to its top left
        // corner, the rest blank: the bitmap grows to hold it whole.
        if (!StillBitmap.rect().contains(QRect(QPoint(0, 0), destination.size()))) {
            StillBitmap = QImage(StillBitmap.size().expandedTo(destination.size()),
                                 QImage::Format_RGB32);
            StillBitmap.fill(Qt::black);
        }
        QImage frame(destination.size(), QImage::Format_RGB32);
        frame.fill(Qt::black);
        MediaPlayer1->PaintFrame(frame);
        {
            QPainter still(&StillBitmap);
            still.drawImage(0, 0, frame);
        }
        QImage picture(Image1->size(), QImage::Format_RGB32);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            painter.drawImage(0, 0, StillBitmap);
        }
        Image1->setPixmap(QPixmap::fromImage(picture));
    }
    RefreshCountdown = 0;
}

void TForm1::SaveClick()
{
    if (MovieOpened == 0) {
        ui::showMessage(this, QStringLiteral("動画ファイルが開かれていません"));
        return;
    }
    PauseClick();
    SaveDialog1->selectFile(QFile::decodeName(
            display::stillFileName(MediaPlayer1->FileName, MediaPlayer1->QueryPosition())));
    if (SaveDialog1->exec() != QDialog::Accepted)
        return;
    const QString chosen = SaveDialog1->selectedFiles().value(0);
    // No still has been made since the movie was opened: there is nothing to write.
    if (!Image1->pixmap().isNull()) {
        // Written under the name as typed, with no extension added.
        QFile file(chosen);
        if (!file.open(QIODevice::WriteOnly) || !Image1->pixmap().save(&file, "BMP"))
            throw settings::WriteError(chosen);
    }
    SaveDir = pathparts::folderPart(QFile::encodeName(chosen));
}
