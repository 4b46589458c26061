#pragma once

#include <QByteArray>

// Pieces of a path in the player's terms. Paths are local 8-bit file names, '/' separated.
namespace pathparts {

// The text after the last separator; the whole path when it has none.
QByteArray namePart(const QByteArray &path);

// The text up to and including the last separator; the whole path when it has none.
QByteArray folderPart(const QByteArray &path);

} // namespace pathparts
