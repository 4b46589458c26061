#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <initializer_list>
#include <optional>

// How the player reads and writes the numbers and lists of its settings file.
namespace settings {

// The size of the buffer a list value is read into, its terminating zero included.
inline constexpr qsizetype TokenBufferSize = 300;

// The integer a settings text holds: optional leading blanks and tabs, an optional '+' or '-',
// then decimal digits, or hexadecimal digits after "$", "0x" or "0X". Nothing may follow.
// Decimal numbers must fit in 32 bits; hexadecimal ones are a 32-bit pattern of at most eight
// significant digits, so "$FFFFFFFF" is -1.
std::optional<qint32> toInteger(QByteArrayView text);

// The blank-separated parts of a list value, as far as it fits in the buffer it is read into:
// the text ends at a zero byte or after TokenBufferSize - 1 bytes. Only the space separates;
// a tab is part of a token.
QList<QByteArray> blankTokens(QByteArrayView text);

QByteArray decimal(qint32 value);
// The decimals joined by single blanks, as in "1 8" or "0 0 0 0".
QByteArray formatIntegers(std::initializer_list<qint32> values);

} // namespace settings
