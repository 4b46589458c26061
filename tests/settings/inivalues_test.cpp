#include "settings/inivalues.h"
#include "support/printers.h"

#include <gtest/gtest.h>

#include <limits>

using settings::blankTokens;
using settings::toInteger;

TEST(IniValues, IntegerTexts)
{
    const struct
    {
        QByteArray text;
        std::optional<qint32> value;
    } cases[] = {
            {"0", 0},
            {"12", 12},
            {" 12", 12},
            {"\t-3", -3},
            {" \t 5", 5},
            {"+7", 7},
            {"007", 7},
            {"$1F", 31},
            {"0x1f", 31},
            {"0X1F", 31},
            {"-$10", -16},
            {"+0x10", 16},
            {"$FFFFFFFF", -1},
            {"0x80000000", std::numeric_limits<qint32>::min()},
            {"$000000001", 1}, // leading zeros are not significant
            {"$100000000", std::nullopt},
            {"2147483647", std::numeric_limits<qint32>::max()},
            {"2147483648", std::nullopt},
            {"-2147483648", std::numeric_limits<qint32>::min()},
            {"-2147483649", std::nullopt},
            {"99999999999999999999", std::nullopt},
            {"12 ", std::nullopt},
            {"1 2", std::nullopt},
            {"- 3", std::nullopt},
            {"--3", std::nullopt},
            {"", std::nullopt},
            {" ", std::nullopt},
            {"-", std::nullopt},
            {"$", std::nullopt},
            {"0x", std::nullopt},
            {"-0x", std::nullopt},
            {"$0x1", std::nullopt},
            {"$1G", std::nullopt},
            {"abc", std::nullopt},
            {"1.5", std::nullopt},
            {"12\r", std::nullopt},
            {QByteArray("12\0", 3), std::nullopt},
            {"\xd9\xa1\xd9\xa2", std::nullopt}, // Arabic-Indic digits one and two
    };
    for (const auto &c : cases)
        EXPECT_EQ(toInteger(c.text), c.value) << '"' << c.text.toStdString() << '"';
}

TEST(IniValues, BlankTokens)
{
    const QByteArray longValue
            = QByteArray(290, 'a') + " bbbbbbbbb cccccccccc" + QByteArray(90, 'd');
    const struct
    {
        const char *what;
        QByteArray text;
        QList<QByteArray> tokens;
    } cases[] = {
            {"two", "1 8", {"1", "8"}},
            {"runs of blanks", "  0   0 0 0 ", {"0", "0", "0", "0"}},
            {"empty", "", {}},
            {"only blanks", "   ", {}},
            {"tabs are no separators", "1\t2 3\t", {"1\t2", "3\t"}},
            {"zero byte ends the text", QByteArray("1 2\0 3", 6), {"1", "2"}},
            {"cut at 299 bytes", longValue, {QByteArray(290, 'a'), "bbbbbbbb"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(blankTokens(c.text), c.tokens) << c.what;
}

TEST(IniValues, Formatting)
{
    EXPECT_EQ(settings::decimal(0), "0");
    EXPECT_EQ(settings::decimal(-42), "-42");
    EXPECT_EQ(settings::decimal(std::numeric_limits<qint32>::min()), "-2147483648");
    EXPECT_EQ(settings::formatIntegers({}), "");
    EXPECT_EQ(settings::formatIntegers({1, 8}), "1 8");
    EXPECT_EQ(settings::formatIntegers({0, -1, 640, 480}), "0 -1 640 480");
    for (qint32 value : {0, 7, -16, std::numeric_limits<qint32>::max()})
        EXPECT_EQ(toInteger(settings::decimal(value)), value);
}
