#pragma once

#include "text/integertext.h"

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

// A settings text's integer is read as every number the player is given.
using integertext::toInteger;

// The blank-separated parts of a list value, as far as it fits in the buffer it is read into:
// the text ends at a zero byte or after TokenBufferSize - 1 bytes. Only the space separates;
// a tab is part of a token.
QList<QByteArray> blankTokens(QByteArrayView text);

QByteArray decimal(qint32 value);
// The decimals joined by single blanks, as in "1 8" or "0 0 0 0".
QByteArray formatIntegers(std::initializer_list<qint32> values);

} // namespace settings
