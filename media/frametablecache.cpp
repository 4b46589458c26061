#include "media/frametablecache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QtEndian>

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace media {
namespace {

constexpr qint64 EdgeBytes = 64 * 1024;
// The format's name and version; the key follows, then the time base's bits, whether times are
// made up and the frame count; the frames follow, then the checksum of everything before it.
constexpr QByteArrayView Preamble("VMFTbl01");
constexpr qsizetype TimeBaseAt = 32, MadeUpTimesAt = 40, CountAt = 41, HeaderBytes = 49,
                    ChecksumBytes = 8;
constexpr unsigned KeyframeFlag = 1, RepeatFlag = 2;

quint64 fnv1a(const char *data, qsizetype size, quint64 hash = 0xcbf29ce484222325)
{
    for (qsizetype i = 0; i < size; ++i)
        hash = (hash ^ quint8(data[i])) * 0x100000001b3;
    return hash;
}

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool readAt(int fd, char *into, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t got = ::pread(fd, into, size_t(size), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        offset += got;
        size -= got;
    }
    return true;
}

void append64(QByteArray &out, quint64 value)
{
    const quint64 little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&little), sizeof little);
}

quint64 read64(const QByteArray &entry, qsizetype at)
{
    return qFromLittleEndian<quint64>(entry.constData() + at);
}

QByteArray entryStart(const ContentKey &key)
{
    QByteArray start = Preamble.toByteArray();
    append64(start, quint64(key.size));
    append64(start, quint64(key.modifiedNs));
    append64(start, key.edgeHash);
    return start;
}

// A frame is the change of its time step from the frame before, zig-zag coded so that small
// changes either way stay small: the first byte holds the two flags and five bits of it, each
// following byte seven more. Steps are mostly equal, so most frames take a single byte. The
// arithmetic wraps, which makes any sequence of times round trip.
void appendFrame(QByteArray &out, quint64 change, unsigned flags)
{
    quint64 value = (change << 1) ^ quint64(qint64(change) >> 63);
    quint8 byte = quint8(flags | (value & 0x1f) << 2);
    for (value >>= 5; value != 0; value >>= 7) {
        out.append(char(byte | 0x80));
        byte = quint8(value & 0x7f);
    }
    out.append(char(byte));
}

bool readFrame(const char *&at, const char *end, quint64 &change, unsigned &flags)
{
    if (at == end)
        return false;
    quint8 byte = quint8(*at++);
    flags = byte & 3;
    quint64 value = (byte >> 2) & 0x1f;
    for (int shift = 5; byte & 0x80; shift += 7) {
        if (at == end || shift >= 64)
            return false;
        byte = quint8(*at++);
        value |= quint64(byte & 0x7f) << shift;
    }
    change = (value >> 1) ^ (0 - (value & 1));
    return true;
}

} // namespace

std::optional<ContentKey> contentKeyOf(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    const qint64 size = status.st_size;
    const qint64 head = std::min(size, EdgeBytes);
    const qint64 tailStart = std::max(head, size - EdgeBytes);
    QByteArray edges(head + size - tailStart, Qt::Uninitialized);
    if (!readAt(fd, edges.data(), head, 0)
        || !readAt(fd, edges.data() + head, size - tailStart, tailStart))
        return {};
    return ContentKey {size, nanoseconds(status.st_mtim), fnv1a(edges.constData(), edges.size())};
}

QByteArray encodeTable(const ContentKey &key, const CachedTable &table)
{
    QByteArray out = entryStart(key);
    out.reserve(HeaderBytes + qsizetype(table.frames.size()) + ChecksumBytes);
    append64(out, std::bit_cast<quint64>(table.timeBase));
    out.append(char(table.madeUpTimes));
    append64(out, table.frames.size());
    quint64 time = 0, step = 0;
    for (const TableFrame &frame : table.frames) {
        const quint64 nextStep = quint64(frame.time) - time;
        appendFrame(out, nextStep - step,
                    (frame.keyframe ? KeyframeFlag : 0) | (frame.repeat ? RepeatFlag : 0));
        time = quint64(frame.time);
        step = nextStep;
    }
    append64(out, fnv1a(out.constData(), out.size()));
    return out;
}

