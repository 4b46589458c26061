#include "support/fieldavi.h"

#include <QFile>
#include <QtEndian>

#include <stdexcept>

namespace {

constexpr quint32 AviHasIndex = 0x10;
constexpr quint32 IndexKeyframe = 0x10;

class Riff
{
public:
    void fourcc(const char *code) { m_bytes.append(code, 4); }
    void u32(quint32 value)
    {
        char bytes[4];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, 4);
    }
    void u16(quint16 value)
    {
        char bytes[2];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, 2);
    }
    // Opens a chunk, or a list when list is given; close() fills in its size.
    void open(const char *code, const char *list = nullptr)
    {
        fourcc(code);
        m_open.append(m_bytes.size());
        u32(0);
        if (list != nullptr)
            fourcc(list);
    }
    void close()
    {
        const qsizetype at = m_open.takeLast();
        qToLittleEndian(quint32(m_bytes.size() - at - 4), m_bytes.data() + at);
        if (m_bytes.size() % 2 != 0)
            m_bytes.append('\0');
    }
    void append(const QByteArray &bytes) { m_bytes.append(bytes); }
    qsizetype size() const { return m_bytes.size(); }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    QList<qsizetype> m_open;
};

} // namespace

void writeFieldMjpegAvi(const QString &path, const QList<QByteArray> &fields, QSize frameSize,
                        int fps)
{
    const quint32 frames = quint32(fields.size() / 2);
    const quint32 width = quint32(frameSize.width());
    const quint32 height = quint32(frameSize.height());
    Riff avi;
    avi.open("RIFF", "AVI ");
    avi.open("LIST", "hdrl");
    avi.open("avih");
    for (quint32 value : {1'000'000u / quint32(fps), 0u, 0u, AviHasIndex, frames, 0u, 1u, 0u, width,
                          height, 0u, 0u, 0u, 0u})
        avi.u32(value);
    avi.close();
    avi.open("LIST", "strl");
    avi.open("strh");
    avi.fourcc("vids");
    avi.fourcc("MJPG");
    for (quint32 value : {0u, 0u, 0u, 1u, quint32(fps), 0u, frames, 0u, 0xFFFFFFFFu, 0u})
        avi.u32(value);
    for (quint16 value : {quint16(0), quint16(0), quint16(width), quint16(height)})
        avi.u16(value);
    avi.close();
    avi.open("strf");
    avi.u32(40);
    avi.u32(width);
    avi.u32(height);
    avi.u16(1);
    avi.u16(24);
    avi.fourcc("MJPG");
    for (quint32 value : {width * height * 3, 0u, 0u, 0u, 0u})
        avi.u32(value);
    avi.close();
    avi.close();
    avi.close();

    avi.open("LIST", "movi");
    const qsizetype movi = avi.size() - 4;
    QList<std::pair<quint32, quint32>> index;
    for (quint32 frame = 0; frame < frames; ++frame) {
        const QByteArray chunk = fields.at(2 * frame) + fields.at(2 * frame + 1);
        index.append({quint32(avi.size() - movi), quint32(chunk.size())});
        avi.open("00dc");
        avi.append(chunk);
        avi.close();
    }
    avi.close();
    avi.open("idx1");
    for (const auto &[offset, size] : index) {
        avi.fourcc("00dc");
        avi.u32(IndexKeyframe);
        avi.u32(offset);
        avi.u32(size);
    }
    avi.close();
    avi.close();

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(avi.bytes()) != avi.bytes().size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QList<QByteArray> splitJpegStream(const QByteArray &stream)
{
    // A start-of-image marker followed by another marker never occurs inside a JPEG's data,
    // where every 0xFF byte is followed by 0x00.
    static const QByteArray start("\xFF\xD8\xFF", 3);
    QList<QByteArray> pictures;
    qsizetype at = stream.indexOf(start);
    while (at >= 0) {
        const qsizetype next = stream.indexOf(start, at + 1);
        pictures.append(stream.mid(at, next < 0 ? -1 : next - at));
        at = next;
    }
    return pictures;
}
