#pragma once

#include "media/frametablebuilder.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace media {

// What identifies a movie file's content, whatever its name or folder.
struct ContentKey
{
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 edgeHash = 0;
    bool operator==(const ContentKey &) const = default;
};

// Reads the key of a file: its size, modification time and a 64-bit hash of its first and last
// 64 KiB (the whole file when smaller); nothing when it cannot be read. Reading only the edges
// keeps it quick for any size of movie; a movie rewritten in place changes its time or edges.
std::optional<ContentKey> contentKeyOf(const QByteArray &path);

// A finished table as the cache keeps it.
struct CachedTable
{
    // Seconds per tick of the stream's time base.
    double timeBase = 0;
    bool madeUpTimes = false;
    std::vector<TableFrame> frames;
};

// An entry of the cache holding the table of the movie with that key. Decoding gives nothing
// for an entry that is damaged, truncated, of another format version or of another key.
QByteArray encodeTable(const ContentKey &key, const CachedTable &table);
std::optional<CachedTable> decodeTable(const QByteArray &entry, const ContentKey &key);

// Finished frame tables kept between runs, one file per movie content in a folder of their own,
// so that a long movie's table is not read again, even after the movie is renamed or moved.
class FrameTableCache final
{
public:
    // $XDG_CACHE_HOME/velmomp, else $HOME/.cache/velmomp.
    static QString defaultFolder();
    static constexpr qint64 DefaultLimitBytes = qint64(64) << 20;

    explicit FrameTableCache(QString folder = defaultFolder(),
                             qint64 limitBytes = DefaultLimitBytes);

    // A bad entry is removed. A used entry becomes the most recent, kept the longest.
    std::optional<CachedTable> load(const ContentKey &key) const;
    // Replaces the movie's entry at once, creating the folder, then drops the least recently
    // used entries until all of them take at most the limit; false when the entry is not kept
    // (it alone is above the limit, or cannot be written).
    bool store(const ContentKey &key, const CachedTable &table);

private:
    QString entryPath(const ContentKey &key) const;
    void trimKeeping(const QString &newest) const;

    QString m_folder;
    qint64 m_limitBytes;
};

} // namespace media
