#pragma once

#include <QByteArray>
#include <QString>

// Pieces of a path in the player's terms. Paths are local 8-bit file names, '/' separated.
namespace pathparts {

// The text after the last separator; the whole path when it has none.
QByteArray namePart(const QByteArray &path);

// The text up to and including the last separator; the whole path when it has none.
QByteArray folderPart(const QByteArray &path);

// A folder path ending in a separator, as the folder settings are kept; the root already ends
// in one.
QString withSeparator(const QString &folder);

} // namespace pathparts
