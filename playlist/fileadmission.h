#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace playlist {

// The size in bytes of the file a playlist path names, or nothing when the path does not name
// an existing ordinary file that is not hidden. The path is tested as written: no wildcard
// expansion, and symbolic links are followed. Hidden means a name starting with '.'; folders,
// devices, FIFOs and sockets are refused like system files.
std::optional<qint64> admittedFileSize(const QByteArray &path);

// Whole MiB, rounded down.
int sizeInMiB(qint64 bytes);

} // namespace playlist