std::optional<CachedTable> decodeTable(const QByteArray &entry, const ContentKey &key)
{
    if (entry.size() < HeaderBytes + ChecksumBytes)
        return {};
    const qsizetype framesEnd = entry.size() - ChecksumBytes;
    if (fnv1a(entry.constData(), framesEnd) != read64(entry, framesEnd)
        || !entry.startsWith(entryStart(key)) || quint8(entry[MadeUpTimesAt]) > 1)
        return {};
    CachedTable table;
    table.timeBase = std::bit_cast<double>(read64(entry, TimeBaseAt));
    table.madeUpTimes = entry[MadeUpTimesAt] != 0;
    // Every frame takes at least a byte: a count beyond that is damage, not a reason to allocate.
    const quint64 count = read64(entry, CountAt);
    if (count > quint64(framesEnd - HeaderBytes))
        return {};
    table.frames.reserve(count);
    const char *at = entry.constData() + HeaderBytes, *end = entry.constData() + framesEnd;
    quint64 time = 0, step = 0, change = 0;
    unsigned flags = 0;
    for (quint64 i = 0; i < count; ++i) {
        if (!readFrame(at, end, change, flags))
            return {};
        step += change;
        time += step;
        table.frames.push_back(
                {qint64(time), bool(flags & KeyframeFlag), bool(flags & RepeatFlag)});
    }
    if (at != end)
        return {};
    return table;
}

QString FrameTableCache::defaultFolder()
{
    // Not QStandardPaths: it puts the application's name in the path.
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString base = !xdg.isEmpty() && QDir::isAbsolutePath(xdg)
            ? xdg
            : QDir(QDir::homePath()).filePath(QStringLiteral(".cache"));
    return QDir(base).filePath(QStringLiteral("velmomp"));
}

FrameTableCache::FrameTableCache(QString folder, qint64 limitBytes)
    : m_folder(std::move(folder))
    , m_limitBytes(limitBytes)
{}

QString FrameTableCache::entryPath(const ContentKey &key) const
{
    const QByteArray start = entryStart(key);
    const quint64 hash = fnv1a(start.constData(), start.size());
    return QDir(m_folder).filePath(QStringLiteral("%1.table").arg(hash, 16, 16, QLatin1Char('0')));
}

std::optional<CachedTable> FrameTableCache::load(const ContentKey &key) const
{
    const QString path = entryPath(key);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // An entry above the limit is never kept, so reading one would only waste memory.
    const auto table
            = file.size() <= m_limitBytes ? decodeTable(file.readAll(), key) : std::nullopt;
    if (!table)
        QFile::remove(path);
    else
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0);
    return table;
}

bool FrameTableCache::store(const ContentKey &key, const CachedTable &table)
{
    // Owner only: the names of the entries tell which movies were played.
    if (!QDir().mkpath(QFileInfo(m_folder).absolutePath())
        || (!QDir().mkdir(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
            && !QFileInfo(m_folder).isDir()))
        return false;
    // An entry above the limit would be dropped at once, and all the others with it.
    const QByteArray entry = encodeTable(key, table);
    if (entry.size() > m_limitBytes)
        return false;
    const QString path = entryPath(key);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit())
        return false;
    trimKeeping(path);
    return true;
}

void FrameTableCache::trimKeeping(const QString &newest) const
{
    // Modification time, size and path of each entry but the newest.
    std::vector<std::tuple<qint64, qint64, QString>> older;
    qint64 total = 0;
    const QDir folder(m_folder);
    for (const QString &name : folder.entryList({QStringLiteral("*.table")}, QDir::Files)) {
        const QString path = folder.filePath(name);
        struct stat status;
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            continue;
        total += status.st_size;
        // The entry just written is the newest whatever the clock's grain says.
        if (path != newest)
            older.push_back({nanoseconds(status.st_mtim), status.st_size, path});
    }
    std::sort(older.begin(), older.end());
    for (const auto &[modifiedNs, bytes, path] : older) {
        if (total <= m_limitBytes)
            break;
        if (QFile::remove(path))
            total -= bytes;
    }
}

} // namespace media
