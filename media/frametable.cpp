#include "media/frametable.h"

#include "media/avformatinput.h"
#include "media/nalunits.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
}

#include <sys/resource.h>
#include <sys/syscall.h>

#include <algorithm>
#include <unistd.h>
#include <utility>

namespace media {
namespace {

// Settled frames handed to the waiting side at a time: often enough that a seek waits little,
// seldom enough that the lock costs nothing.
constexpr int PacketsPerPublish = 256;
constexpr int BackgroundNiceness = 10;
// Packets read with and without the parser, whose frames must agree.
constexpr int AgreementPackets = 300;
// Two pictures closer than this on the clock are the same time: a tenth of a millisecond is far
// below any frame's duration and far above the rounding of a time base.
constexpr double SameTime = 1e-4;

bool isMatroska(const AVInputFormat &container)
{
    return qstrcmp(container.name, "matroska,webm") == 0;
}

} // namespace

bool scanFrameTable(AVFormatContext &format, FrameTableBuilder &builder, ScanFacts &facts,
                    const std::function<void(const FrameTableBuilder &)> &progress,
                    const std::function<bool()> &cancelled, PacketReading reading)
{
    const Packet packet(av_packet_alloc());
    if (!packet)
        return false;
    // Before the first packet is read: a stream's parser is made with it.
    if (reading != PacketReading::Parsed)
        format.flags |= AVFMT_FLAG_NOPARSE;
    const int video = findVideoStream(format, *packet);
    if (video < 0)
        return false;
    // Only the picture's packets are of interest: the others are skipped unread where the
    // container allows it.
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (int(i) != video)
            format.streams[i]->discard = AVDISCARD_ALL;
    }
    const AVStream &stream = *format.streams[video];
    facts.timeBase = av_q2d(stream.time_base);
    const bool slots = qstrcmp(format.iformat->name, "avi") == 0;
    facts.elementaryStream = format.iformat->raw_codec_id != AV_CODEC_ID_NONE;
    // An elementary stream has no times at all: the engine makes up every one, and the table
    // with it.
    const bool mpegPictures = !slots && !facts.elementaryStream
            && (stream.codecpar->codec_id == AV_CODEC_ID_MPEG1VIDEO
                || stream.codecpar->codec_id == AV_CODEC_ID_MPEG2VIDEO);
    const AVCodecID codec = stream.codecpar->codec_id;
    const nalunits::Codec units
            = codec == AV_CODEC_ID_HEVC ? nalunits::Codec::Hevc : nalunits::Codec::H264;
    // Matroska marks each block's keyframes itself; a transport stream leaves them to the
    // pictures' bytes.
    const bool matroska = isMatroska(*format.iformat);
    const bool keyframesInBytes = reading == PacketReading::Unparsed && !matroska;
    if ((mpegPictures && reading != PacketReading::Parsed)
        || (keyframesInBytes && codec != AV_CODEC_ID_H264 && codec != AV_CODEC_ID_HEVC))
        return false;
    builder = FrameTableBuilder(slots ? FrameTableBuilder::Clock::Slots
                                        : mpegPictures
                                        ? FrameTableBuilder::Clock::DecodingOrder
                                        : FrameTableBuilder::Clock::PresentationTimes);
    qint64 frameTicks = 0;
    int error = 0;
    // The packet that showed the stream, when one had to be read, comes first.
    bool found = packet->buf != nullptr;
    for (int read = 0;
         std::exchange(found, false) || (error = av_read_frame(&format, packet.get())) >= 0;
         av_packet_unref(packet.get())) {
        // Packets an edit list cuts away are never shown.
        if (packet->stream_index != video || (packet->flags & AV_PKT_FLAG_DISCARD) != 0)
            continue;

        PacketFacts facts;
        if (packet->pts != AV_NOPTS_VALUE)
            facts.pts = packet->pts;
        // Matroska stores no decoding times: the demuxer's stand-ins equal the presentation
        // times where it does not know how far pictures are reordered (HEVC), and would settle
        // frames that B-frames still come before.
        if (packet->dts != AV_NOPTS_VALUE && !matroska)
            facts.dts = packet->dts;
        facts.keyframe = keyframesInBytes
                ? nalunits::startsAtRandomAccess(units, packet->data, size_t(packet->size))
                          .value_or(false)
                : (packet->flags & AV_PKT_FLAG_KEY) != 0;
        if (mpegPictures) {
            if (const auto rate
                = mpegpictures::sequenceFrameRate(packet->data, size_t(packet->size)))
                frameTicks = mpegpictures::frameTicks(*rate, stream.time_base.num,
                                                      stream.time_base.den);
            facts.picture = mpegpictures::pictureType(packet->data, size_t(packet->size));
            facts.frameTicks = frameTicks;
        }
        builder.add(facts);
        if (builder.untimed() || cancelled())
            return false;
        // The first frames are wanted at once, to tie the engine's clock to the table.
        ++read;
        if (read < PacketsPerPublish ? (read & (read - 1)) == 0 : read % PacketsPerPublish == 0)
            progress(builder);
    }
    // A file cut short ends in a read error: what was read up to there is the movie.
    builder.finish();
    return error == AVERROR_EOF || !builder.frames().empty();
}

