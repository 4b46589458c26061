#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <limits>
#include <optional>

// Whole numbers written as text, read the one way the player reads every number it is given:
// the values of its settings file, the frame number typed on the keypad, the read-ahead limits.
// Defined inline here: the fuzzers build the settings readers from those readers' sources alone.
namespace integertext {
namespace detail {

inline int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline std::optional<quint32> hexadecimalPattern(QByteArrayView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint32 pattern = 0;
    int significant = 0;
    for (char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        if (pattern != 0 || digit != 0)
            ++significant;
        if (significant > 8)
            return std::nullopt;
        pattern = pattern << 4 | quint32(digit);
    }
    return pattern;
}

// The magnitude, allowed up to 2^31 so that the most negative number can be read.
inline std::optional<qint64> decimalMagnitude(QByteArrayView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    constexpr qint64 limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return magnitude;
}

} // namespace detail

// The integer a text holds: optional leading blanks and tabs, an optional '+' or '-', then
// decimal digits, or hexadecimal digits after "$", "0x" or "0X". Nothing may follow. Decimal
// numbers must fit in 32 bits; hexadecimal ones are a 32-bit pattern of at most eight
// significant digits, so "$FFFFFFFF" is -1.
inline std::optional<qint32> toInteger(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    const bool negative = text.startsWith('-');
    if (negative || text.startsWith('+'))
        text = text.sliced(1);

    if (text.startsWith('$') || text.startsWith("0x") || text.startsWith("0X")) {
        const auto pattern = detail::hexadecimalPattern(text.sliced(text.startsWith('$') ? 1 : 2));
        if (!pattern)
            return std::nullopt;
        // Negating the pattern wraps, as the 32-bit arithmetic it stands for does.
        return qint32(negative ? 0u - *pattern : *pattern);
    }

    const auto magnitude = detail::decimalMagnitude(text);
    if (!magnitude)
        return std::nullopt;
    const qint64 value = negative ? -*magnitude : *magnitude;
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

} // namespace integertext
