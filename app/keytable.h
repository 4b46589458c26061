#pragma once

#include <Qt>

// What a key does in the main window. Shift and Ctrl change nothing; keypad digits type a
// frame number instead.
enum class KeyCommand {
    None,
    Close,
    NextFile,
    PrevFile,
    Play,
    Pause,
    NextFrame,
    PrevFrame,
    NextSec,
    PrevSec,
    NextBlock,
    PrevBlock,
    Rewind,
    Full,
    Half,
    Source,
    FullScreen,
    TwiceSource,
    ThreeTimesSource,
    FourTimesSource,
    FiveTimesSource,
    Centre,
    DesktopFullScreen,
};

KeyCommand keyCommand(int key, Qt::KeyboardModifiers modifiers);

// The digit of a numeric-keypad key, or -1.
int keypadDigit(int key, Qt::KeyboardModifiers modifiers);
