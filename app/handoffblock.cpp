#include "app/handoffblock.h"

#include <QFile>
#include <QString>
#include <QtEndian>

namespace handoff {
namespace {

void appendUInt32(QByteArray &block, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    block.append(bytes, sizeof bytes);
}

quint32 readUInt32(QByteArrayView block, qsizetype offset)
{
    return qFromLittleEndian<quint32>(block.data() + offset);
}

std::optional<QList<QByteArray>> readNarrowNames(QByteArrayView list)
{
    QList<QByteArray> names;
    qsizetype pos = 0;
    while (pos < list.size() && list[pos] != '\0') {
        const qsizetype end = list.indexOf('\0', pos);
        if (end < 0)
            return std::nullopt;
        names << list.sliced(pos, end - pos).toByteArray();
        pos = end + 1;
    }
    if (pos >= list.size())
        return std::nullopt;
    return names;
}

std::optional<QList<QByteArray>> readWideNames(QByteArrayView list)
{
    QList<QByteArray> names;
    QString name;
    for (qsizetype pos = 0; pos + 1 < list.size(); pos += 2) {
        const char16_t unit = qFromLittleEndian<quint16>(list.data() + pos);
        if (unit != 0) {
            name.append(QChar(unit));
            continue;
        }
        if (name.isEmpty())
            return names;
        names << QFile::encodeName(name);
        name.clear();
    }
    return std::nullopt;
}

} // namespace

QByteArray makeBlock(const QList<QByteArray> &names)
{
    QByteArray block;
    appendUInt32(block, HeaderSize);
    appendUInt32(block, 10);
    appendUInt32(block, 10);
    appendUInt32(block, 0);
    appendUInt32(block, 0);
    for (const QByteArray &name : names) {
        if (name.isEmpty())
            continue;
        block.append(name);
        block.append('\0');
    }
    block.append('\0');
    return block;
}

std::optional<QList<QByteArray>> readBlock(QByteArrayView block)
{
    if (block.size() < HeaderSize + 1 || block.size() > MaxBlockSize)
        return std::nullopt;
    const quint32 listOffset = readUInt32(block, 0);
    if (listOffset < HeaderSize || listOffset >= quint32(block.size()))
        return std::nullopt;
    const QByteArrayView list = block.sliced(listOffset);
    return readUInt32(block, 16) != 0 ? readWideNames(list) : readNarrowNames(list);
}

} // namespace handoff
