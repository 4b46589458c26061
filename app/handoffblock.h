#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// The hand-off block: how a second start, and a drop from a file manager, pass file names to
// the running player. Layout (32-bit little-endian): offset of the name list (20), drop point
// x and y (10, 10), non-client flag (0), wide-character flag (0), then each name's bytes with a
// zero byte after it, then one more zero byte.
namespace handoff {

inline constexpr qsizetype HeaderSize = 20;
// Far more than 100 names of the longest path; a larger block is refused whole.
inline constexpr qsizetype MaxBlockSize = 4 * 1024 * 1024;

// Builds the block. Empty names are left out: an empty name would end the list.
QByteArray makeBlock(const QList<QByteArray> &names);

// Reads the names of a block. A block that is truncated, lacks its terminators, points outside
// itself or exceeds MaxBlockSize gives nothing. Wide-character names are converted to local
// 8-bit file names.
std::optional<QList<QByteArray>> readBlock(QByteArrayView block);

} // namespace handoff
