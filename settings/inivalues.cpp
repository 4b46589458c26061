#include "settings/inivalues.h"

#include <limits>

namespace settings {
namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<quint32> hexadecimalPattern(QByteArrayView digits)
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
std::optional<qint64> decimalMagnitude(QByteArrayView digits)
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

} // namespace

std::optional<qint32> toInteger(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    const bool negative = text.startsWith('-');
    if (negative || text.startsWith('+'))
        text = text.sliced(1);

    if (text.startsWith('$') || text.startsWith("0x") || text.startsWith("0X")) {
        const auto pattern = hexadecimalPattern(text.sliced(text.startsWith('$') ? 1 : 2));
        if (!pattern)
            return std::nullopt;
        // Negating the pattern wraps, as the 32-bit arithmetic it stands for does.
        return qint32(negative ? 0u - *pattern : *pattern);
    }

    const auto magnitude = decimalMagnitude(text);
    if (!magnitude)
        return std::nullopt;
    const qint64 value = negative ? -*magnitude : *magnitude;
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

QList<QByteArray> blankTokens(QByteArrayView text)
{
    text = text.first(qMin(text.size(), TokenBufferSize - 1));
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);

    QList<QByteArray> tokens;
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (text[pos] == ' ') {
            ++pos;
            continue;
        }
        qsizetype end = text.indexOf(' ', pos);
        if (end < 0)
            end = text.size();
        tokens << text.sliced(pos, end - pos).toByteArray();
        pos = end;
    }
    return tokens;
}

QByteArray decimal(qint32 value)
{
    return QByteArray::number(value);
}

QByteArray formatIntegers(std::initializer_list<qint32> values)
{
    QByteArray text;
    for (qint32 value : values) {
        if (!text.isEmpty())
            text.append(' ');
        text.append(decimal(value));
    }
    return text;
}

} // namespace settings
