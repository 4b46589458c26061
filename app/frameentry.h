#pragma once

#include <QString>

#include <optional>

// A frame number typed on the numeric keypad. The caption shows it while it is typed: a
// caption that starts with a digit counts as an entry in progress. The entry lives for the
// whole run, as a 256-character buffer and the count of digits typed.
class FrameEntry final
{
public:
    enum class Key { KeypadDigit, Backspace, Enter, Other };

    struct Outcome
    {
        // A new caption to show.
        std::optional<QString> caption;
        // Enter: the frame to seek to, after which the caption shows the playlist path again.
        std::optional<qint32> seekTo;
    };

    // Thrown by Enter when the caption is not a whole number.
    struct NotANumber
    {
        QString caption;
    };

    // Applies one key to the caption as the command table left it.
    Outcome apply(const QString &caption, Key key, int digit = 0);

    int length() const { return m_length; }

private:
    static constexpr int BufferSize = 256;
    static constexpr int MaxDigits = 9;

    QString text() const;

    QChar m_buffer[BufferSize] = {};
    int m_length = 0;
};
