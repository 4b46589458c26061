#include "display/modeinventory.h"
#include "settings/settingsrules.h"
#include "support/printers.h"

#include <QList>

#include <gtest/gtest.h>

TEST(SettingsRules, PixelIndex)
{
    const std::pair<QByteArray, int> cases[] = {
            {"0", 0}, {"1", 1}, {"2", 2},  {"7", 2},  {"-1", 1}, {"-3", 1},
            {"", 1},  {"x", 1}, {" 2", 2}, {"$2", 2}, {"02", 2}, {"2 ", 1},
    };
    for (const auto &[text, index] : cases)
        EXPECT_EQ(settings::pixelIndex(text), index) << '"' << text.constData() << '"';
}

TEST(SettingsRules, ReadAheadTokens)
{
    const struct
    {
        QByteArray text;
        bool speed1;
        QByteArray size1;
        bool speed2;
        QByteArray size2;
    } cases[] = {
            {"0 0 0 0", false, "0", false, "0"},
            {"1 8", true, "8", false, ""},
            {"1 8 1 50 extra", true, "8", true, "50"},
            {"  1   20  1 x", true, "20", true, "x"},
            {"", false, "", false, ""},
            {"01 5 1", false, "5", true, ""},
    };
    for (const auto &c : cases) {
        const settings::ReadAhead r = settings::readAhead(c.text);
        EXPECT_EQ(r.speed1, c.speed1) << c.text.constData();
        EXPECT_EQ(r.speed1Size, c.size1) << c.text.constData();
        EXPECT_EQ(r.speed2, c.speed2) << c.text.constData();
        EXPECT_EQ(r.speed2Size, c.size2) << c.text.constData();
    }
}

TEST(SettingsRules, WindowPosition)
{
    const QPoint current(100, 200);
    const QSize screen(1024, 768);
    const struct
    {
        QByteArray text;
        std::optional<QPoint> position;
    } cases[] = {
            {"", std::nullopt},        {"10 20", QPoint(10, 20)},     {"-20 -20", QPoint(-20, -20)},
            {"5000 10", std::nullopt}, {"973 717", QPoint(973, 717)}, {"974 10", std::nullopt},
            {"10 718", std::nullopt},  {"30", QPoint(30, 200)},       {"x 40", QPoint(100, 40)},
            {"   ", QPoint(100, 200)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(settings::windowPosition(c.text, current, screen), c.position)
                << '"' << c.text.constData() << '"';
}

TEST(SettingsRules, SingleLine)
{
    EXPECT_EQ(settings::singleLine("/movies/"), "/movies/");
    EXPECT_EQ(settings::singleLine("/a\nb/"), "/a");
    EXPECT_EQ(settings::singleLine("/a\rb/"), "/a");
    EXPECT_EQ(settings::singleLine(QByteArray("/a\0b", 4)), "/a");
    EXPECT_EQ(settings::singleLine(""), "");
}

TEST(SettingsRules, WriteErrorNamesTheFile)
{
    EXPECT_EQ(QString::fromUtf8(settings::WriteError(QStringLiteral("/ro/VelmoMP.ini")).what()),
              QStringLiteral("/ro/VelmoMP.ini に書き込めません"));
}

TEST(ModeInventory, BitsFromReportedModes)
{
    const struct
    {
        QList<display::ModeDescription> modes;
        qint32 mask;
    } cases[] = {
            {{}, 0},
            {{{320, 240, 16},
              {320, 240, 24},
              {320, 240, 32},
              {640, 480, 16},
              {640, 480, 24},
              {640, 480, 32}},
             0x77},
            {{{640, 480, 16}, {640, 480, 16}, {640, 480, 24}}, 48},
            {{{320, 240, 8}, {800, 600, 32}, {640, 400, 32}, {320, 200, 16}}, 0},
            {{{320, 240, 32}, {1024, 768, 32}}, 4},
    };
    for (const auto &c : cases) {
        qint32 mask = 0;
        for (const auto &mode : c.modes)
            EXPECT_EQ(display::ModeInventoryCallback(mode, mask), display::EnumResult::Ok);
        EXPECT_EQ(mask, c.mask);
    }
}
