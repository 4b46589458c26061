#include "media/frametablecache.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <fcntl.h>
#include <limits>

using namespace media;

namespace {

const ContentKey Key {1'234'567, 1'700'000'000'123'456'789, 0x0123456789abcdef};
constexpr qint64 Max = std::numeric_limits<qint64>::max(), Min = std::numeric_limits<qint64>::min();
// Odd containers: times standing still, running backwards, at the ends of the range.
const CachedTable Odd {1.0 / 1000,
                       true,
                       {{-40, true, false},
                        {0, false, true},
                        {0, false, true},
                        {-7, false, false},
                        {Max, true, true},
                        {Min, false, false},
                        {123456789, true, false}}};

// A steady movie, a keyframe every 250 frames.
CachedTable steady(qint64 frames, qint64 step, double timeBase)
{
    CachedTable table {timeBase, false, {}};
    for (qint64 i = 0; i < frames; ++i)
        table.frames.push_back({i * step, i % 250 == 0, false});
    return table;
}

void expectSame(const CachedTable &got, const CachedTable &want)
{
    EXPECT_EQ(std::bit_cast<quint64>(got.timeBase), std::bit_cast<quint64>(want.timeBase));
    EXPECT_EQ(got.madeUpTimes, want.madeUpTimes);
    EXPECT_TRUE(std::ranges::equal(got.frames, want.frames, [](auto &a, auto &b) {
        return a.time == b.time && a.keyframe == b.keyframe && a.repeat == b.repeat;
    }));
}

// Writes a little-endian field into an entry and gives the entry the checksum it then has.
QByteArray patched(QByteArray entry, qsizetype at, quint64 value, int bytes)
{
    entry.chop(8);
    for (int i = 0; i < bytes; ++i)
        entry[at + i] = char(value >> 8 * i);
    quint64 hash = 0xcbf29ce484222325;
    for (const char c : entry)
        hash = (hash ^ quint8(c)) * 0x100000001b3;
    for (int i = 0; i < 8; ++i)
        entry.append(char(hash >> 8 * i));
    return entry;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}

void setModified(const QString &file, const timespec &time)
{
    const timespec times[2] = {time, time};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
}

} // namespace

TEST(FrameTableCache, TablesRoundTrip)
{
    const qint64 twoHours = 2 * 60 * 60 * 25;
    const struct
    {
        const char *name;
        CachedTable table;
        qsizetype maxBytes;
    } cases[] = {
            {"empty", {1.0 / 25, true, {}}, 100},
            {"one frame", {1.0 / 90000, false, {{-3003, true, false}}}, 100},
            {"odd times", Odd, 200},
            {"two hours at 1/90000", steady(twoHours, 3600, 1.0 / 90000), 400 * 1024},
            {"two hours at 1/12800", steady(twoHours, 512, 1.0 / 12800), 400 * 1024},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray entry = encodeTable(Key, c.table);
        EXPECT_LE(entry.size(), c.maxBytes);
        const auto decoded = decodeTable(entry, Key);
        ASSERT_TRUE(decoded);
        expectSame(*decoded, c.table);
    }
}

TEST(FrameTableCache, DamagedTruncatedOrForeignEntriesDecodeToNothing)
{
    const QByteArray entry = encodeTable(Key, Odd);
    for (qsizetype at = 0; at < entry.size(); ++at) {
        for (const char flip : {'\x01', '\x80', '\xff'}) {
            QByteArray damaged = entry;
            damaged[at] = char(damaged[at] ^ flip);
            EXPECT_FALSE(decodeTable(damaged, Key)) << "byte " << at << " flipped by " << int(flip);
        }
        EXPECT_FALSE(decodeTable(entry.first(at), Key)) << "cut to " << at << " bytes";
    }
    EXPECT_FALSE(decodeTable(entry + '\0', Key));
    for (const ContentKey &other : {ContentKey {Key.size + 1, Key.modifiedNs, Key.edgeHash},
                                    ContentKey {Key.size, Key.modifiedNs - 1, Key.edgeHash},
                                    ContentKey {Key.size, Key.modifiedNs, Key.edgeHash ^ 1}})
        EXPECT_FALSE(decodeTable(entry, other));

    // Wrong although the checksum is right: another version, a flag byte that is no flag, frame
    // counts that do not match the frames, and one that would allocate without end.
    ASSERT_TRUE(decodeTable(patched(entry, 0, 0, 0), Key));
    const quint64 frames = Odd.frames.size();
    const struct
    {
        qsizetype at;
        quint64 value;
        int bytes;
    } patches[] = {{7, '2', 1},
                   {40, 2, 1},
                   {41, frames + 1, 8},
                   {41, frames - 1, 8},
                   {41, quint64(1) << 62, 8}};
    for (const auto &p : patches)
        EXPECT_FALSE(decodeTable(patched(entry, p.at, p.value, p.bytes), Key)) << p.at;
}

