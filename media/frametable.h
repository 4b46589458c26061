#pragma once

#include "media/frametablebuilder.h"
#include "media/frametablecache.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct AVFormatContext;
struct AVInputFormat;

namespace media {

// Where finished tables are kept between runs, and from what length on: a short movie's table is
// read again from its packets in no more time than a kept one takes to check.
struct TableKeeping
{
    FrameTableCache cache;
    qint64 fromFrames = 0;
};

// Every frame of a movie's first video stream, in presentation order, with its time on the
// container's clock: frame N of the movie is frame N of the table. Read from every video packet
// of the container with libavformat, without decoding (the other streams' packets are skipped
// unread where the container allows it).
//
// The table is read on a thread of its own from the moment it is made, so that a long movie
// does not hold back its opening; the frames come in as they are settled.
class FrameTable final
{
public:
    // A held table reads only its first frames until it is released: a long movie's table
    // cannot be read before the movie is open, and reading it beside the engine slows the open.
    // A table kept from an earlier run is taken at once, whole; one read here is kept when it is
    // long enough.
    explicit FrameTable(const QByteArray &path, bool held = false, TableKeeping *keeping = nullptr);
    ~FrameTable();
    void release();
    FrameTable(const FrameTable &) = delete;
    FrameTable &operator=(const FrameTable &) = delete;

    // Waits until frame index is known, or until the whole table is; false after the deadline.
    bool waitFor(qint64 index, std::chrono::milliseconds deadline) const;
    bool waitUntilComplete(std::chrono::milliseconds deadline) const;

    // Every frame has been read, and the packets said where each one lies.
    bool isComplete() const;
    // The packets do not tell where the frames lie (no times, times running backwards, a
    // container that cannot be read): the table stays empty.
    bool isUnusable() const;
    // The container has no frame times of its own: the engine makes them up, differently after
    // a seek than when reading from the start.
    bool hasMadeUpTimes() const;
    // Frames known so far.
    qint64 size() const;
    std::vector<TableFrame> frames() const;
    // The frame's time in seconds on the container's clock.
    double time(qint64 index) const;
    bool isRepeat(qint64 index) const;
    // The last keyframe at or before the frame, or 0.
    qint64 keyframeBefore(qint64 index) const;
    // The frame a picture with this time is, among the frames known so far: the first frame at
    // that time, or the frame before it when no frame has exactly that time; -1 before the first.
    qint64 indexAt(double seconds) const;

private:
    void read(const QByteArray &path);
    bool takeKept(const CachedTable &kept);
    void keep(const ContentKey &key, bool complete);
    void publish(const FrameTableBuilder &builder, bool done, bool unusable);
    void waitWhileHeld();

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<TableFrame> m_frames;
    double m_timeBase = 0;
    bool m_madeUpTimes = false;
    bool m_done = false;
    bool m_unusable = false;
    bool m_held = false;
    TableKeeping *m_keeping = nullptr;
    std::atomic<bool> m_cancelled = false;
    std::thread m_reader;
};

// What reading a table found out about the container besides its frames.
struct ScanFacts
{
    // Seconds per tick of the stream's time base.
    double timeBase = 0;
    // An elementary stream: the container is the stream itself, without any times.
    bool elementaryStream = false;
};

// How the packets a table is read from come.
enum class PacketReading {
    // Each through the demuxer's parser, as the engine reads them.
    Parsed,
    // As the container holds them: the keyframes as Matroska marks them, or found in the H.264 or
    // HEVC pictures' bytes (transport streams).
    Unparsed,
    // Without their bytes (see openWithoutSampleBytes): the container's own times and flags.
    WithoutBytes,
};

// Reads the table of the opened container's first video stream into the builder, handing it to
// progress now and then; false when the container does not tell it. Stops early when
// cancelled returns true. Unless parsed, it is false where the table needs the parser: MPEG
// pictures, and (unparsed) pictures other than H.264 and HEVC whose container does not mark
// its keyframes.
bool scanFrameTable(AVFormatContext &format, FrameTableBuilder &builder, ScanFacts &facts,
                    const std::function<void(const FrameTableBuilder &)> &progress,
                    const std::function<bool()> &cancelled,
                    PacketReading reading = PacketReading::Parsed);

// Whether the container's packets may each hold one whole picture, timed, so that the parser may
// add nothing: transport streams and Matroska, read unparsed where their first frames agree.
bool mayReadUnparsed(const AVInputFormat &container);

// Reads the table of an AVI's video stream from the index the container was opened with,
// without reading a packet; false when the file is no AVI or its index does not list every
// frame within the file.
bool indexFrameTable(AVFormatContext &format, FrameTableBuilder &builder, ScanFacts &facts);

enum class TableReading {
    // From every packet of the container. Transport streams' and Matroska's packets skip the
    // parser when their first frames read either way agree: each packet holds one whole picture,
    // timed and marked as the parser would.
    Packets,
    // From every packet, each through the parser, as the engine reads them.
    ParsedPackets,
    // From what the container's index says (MP4, QuickTime, AVI), without reading the frames.
    Index,
};

// A whole table read on the calling thread, one way; nothing when that way does not tell it.
std::optional<CachedTable> readFrameTable(const QByteArray &path, TableReading reading);

} // namespace media
