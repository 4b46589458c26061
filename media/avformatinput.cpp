#include "media/avformatinput.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QtEndian>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace media {
namespace {

// Video packets a program stream may need before its video stream shows up.
constexpr int MaxPacketsToFindVideo = 1000;
// Reads through the sample-free input go straight into the packet whenever they are larger than
// this: the packet's bytes are then never copied.
constexpr int SampleFreeBufferBytes = 4096;
// A fragmented movie has two boxes per fragment: even one fragment a frame for two hours of 60
// frames a second stays below this.
constexpr int MaxTopLevelBoxes = 1'000'000;

// A file whose media data boxes are not read.
struct SampleFreeFile
{
    int fd = -1;
    qint64 size = 0;
    qint64 position = 0;
    // The media data boxes' contents, as [start, end) in file order.
    std::vector<std::pair<qint64, qint64>> samples;

    ~SampleFreeFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool readAt(int fd, void *into, size_t size, qint64 offset)
{
    const ssize_t got = ::pread(fd, into, size, off_t(offset));
    return got == ssize_t(size);
}

// The contents of the file's media data boxes, from its top-level boxes; false when the file is
// not made of ISO base media boxes with a movie box among them.
bool findSampleRanges(SampleFreeFile &file)
{
    bool movie = false;
    qint64 at = 0;
    for (int boxes = 0; at + 8 <= file.size && boxes < MaxTopLevelBoxes; ++boxes) {
        uchar header[16];
        if (!readAt(file.fd, header, 8, at))
            return false;
        qint64 size = qFromBigEndian<quint32>(header);
        const QByteArrayView type(reinterpret_cast<const char *>(header + 4), 4);
        qint64 headerBytes = 8;
        if (size == 1) {
            if (!readAt(file.fd, header + 8, 8, at + 8))
                return false;
            size = qint64(qFromBigEndian<quint64>(header + 8));
            headerBytes = 16;
        } else if (size == 0) {
            size = file.size - at;
        }
        if (size < headerBytes || size > file.size - at) {
            // A box cut short by the end of the file still holds samples up to there.
            if (type == "mdat" && size >= headerBytes)
                file.samples.emplace_back(at + headerBytes, file.size);
            break;
        }
        if (boxes == 0 && type != "ftyp" && type != "moov" && type != "mdat" && type != "free"
            && type != "skip" && type != "wide")
            return false;
        movie = movie || type == "moov";
        if (type == "mdat")
            file.samples.emplace_back(at + headerBytes, at + size);
        at += size;
    }
    return movie;
}

int readSampleFree(void *opaque, uint8_t *buffer, int size)
{
    auto &file = *static_cast<SampleFreeFile *>(opaque);
    if (file.position >= file.size)
        return AVERROR_EOF;
    qint64 end = std::min(file.position + size, file.size);
    // The first media data box that ends after the position.
    const auto box
            = std::upper_bound(file.samples.begin(), file.samples.end(), file.position,
                               [](qint64 at, const auto &range) { return at < range.second; });
    if (box != file.samples.end() && box->first <= file.position) {
        const qint64 skipped = std::min(end, box->second) - file.position;
        file.position += skipped;
        return int(skipped);
    }
    if (box != file.samples.end())
        end = std::min(end, box->first);
    ssize_t got;
    do {
        got = ::pread(file.fd, buffer, size_t(end - file.position), off_t(file.position));
    } while (got < 0 && errno == EINTR);
    if (got <= 0)
        return got == 0 ? AVERROR_EOF : AVERROR(errno);
    file.position += got;
    return int(got);
}

int64_t seekSampleFree(void *opaque, int64_t offset, int whence)
{
    auto &file = *static_cast<SampleFreeFile *>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return file.size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += file.position;
        break;
    case SEEK_END:
        offset += file.size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    file.position = offset;
    return offset;
}

int videoStreamOf(const AVFormatContext &format)
{
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream &stream = *format.streams[i];
        if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) == 0)
            return int(i);
    }
    return -1;
}

} // namespace

void FormatCloser::operator()(AVFormatContext *format) const
{
    // An input of the player's own: the container is closed before what it reads from.
    AVIOContext *input = format != nullptr && (format->flags & AVFMT_FLAG_CUSTOM_IO) != 0
            ? format->pb
            : nullptr;
    avformat_close_input(&format);
    if (input != nullptr) {
        delete static_cast<SampleFreeFile *>(input->opaque);
        av_freep(&input->buffer);
        avio_context_free(&input);
    }
}

void PacketFreer::operator()(AVPacket *packet) const
{
    av_packet_free(&packet);
}

void limitAllocations()
{
    av_max_alloc(MaxAllocationBytes);
}

Format openInput(const QByteArray &path, const std::atomic<bool> *cancelled)
{
    AVFormatContext *opened = avformat_alloc_context();
    if (opened == nullptr)
        return nullptr;
    if (cancelled != nullptr) {
        opened->interrupt_callback.callback = [](void *flag) {
            return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0;
        };
        opened->interrupt_callback.opaque = const_cast<std::atomic<bool> *>(cancelled);
    }
    // The protocol prefix keeps a colon in the name from being taken for another protocol.
    if (avformat_open_input(&opened, ("file:" + path).constData(), nullptr, nullptr) < 0)
        return nullptr;
    return Format(opened);
}

Format openWithoutSampleBytes(const QByteArray &path)
{
    return openWithoutSampleBytes(::open(path.constData(), O_RDONLY | O_CLOEXEC));
}

Format openWithoutSampleBytes(int fd)
{
    auto file = std::make_unique<SampleFreeFile>();
    file->fd = fd;
    struct stat info
    {};
    if (file->fd < 0 || ::fstat(file->fd, &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    file->size = info.st_size;
    if (!findSampleRanges(*file))
        return nullptr;
    auto *buffer = static_cast<unsigned char *>(av_malloc(SampleFreeBufferBytes));
    AVIOContext *input = buffer != nullptr
            ? avio_alloc_context(buffer, SampleFreeBufferBytes, 0, file.get(), readSampleFree,
                                 nullptr, seekSampleFree)
            : nullptr;
    AVFormatContext *opened = input != nullptr ? avformat_alloc_context() : nullptr;
    if (opened == nullptr) {
        if (input != nullptr)
            avio_context_free(&input);
        av_free(buffer);
        return nullptr;
    }
    file.release();
    opened->pb = input;
    opened->flags |= AVFMT_FLAG_CUSTOM_IO;
    const AVInputFormat *mov = av_find_input_format("mov");
    // The name serves only messages: everything is read through the input above.
    if (mov == nullptr || avformat_open_input(&opened, "movie", mov, nullptr) < 0) {
        // The container was freed; what it read from was not.
        delete static_cast<SampleFreeFile *>(input->opaque);
        av_freep(&input->buffer);
        avio_context_free(&input);
        return nullptr;
    }
    return Format(opened);
}

int findVideoStream(AVFormatContext &format, AVPacket &packet)
{
    int video = videoStreamOf(format);
    for (int read = 0; video < 0 && read < MaxPacketsToFindVideo; ++read) {
        av_packet_unref(&packet);
        if (av_read_frame(&format, &packet) < 0)
            return -1;
        video = videoStreamOf(format);
    }
    // The packet that made the stream appear is its first: it stays for the caller.
    if (video < 0 || packet.stream_index != video)
        av_packet_unref(&packet);
    return video;
}

} // namespace media
