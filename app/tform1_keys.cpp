// The main window's keys: one command per key, and a frame number typed on the keypad.
#include "app/frameentry.h"
#include "app/keytable.h"
#include "app/tform1.h"
#include "media/mediadevice.h"

#include <QFile>
#include <QKeyEvent>

#include <stdexcept>

namespace {
// The number being typed lives for the whole run.
FrameEntry TypedFrame;
} // namespace

void TForm1::keyPressEvent(QKeyEvent *event)
{
    // Every key counts as handled; auto-repeat repeats the command.
    event->accept();
    OnKey(event->key(), event->modifiers());
}

void TForm1::OnKey(int key, Qt::KeyboardModifiers modifiers)
{
    const auto zoom = [this](int step) {
        DisplayMode = 4;
        ZoomStep = step;
        ChangeDisplayMode();
    };
    switch (keyCommand(key, modifiers)) {
    case KeyCommand::None:
        break;
    case KeyCommand::Close:
        close();
        break;
    case KeyCommand::NextFile:
        NextFileClick();
        break;
    case KeyCommand::PrevFile:
        PrevFileClick();
        break;
    case KeyCommand::Play:
        PlayClick();
        break;
    case KeyCommand::Pause:
        PauseClick();
        break;
    case KeyCommand::NextFrame:
        NextFrameClick();
        break;
    case KeyCommand::PrevFrame:
        PrevFrameClick();
        break;
    case KeyCommand::NextSec:
        NextSecClick();
        break;
    case KeyCommand::PrevSec:
        PrevSecClick();
        break;
    case KeyCommand::NextBlock:
        NextBlockClick();
        break;
    case KeyCommand::PrevBlock:
        PrevBlockClick();
        break;
    case KeyCommand::Rewind:
        RewindFileClick();
        break;
    case KeyCommand::Full:
        FullClick();
        break;
    case KeyCommand::Half:
        HalfClick();
        break;
    case KeyCommand::Source:
        SourceClick();
        break;
    case KeyCommand::FullScreen:
        FullScreenClick();
        break;
    case KeyCommand::TwiceSource:
        zoom(1);
        break;
    case KeyCommand::ThreeTimesSource:
        zoom(2);
        break;
    case KeyCommand::FourTimesSource:
        zoom(3);
        break;
    case KeyCommand::FiveTimesSource:
        zoom(4);
        break;
    case KeyCommand::Centre:
        CentreWindow();
        break;
    case KeyCommand::DesktopFullScreen:
        DisplayMode = 5;
        ChangeDisplayMode();
        break;
    }

    const int digit = keypadDigit(key, modifiers);
    const FrameEntry::Key entryKey = digit >= 0             ? FrameEntry::Key::KeypadDigit
            : key == Qt::Key_Backspace                      ? FrameEntry::Key::Backspace
            : key == Qt::Key_Return || key == Qt::Key_Enter ? FrameEntry::Key::Enter
                                                            : FrameEntry::Key::Other;
    FrameEntry::Outcome outcome;
    try {
        outcome = TypedFrame.apply(windowTitle(), entryKey, digit);
    } catch (const FrameEntry::NotANumber &error) {
        throw std::runtime_error(
                QStringLiteral("'%1' は整数ではありません").arg(error.caption).toStdString());
    }
    if (outcome.seekTo) {
        // The typed frame is sent as it is, even with no movie: the device then says so.
        MediaPlayer1->SeekTo(*outcome.seekTo);
        if (FileIndex >= 0 && FileIndex < FileCount)
            setWindowTitle(QFile::decodeName(FileList[FileIndex]));
    } else if (outcome.caption) {
        setWindowTitle(*outcome.caption);
    }
}
