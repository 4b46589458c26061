#include "app/handoffblock.h"
#include "support/printers.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

using handoff::makeBlock;
using handoff::readBlock;

namespace {

QByteArray header(quint32 listOffset, quint32 wide = 0)
{
    QByteArray bytes(20, '\0');
    qToLittleEndian(listOffset, bytes.data());
    qToLittleEndian<quint32>(10, bytes.data() + 4);
    qToLittleEndian<quint32>(10, bytes.data() + 8);
    qToLittleEndian(wide, bytes.data() + 16);
    return bytes;
}

} // namespace

TEST(HandOffBlock, HasTheDropFilesLayout)
{
    const QByteArray block = makeBlock({"/a b", "/c"});
    QByteArray expected = header(20);
    expected.append("/a b\0/c\0\0", 9);
    EXPECT_EQ(block, expected);
    EXPECT_EQ(block.size(), 21 + 5 + 3);
}

TEST(HandOffBlock, CarriesNamesWholeAndInOrder)
{
    const QList<QByteArray> names = {
            "/movies/with blank.avi",
            "/movies/\xe5\x8b\x95\xe7\x94\xbb.mpg", // UTF-8 Japanese
            "/movies/\x93\xae\x89\xe6.avi", // Shift-JIS bytes, not UTF-8
            "/movies/\"quoted\"\nnewline.mov",
            "/" + QByteArray(300, 'x'), // longer than the old 254-byte cut
            "/" + QByteArray(4000, 'y'),
    };
    EXPECT_EQ(readBlock(makeBlock(names)), names);
}

TEST(HandOffBlock, AnEmptyListIsValid)
{
    const auto names = readBlock(makeBlock({}));
    ASSERT_TRUE(names.has_value());
    EXPECT_TRUE(names->isEmpty());
}

TEST(HandOffBlock, EmptyNamesAreLeftOutRatherThanEndingTheList)
{
    EXPECT_EQ(readBlock(makeBlock({"/a", "", "/b"})), (QList<QByteArray> {"/a", "/b"}));
}

TEST(HandOffBlock, ReadsWideNames)
{
    QByteArray block = header(20, 1);
    for (const QString &name : {QStringLiteral("/動画.avi"), QStringLiteral("/b")}) {
        for (QChar c : name) {
            char unit[2];
            qToLittleEndian<quint16>(c.unicode(), unit);
            block.append(unit, 2);
        }
        block.append(2, '\0');
    }
    block.append(2, '\0');
    EXPECT_EQ(readBlock(block),
              (QList<QByteArray> {QFile::encodeName(QStringLiteral("/動画.avi")), "/b"}));
}

TEST(HandOffBlock, HonoursTheListOffset)
{
    QByteArray block = header(24);
    block.append("pad!/a\0\0", 8);
    EXPECT_EQ(readBlock(block), (QList<QByteArray> {"/a"}));
}

TEST(HandOffBlock, MalformedBlocksAreDroppedWhole)
{
    const QByteArray good = makeBlock({"/a", "/b"});
    QByteArray noFinalZero = good;
    noFinalZero.chop(1);
    QByteArray noTerminators = header(20);
    noTerminators.append("/a");
    QByteArray wideOdd = header(20, 1);
    wideOdd.append("a\0b", 3);
    QByteArray oversized = makeBlock({QByteArray(handoff::MaxBlockSize, 'z')});

    const struct
    {
        const char *what;
        QByteArray block;
    } cases[] = {
            {"empty", {}},
            {"header cut short", good.left(12)},
            {"header only", good.left(20)},
            {"last name cut", good.left(23)},
            {"final zero missing", noFinalZero},
            {"no terminators at all", noTerminators},
            {"offset beyond the block", header(4096) + QByteArray("/a\0\0", 4)},
            {"offset at the end", header(24) + QByteArray("/a\0\0", 4)},
            {"offset inside the header", header(8) + QByteArray("/a\0\0", 4)},
            {"offset huge", header(0xFFFFFFFF) + QByteArray("/a\0\0", 4)},
            {"wide names without terminator", wideOdd},
            {"oversized", oversized},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(readBlock(c.block).has_value()) << c.what;
}
