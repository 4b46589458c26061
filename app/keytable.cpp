#include "app/keytable.h"

KeyCommand keyCommand(int key, Qt::KeyboardModifiers modifiers)
{
    if (keypadDigit(key, modifiers) >= 0)
        return KeyCommand::None;
    switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Q:
        return KeyCommand::Close;
    case Qt::Key_Space:
    case Qt::Key_N:
        return KeyCommand::NextFile;
    case Qt::Key_B:
        return KeyCommand::PrevFile;
    case Qt::Key_P:
        return KeyCommand::Play;
    case Qt::Key_L:
        return KeyCommand::Pause;
    case Qt::Key_Right:
        return KeyCommand::NextFrame;
    case Qt::Key_Left:
        return KeyCommand::PrevFrame;
    case Qt::Key_Down:
        return KeyCommand::NextSec;
    case Qt::Key_Up:
        return KeyCommand::PrevSec;
    case Qt::Key_PageDown:
        return KeyCommand::NextBlock;
    case Qt::Key_PageUp:
        return KeyCommand::PrevBlock;
    case Qt::Key_V:
        return KeyCommand::Rewind;
    case Qt::Key_F:
        return KeyCommand::Full;
    case Qt::Key_H:
        return KeyCommand::Half;
    case Qt::Key_S:
        return KeyCommand::Source;
    case Qt::Key_A:
        return KeyCommand::FullScreen;
    case Qt::Key_F5:
        return KeyCommand::TwiceSource;
    case Qt::Key_F6:
        return KeyCommand::ThreeTimesSource;
    case Qt::Key_F7:
        return KeyCommand::FourTimesSource;
    case Qt::Key_F8:
        return KeyCommand::FiveTimesSource;
    case Qt::Key_F11:
        return KeyCommand::Centre;
    case Qt::Key_F12:
        return KeyCommand::DesktopFullScreen;
    default:
        return KeyCommand::None;
    }
}

int keypadDigit(int key, Qt::KeyboardModifiers modifiers)
{
    if ((modifiers & Qt::KeypadModifier) == 0 || key < Qt::Key_0 || key > Qt::Key_9)
        return -1;
    return key - Qt::Key_0;
}
