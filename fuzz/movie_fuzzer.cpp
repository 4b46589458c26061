// A movie file with arbitrary content, as the player reads it with its own code before the engine
// plays it: the frame table from its packets or from its index (MP4 and QuickTime boxes read
// without their samples, AVI's idx1) and the time of its last frame. The bytes are read from
// memory, so that a run takes no file system time.
#include "fuzz/fuzzcheck.h"
#include "media/avformatinput.h"
#include "media/frametable.h"
#include "media/lastframe.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr int BufferSize = 4096;

struct MemoryFile
{
    const uint8_t *data;
    int64_t size;
    int64_t position = 0;
};

int readMemory(void *opaque, uint8_t *buffer, int wanted)
{
    auto &file = *static_cast<MemoryFile *>(opaque);
    const int64_t count = std::min<int64_t>(wanted, file.size - file.position);
    if (count <= 0)
        return AVERROR_EOF;
    std::memcpy(buffer, file.data + file.position, size_t(count));
    file.position += count;
    return int(count);
}

int64_t seekMemory(void *opaque, int64_t offset, int whence)
{
    auto &file = *static_cast<MemoryFile *>(opaque);
    if ((whence & AVSEEK_SIZE) != 0)
        return file.size;
    int64_t position = offset;
    if ((whence & ~AVSEEK_FORCE) == SEEK_CUR)
        position += file.position;
    else if ((whence & ~AVSEEK_FORCE) == SEEK_END)
        position += file.size;
    if (position < 0 || position > file.size)
        return AVERROR(EINVAL);
    file.position = position;
    return position;
}

// The container read from the bytes, with the reader it reads through.
class MemoryInput
{
public:
    // The container's format, when it is known, spares probing the bytes again.
    MemoryInput(const uint8_t *data, size_t size, const AVInputFormat *known = nullptr)
        : m_file {data, int64_t(size)}
    {
        auto *buffer = static_cast<uint8_t *>(av_malloc(BufferSize));
        m_io = avio_alloc_context(buffer, BufferSize, 0, &m_file, readMemory, nullptr, seekMemory);
        if (m_io == nullptr) {
            av_free(buffer);
            return;
        }
        m_format = avformat_alloc_context();
        if (m_format == nullptr)
            return;
        m_format->pb = m_io;
        m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
        // Named as the player names a movie, with the file protocol: libavformat widens the
        // reading buffer of an indexed container, up to 16 MiB, only for other protocols.
        // Fails with the context freed.
        if (avformat_open_input(&m_format, "file:movie", known, nullptr) < 0)
            m_format = nullptr;
    }
    ~MemoryInput()
    {
        avformat_close_input(&m_format);
        if (m_io != nullptr)
            av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    MemoryInput(const MemoryInput &) = delete;
    MemoryInput &operator=(const MemoryInput &) = delete;

    AVFormatContext *format() const { return m_format; }

private:
    MemoryFile m_file;
    AVIOContext *m_io = nullptr;
    AVFormatContext *m_format = nullptr;
};

// A file in memory holding the bytes, for readers that take a descriptor; -1 if none can be made.
int memoryFile(const uint8_t *data, size_t size)
{
    const int fd = ::memfd_create("movie", MFD_CLOEXEC);
    for (size_t written = 0; fd >= 0 && written < size;) {
        const ssize_t count = ::write(fd, data + written, size - written);
        if (count <= 0) {
            ::close(fd);
            return -1;
        }
        written += size_t(count);
    }
    return fd;
}

void checkTable(const media::FrameTableBuilder &table)
{
    FUZZ_CHECK(table.settled() >= 0 && table.settled() <= qsizetype(table.frames().size()));
    const auto &frames = table.frames();
    FUZZ_CHECK(std::is_sorted(frames.begin(), frames.end(),
                              [](const auto &a, const auto &b) { return a.time < b.time; }));
}

// Reads the whole table the given way and checks it where the reading tells one.
void scanAndCheck(AVFormatContext &format, media::PacketReading reading)
{
    media::FrameTableBuilder table;
    media::ScanFacts facts;
    if (media::scanFrameTable(
                format, table, facts, [](const media::FrameTableBuilder &) {}, [] { return false; },
                reading))
        checkTable(table);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    av_log_set_level(AV_LOG_QUIET);
    // As in the player.
    media::limitAllocations();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const AVInputFormat *container = nullptr;
    {
        const MemoryInput input(data, size);
        if (input.format() != nullptr) {
            container = input.format()->iformat;
            media::FrameTableBuilder table;
            media::ScanFacts facts;
            qsizetype settled = 0;
            const bool read = media::scanFrameTable(
                    *input.format(), table, facts,
                    [&](const media::FrameTableBuilder &progress) {
                        // Settled frames are final: never fewer, never moved.
                        FUZZ_CHECK(progress.settled() >= settled);
                        settled = progress.settled();
                        checkTable(progress);
                    },
                    [] { return false; });
            if (read)
                checkTable(table);
        }
    }
    // Checked on any bytes, as the player tries every movie's boxes first.
    if (const int fd = memoryFile(data, size); fd >= 0) {
        if (const media::Format boxes = media::openWithoutSampleBytes(fd))
            scanAndCheck(*boxes, media::PacketReading::WithoutBytes);
    }
    if (container == nullptr)
        return 0;
    // Transport streams and Matroska are also read unparsed, their keyframes found in the
    // pictures' bytes or as the blocks mark them.
    if (media::mayReadUnparsed(*container)) {
        const MemoryInput unparsed(data, size, container);
        if (unparsed.format() != nullptr)
            scanAndCheck(*unparsed.format(), media::PacketReading::Unparsed);
    }
    if (qstrcmp(container->name, "avi") == 0) {
        const MemoryInput indexed(data, size, container);
        media::FrameTableBuilder table;
        media::ScanFacts facts;
        if (indexed.format() != nullptr && media::indexFrameTable(*indexed.format(), table, facts))
            checkTable(table);
    }
    const MemoryInput input(data, size, container);
    if (input.format() != nullptr)
        media::findLastFrameTime(*input.format());
    return 0;
}