TEST(FrameTableCache, StoredTableFollowsTheMovieUntilTheEntryIsDamaged)
{
    ScratchFolder scratch;
    const QByteArray movie = scratch.makeFile("movie.avi", 300'000);
    const auto key = contentKeyOf(movie);
    ASSERT_TRUE(key);
    const QString folder = QFile::decodeName(scratch.path("cache/velmomp"));
    FrameTableCache cache(folder);
    ASSERT_TRUE(cache.store(*key, Odd));
    struct stat status;
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    const QByteArray moved = scratch.path("renamed.mkv");
    ASSERT_EQ(::rename(movie.constData(), moved.constData()), 0);
    EXPECT_FALSE(contentKeyOf(movie));
    const auto movedKey = contentKeyOf(moved);
    ASSERT_TRUE(movedKey);
    EXPECT_EQ(*movedKey, *key);
    const auto loaded = FrameTableCache(folder).load(*movedKey);
    ASSERT_TRUE(loaded);
    expectSame(*loaded, Odd);

    ASSERT_EQ(entries(folder).size(), 1);
    QFile entry(QDir(folder).filePath(entries(folder).first()));
    ASSERT_TRUE(entry.open(QIODevice::ReadWrite) && entry.seek(entry.size() / 2));
    ASSERT_EQ(entry.write("?"), 1);
    entry.close();
    EXPECT_FALSE(cache.load(*key));
    EXPECT_TRUE(entries(folder).isEmpty()) << "the damaged entry is removed";
}

TEST(FrameTableCache, RewritingTheEdgesInPlaceChangesTheKey)
{
    const struct
    {
        qint64 size;
        qint64 at;
        bool changes;
    } cases[] = {{300'000, 0, true},
                 {300'000, 299'999, true},
                 {300'000, 150'000, false},
                 {100, 50, true},
                 {100'000, 50'000, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << ", byte " << c.at);
        ScratchFolder scratch;
        const QByteArray movie = scratch.makeFile("movie.mpg", c.size);
        struct stat before;
        ASSERT_EQ(::stat(movie.constData(), &before), 0);
        const auto key = contentKeyOf(movie);
        QFile file(QFile::decodeName(movie));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(c.at) && file.write("x") == 1);
        file.close();
        setModified(QFile::decodeName(movie), before.st_mtim);
        const auto rewritten = contentKeyOf(movie);
        ASSERT_TRUE(key && rewritten);
        ASSERT_EQ(std::pair(rewritten->size, rewritten->modifiedNs),
                  std::pair(key->size, key->modifiedNs));
        EXPECT_EQ(*rewritten != *key, c.changes);
    }
}

TEST(FrameTableCache, LeastRecentlyUsedEntriesAreDroppedBeyondTheLimit)
{
    ScratchFolder scratch;
    const QString folder = QFile::decodeName(scratch.path("cache"));
    const CachedTable table = steady(1000, 3600, 1.0 / 90000);
    const qint64 limit = encodeTable(Key, table).size() * 5 / 2;
    FrameTableCache cache(folder, limit);
    const auto keyOf = [](qint64 n) { return ContentKey {n, n, quint64(n)}; };

    // The first entry is the oldest, but is used before the third comes.
    ASSERT_TRUE(cache.store(keyOf(1), table));
    const QString first = entries(folder).first();
    ASSERT_TRUE(cache.store(keyOf(2), table));
    for (const QString &name : entries(folder))
        setModified(QDir(folder).filePath(name), {name == first ? 1'000'000 : 2'000'000, 0});
    ASSERT_TRUE(cache.load(keyOf(1)));
    ASSERT_TRUE(cache.store(keyOf(3), table));
    EXPECT_TRUE(cache.load(keyOf(1)));
    EXPECT_FALSE(cache.load(keyOf(2)));

    for (qint64 n = 4; n <= 8; ++n) {
        ASSERT_TRUE(cache.store(keyOf(n), table));
        qint64 total = 0;
        for (const QString &name : entries(folder))
            total += QFileInfo(QDir(folder).filePath(name)).size();
        EXPECT_LE(total, limit);
        EXPECT_TRUE(cache.load(keyOf(n)));
    }
    EXPECT_EQ(entries(folder).size(), 2);
    EXPECT_FALSE(cache.store(Key, steady(3000, 3600, 1.0 / 90000))) << "alone above the limit";
    EXPECT_TRUE(cache.load(keyOf(8)));
}

TEST(FrameTableCache, DefaultFolderFollowsTheEnvironment)
{
    const struct
    {
        const char *xdgCacheHome;
        const char *folder;
    } cases[] = {{"/xdg/cache", "/xdg/cache/velmomp"},
                 {nullptr, "/home/someone/.cache/velmomp"},
                 {"", "/home/someone/.cache/velmomp"},
                 {"relative/cache", "/home/someone/.cache/velmomp"}};
    const auto saved = [](const char *name) {
        return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    };
    const auto set = [](const char *name, const std::optional<QByteArray> &value) {
        value ? qputenv(name, *value) : qunsetenv(name);
    };
    const auto savedXdg = saved("XDG_CACHE_HOME"), savedHome = saved("HOME");
    for (const auto &c : cases) {
        set("HOME", "/home/someone");
        set("XDG_CACHE_HOME",
            c.xdgCacheHome ? std::optional<QByteArray>(c.xdgCacheHome) : std::nullopt);
        const QString folder = FrameTableCache::defaultFolder();
        set("HOME", savedHome);
        set("XDG_CACHE_HOME", savedXdg);
        EXPECT_EQ(folder, QString::fromUtf8(c.folder))
                << (c.xdgCacheHome ? c.xdgCacheHome : "unset");
    }
}
