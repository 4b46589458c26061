#include "playlist/fileadmission.h"

#include "text/pathparts.h"

#include <sys/stat.h>

#include <limits>

namespace playlist {

std::optional<qint64> admittedFileSize(const QByteArray &path)
{
    // A zero byte would make the system see a different, shorter path.
    if (path.isEmpty() || path.contains('\0') || pathparts::namePart(path).startsWith('.'))
        return std::nullopt;
    struct stat info
    {};
    if (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return qint64(info.st_size);
}

int sizeInMiB(qint64 bytes)
{
    return int(qMin<qint64>(bytes / (1024 * 1024), std::numeric_limits<int>::max()));
}

} // namespace playlist