bool mayReadUnparsed(const AVInputFormat &container)
{
    return qstrcmp(container.name, "mpegts") == 0 || isMatroska(container);
}

bool indexFrameTable(AVFormatContext &format, FrameTableBuilder &builder, ScanFacts &facts)
{
    if (qstrcmp(format.iformat->name, "avi") != 0)
        return false;
    const Packet packet(av_packet_alloc());
    const int video = packet ? findVideoStream(format, *packet) : -1;
    if (video < 0)
        return false;
    AVStream &stream = *format.streams[video];
    const int entries = avformat_index_get_entries_count(&stream);
    const int64_t fileSize = format.pb != nullptr ? avio_size(format.pb) : -1;
    if (entries <= 0 || fileSize <= 0)
        return false;
    facts.timeBase = av_q2d(stream.time_base);
    facts.elementaryStream = false;
    // The index lists each frame's chunk with its slot; empty chunks are left out, as the
    // packets leave them out.
    builder = FrameTableBuilder(FrameTableBuilder::Clock::Slots);
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(&stream, i);
        if (entry == nullptr)
            return false;
        if (entry->pos < 0 || entry->pos + entry->size > fileSize)
            return false;
        PacketFacts frame;
        frame.dts = entry->timestamp;
        frame.keyframe = (entry->flags & AVINDEX_KEYFRAME) != 0;
        builder.add(frame);
        if (builder.untimed())
            return false;
    }
    builder.finish();
    return true;
}

