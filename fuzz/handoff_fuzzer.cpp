// The hand-off block with arbitrary content, as another start of the player or a file manager
// could send it; and the input's zero-separated parts carried as names in a narrow and in a
// wide block.
#include "app/handoffblock.h"
#include "fuzz/fuzzcheck.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

void appendUInt32(QByteArray &block, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    block.append(bytes, sizeof bytes);
}

// The block a program using wide characters drops: UTF-16 names, each ended by a zero unit.
QByteArray wideBlock(const QList<QString> &names)
{
    QByteArray block;
    for (const quint32 field : {quint32(handoff::HeaderSize), 10u, 10u, 0u, 1u})
        appendUInt32(block, field);
    for (const QString &name : names) {
        for (const QChar c : name) {
            char unit[2];
            qToLittleEndian(c.unicode(), unit);
            block.append(unit, sizeof unit);
        }
        block.append(2, '\0');
    }
    block.append(2, '\0');
    return block;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A view of libFuzzer's own buffer, so that AddressSanitizer catches a read past its end.
    const QByteArrayView input(data, qsizetype(size));

    // Whatever a block gives are names that a new block carries unchanged.
    if (const auto names = handoff::readBlock(input)) {
        for (const QByteArray &name : *names)
            FUZZ_CHECK(!name.isEmpty() && !name.contains('\0'));
        FUZZ_CHECK(handoff::readBlock(handoff::makeBlock(*names)) == names);
    }

    const QList<QByteArray> parts = input.toByteArray().split('\0');
    QList<QByteArray> names;
    QList<QString> wideNames;
    QList<QByteArray> wideNamesAsFileNames;
    qsizetype nameBytes = 0;
    for (const QByteArray &part : parts) {
        if (part.isEmpty())
            continue;
        names << part;
        nameBytes += part.size() + 1;
        wideNames << QString::fromUtf8(part);
        wideNamesAsFileNames << QFile::encodeName(wideNames.last());
    }
    const QByteArray block = handoff::makeBlock(parts);
    FUZZ_CHECK(block.size() == handoff::HeaderSize + nameBytes + 1);
    FUZZ_CHECK(handoff::readBlock(block) == names);
    FUZZ_CHECK(handoff::readBlock(wideBlock(wideNames)) == wideNamesAsFileNames);
    return 0;
}
