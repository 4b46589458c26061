#include "app/keytable.h"
#include "support/printers.h"

#include <QList>

#include <gtest/gtest.h>

static void PrintTo(KeyCommand command, std::ostream *out)
{
    *out << "KeyCommand " << int(command);
}

namespace {

const Qt::KeyboardModifiers plainModifiers[] = {
        Qt::NoModifier,
        Qt::ShiftModifier,
        Qt::ControlModifier,
        Qt::ShiftModifier | Qt::ControlModifier,
};

} // namespace

TEST(KeyTable, CommandKeys)
{
    const struct
    {
        int key;
        KeyCommand command;
    } cases[] = {
            {Qt::Key_Escape, KeyCommand::Close},
            {Qt::Key_Q, KeyCommand::Close},
            {Qt::Key_Space, KeyCommand::NextFile},
            {Qt::Key_N, KeyCommand::NextFile},
            {Qt::Key_B, KeyCommand::PrevFile},
            {Qt::Key_P, KeyCommand::Play},
            {Qt::Key_L, KeyCommand::Pause},
            {Qt::Key_Right, KeyCommand::NextFrame},
            {Qt::Key_Left, KeyCommand::PrevFrame},
            {Qt::Key_Down, KeyCommand::NextSec},
            {Qt::Key_Up, KeyCommand::PrevSec},
            {Qt::Key_PageDown, KeyCommand::NextBlock},
            {Qt::Key_PageUp, KeyCommand::PrevBlock},
            {Qt::Key_V, KeyCommand::Rewind},
            {Qt::Key_F, KeyCommand::Full},
            {Qt::Key_H, KeyCommand::Half},
            {Qt::Key_S, KeyCommand::Source},
            {Qt::Key_A, KeyCommand::FullScreen},
            {Qt::Key_F5, KeyCommand::TwiceSource},
            {Qt::Key_F6, KeyCommand::ThreeTimesSource},
            {Qt::Key_F7, KeyCommand::FourTimesSource},
            {Qt::Key_F8, KeyCommand::FiveTimesSource},
            {Qt::Key_F11, KeyCommand::Centre},
            {Qt::Key_F12, KeyCommand::DesktopFullScreen},
    };
    for (const auto &c : cases) {
        for (const Qt::KeyboardModifiers modifiers : plainModifiers) {
            EXPECT_EQ(keyCommand(c.key, modifiers), c.command)
                    << std::hex << "key 0x" << c.key << ", modifiers 0x" << modifiers.toInt();
            EXPECT_EQ(keypadDigit(c.key, modifiers), -1) << std::hex << "key 0x" << c.key;
        }
    }
}

TEST(KeyTable, UnboundKeys)
{
    QList<int> keys
            = {Qt::Key_F1,   Qt::Key_F2,  Qt::Key_F3,     Qt::Key_F4,     Qt::Key_F9, Qt::Key_F10,
               Qt::Key_Home, Qt::Key_End, Qt::Key_Insert, Qt::Key_Delete, Qt::Key_Tab};
    for (int key = Qt::Key_0; key <= Qt::Key_9; ++key)
        keys << key;
    for (const int key : keys) {
        for (const Qt::KeyboardModifiers modifiers : plainModifiers) {
            EXPECT_EQ(keyCommand(key, modifiers), KeyCommand::None)
                    << std::hex << "key 0x" << key << ", modifiers 0x" << modifiers.toInt();
            EXPECT_EQ(keypadDigit(key, modifiers), -1) << std::hex << "key 0x" << key;
        }
    }
}

TEST(KeyTable, KeypadDigits)
{
    for (int digit = 0; digit <= 9; ++digit) {
        EXPECT_EQ(keyCommand(Qt::Key_0 + digit, Qt::KeypadModifier), KeyCommand::None) << digit;
        EXPECT_EQ(keypadDigit(Qt::Key_0 + digit, Qt::KeypadModifier), digit);
    }
    for (const int key : {Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Enter, Qt::Key_Period, Qt::Key_A})
        EXPECT_EQ(keypadDigit(key, Qt::KeypadModifier), -1) << std::hex << "key 0x" << key;
}