namespace {

bool isAvi(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(12);
    return start.size() == 12 && start.startsWith("RIFF") && start.mid(8) == "AVI ";
}

// The settled frames of the first packets of a movie, read with or without the parser.
std::vector<TableFrame> firstFrames(const QByteArray &path, PacketReading reading,
                                    const std::atomic<bool> &cancelled)
{
    const Format format = openInput(path, &cancelled);
    if (!format)
        return {};
    FrameTableBuilder builder;
    ScanFacts facts;
    int packets = 0;
    const bool whole = scanFrameTable(
            *format, builder, facts, [](const FrameTableBuilder &) {},
            [&] { return ++packets >= AgreementPackets || cancelled; }, reading);
    const std::vector<TableFrame> &frames = builder.frames();
    return {frames.begin(),
            frames.begin() + (whole ? qsizetype(frames.size()) : builder.settled())};
}

// A stream whose packets each hold one whole picture needs no parser, which costs most of the
// reading: the parser walks every byte of every picture. Whether a stream is one is known by
// reading its first frames both ways.
bool needsParser(const QByteArray &path, const std::atomic<bool> &cancelled)
{
    const std::vector<TableFrame> parsed = firstFrames(path, PacketReading::Parsed, cancelled);
    return parsed.empty() || firstFrames(path, PacketReading::Unparsed, cancelled) != parsed;
}

// Opens the movie for the reading asked for and reads its table; false when that way does not
// tell it.
bool readTable(const QByteArray &path, TableReading reading, FrameTableBuilder &builder,
               ScanFacts &facts, const std::function<void(const FrameTableBuilder &)> &progress,
               const std::atomic<bool> &cancelled)
{
    const auto stop = [&] { return cancelled.load(); };
    if (reading != TableReading::Index) {
        Format format = openInput(path, &cancelled);
        PacketReading packets = PacketReading::Parsed;
        if (format && reading == TableReading::Packets && mayReadUnparsed(*format->iformat)
            && !needsParser(path, cancelled)) {
            packets = PacketReading::Unparsed;
            format = openInput(path, &cancelled);
        }
        return format && scanFrameTable(*format, builder, facts, progress, stop, packets);
    }
    if (const Format format = openWithoutSampleBytes(path))
        return scanFrameTable(*format, builder, facts, progress, stop, PacketReading::WithoutBytes);
    if (!isAvi(path))
        return false;
    const Format format = openInput(path, &cancelled);
    return format && indexFrameTable(*format, builder, facts);
}

} // namespace

std::optional<CachedTable> readFrameTable(const QByteArray &path, TableReading reading)
{
    FrameTableBuilder builder;
    ScanFacts facts;
    const std::atomic<bool> never = false;
    if (!readTable(
                path, reading, builder, facts, [](const FrameTableBuilder &) {}, never)
        || builder.frames().empty())
        return std::nullopt;
    return CachedTable {facts.timeBase, facts.elementaryStream || builder.madeUpTimes(),
                        builder.frames()};
}

FrameTable::FrameTable(const QByteArray &path, bool held, TableKeeping *keeping)
    : m_held(held)
    , m_keeping(keeping)
    , m_reader([this, path] { read(path); })
{}

FrameTable::~FrameTable()
{
    {
        const std::lock_guard locker(m_lock);
        m_cancelled = true;
    }
    m_changed.notify_all();
    m_reader.join();
}

void FrameTable::release()
{
    {
        const std::lock_guard locker(m_lock);
        m_held = false;
    }
    m_changed.notify_all();
}

void FrameTable::waitWhileHeld()
{
    std::unique_lock locker(m_lock);
    m_changed.wait(locker, [&] { return !m_held || m_cancelled; });
}

void FrameTable::read(const QByteArray &path)
{
    // The engine opening the same movie on the other core comes first. A held table is read
    // once the movie is open, when a user may be waiting for it: it keeps its priority, which a
    // thread cannot raise again once lowered.
    bool held = false;
    {
        const std::lock_guard locker(m_lock);
        held = m_held;
    }
    if (!held)
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), BackgroundNiceness);
    const std::optional<ContentKey> key = m_keeping ? contentKeyOf(path) : std::nullopt;
    if (key) {
        if (const std::optional<CachedTable> kept = m_keeping->cache.load(*key);
            kept && takeKept(*kept))
            return;
    }
    FrameTableBuilder builder;
    ScanFacts facts;
    const auto takeFacts = [&] {
        const std::lock_guard locker(m_lock);
        m_timeBase = facts.timeBase;
        m_madeUpTimes = m_madeUpTimes || facts.elementaryStream;
    };
    TableReading reading = TableReading::Index;
    const auto progress = [&](const FrameTableBuilder &soFar) {
        takeFacts();
        publish(soFar, false, false);
        // Reading the index alone does not slow the engine's open.
        if (reading == TableReading::Packets && soFar.settled() > 1)
            waitWhileHeld();
    };
    bool read = readTable(path, reading, builder, facts, progress, m_cancelled);
    if (!read && !m_cancelled) {
        reading = TableReading::Packets;
        builder = FrameTableBuilder();
        facts = ScanFacts();
        read = readTable(path, reading, builder, facts, progress, m_cancelled);
    }
    takeFacts();
    // Before the table is handed over: its owner may cancel the reader as soon as it has it.
    const bool whole = read && !m_cancelled;
    publish(builder, true, !read || builder.frames().empty());
    // A table from the index is read again as quickly as a kept one.
    if (key && reading == TableReading::Packets)
        keep(*key, whole);
}

bool FrameTable::takeKept(const CachedTable &kept)
{
    if (kept.frames.empty() || kept.timeBase <= 0)
        return false;
    {
        const std::lock_guard locker(m_lock);
        m_frames = kept.frames;
        m_timeBase = kept.timeBase;
        m_madeUpTimes = kept.madeUpTimes;
        m_done = true;
    }
    m_changed.notify_all();
    return true;
}

void FrameTable::keep(const ContentKey &key, bool complete)
{
    CachedTable table;
    {
        const std::lock_guard locker(m_lock);
        if (!complete || m_unusable || qint64(m_frames.size()) < m_keeping->fromFrames)
            return;
        table = {m_timeBase, m_madeUpTimes, m_frames};
    }
    m_keeping->cache.store(key, table);
}

void FrameTable::publish(const FrameTableBuilder &builder, bool done, bool unusable)
{
    {
        const std::lock_guard locker(m_lock);
        m_unusable = unusable;
        m_madeUpTimes = m_madeUpTimes || builder.madeUpTimes();
        if (unusable) {
            m_frames.clear();
        } else {
            const std::vector<TableFrame> &frames = builder.frames();
            m_frames.insert(m_frames.end(), frames.begin() + qsizetype(m_frames.size()),
                            frames.begin() + builder.settled());
        }
        m_done = done;
    }
    m_changed.notify_all();
}

bool FrameTable::waitFor(qint64 index, std::chrono::milliseconds deadline) const
{
    std::unique_lock locker(m_lock);
    return m_changed.wait_for(locker, deadline,
                              [&] { return m_done || qint64(m_frames.size()) > index; });
}

bool FrameTable::waitUntilComplete(std::chrono::milliseconds deadline) const
{
    std::unique_lock locker(m_lock);
    return m_changed.wait_for(locker, deadline, [&] { return m_done; });
}

bool FrameTable::isComplete() const
{
    const std::lock_guard locker(m_lock);
    return m_done && !m_unusable;
}

bool FrameTable::isUnusable() const
{
    const std::lock_guard locker(m_lock);
    return m_unusable;
}

bool FrameTable::hasMadeUpTimes() const
{
    const std::lock_guard locker(m_lock);
    return m_madeUpTimes;
}

qint64 FrameTable::size() const
{
    const std::lock_guard locker(m_lock);
    return qint64(m_frames.size());
}

std::vector<TableFrame> FrameTable::frames() const
{
    const std::lock_guard locker(m_lock);
    return m_frames;
}

double FrameTable::time(qint64 index) const
{
    const std::lock_guard locker(m_lock);
    return double(m_frames.at(size_t(index)).time) * m_timeBase;
}

bool FrameTable::isRepeat(qint64 index) const
{
    const std::lock_guard locker(m_lock);
    return m_frames.at(size_t(index)).repeat;
}

qint64 FrameTable::keyframeBefore(qint64 index) const
{
    const std::lock_guard locker(m_lock);
    for (qint64 frame = std::min(index, qint64(m_frames.size()) - 1); frame > 0; --frame) {
        if (m_frames[size_t(frame)].keyframe)
            return frame;
    }
    return 0;
}

qint64 FrameTable::indexAt(double seconds) const
{
    const std::lock_guard locker(m_lock);
    const auto first = std::partition_point(m_frames.begin(), m_frames.end(), [&](const auto &f) {
        return double(f.time) * m_timeBase < seconds - SameTime;
    });
    if (first != m_frames.end() && double(first->time) * m_timeBase <= seconds + SameTime)
        return first - m_frames.begin();
    return (first - m_frames.begin()) - 1;
}

} // namespace media
