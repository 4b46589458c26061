#include "media/framecache.h"
#include "media/framemath.h"
#include "media/frametablebuilder.h"
#include "media/nalunits.h"
#include "media/upright.h"
#include "support/printers.h"

#include <QTransform>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace framemath;

TEST(FrameMath, SnapsTheContainerRate)
{
    const double ntsc24 = 24000.0 / 1001.0, ntsc30 = 30000.0 / 1001.0, ntsc60 = 60000.0 / 1001.0;
    const struct
    {
        double container;
        double snapped;
    } cases[] = {
            {29.97, ntsc30},
            {29.9701, ntsc30},
            {29.966, ntsc30},
            {29.974, ntsc30},
            {23.976, ntsc24},
            {23.98, ntsc24},
            {59.94, ntsc60},
            {25.0, 25.0},
            {24.998, 25.0},
            {30.004, 30.0},
            {29.996, 30.0},
            {29.96, 29.96},
            {12.5, 12.5},
            {15.2, 15.2},
            {0.0, 0.0},
            {-25.0, 0.0},
            {std::numeric_limits<double>::quiet_NaN(), 0.0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(snapFrameRate(c.container), c.snapped) << "container rate " << c.container;
}

TEST(FrameMath, SeekTimeAndFrameAt)
{
    EXPECT_EQ(seekTime(0, 0.5, 25), 0.5);
    EXPECT_EQ(seekTime(-3, 0.5, 25), 0.5);
    EXPECT_DOUBLE_EQ(seekTime(1, 0, 25), 0.02);
    EXPECT_DOUBLE_EQ(seekTime(10, 0.5, 25), 0.88);

    EXPECT_EQ(frameAt(0.5, 0.5, 25), 0);
    EXPECT_EQ(frameAt(0.519, 0.5, 25), 0);
    EXPECT_EQ(frameAt(0.521, 0.5, 25), 1);
    EXPECT_EQ(frameAt(0.9, 0.5, 25), 10);
    EXPECT_EQ(frameAt(0.4, 0.5, 25), -2);
}

// Seeking aims half a frame early; the engine shows the first frame at or after the aim, give
// or take a few milliseconds of its own rounding, and that must be the frame asked for.
TEST(FrameMath, FrameTimesRoundTrip)
{
    const double slack = 0.004;
    for (double fps : {25.0, 30000.0 / 1001.0, 24000.0 / 1001.0, 30.0}) {
        for (double t0 : {0.0, 0.5, 1.0335}) {
            const auto timeOf = [&](qint64 frame) { return t0 + double(frame) / fps; };
            for (qint64 n = 0; n <= 1000; ++n) {
                SCOPED_TRACE(testing::Message()
                             << "fps " << fps << ", t0 " << t0 << ", frame " << n);
                ASSERT_EQ(frameAt(timeOf(n), t0, fps), n);
                const double aim = seekTime(n, t0, fps);
                const qint64 atAim = frameAt(aim, t0, fps);
                ASSERT_TRUE(atAim == n || atAim == n - 1) << atAim;
                if (n == 0) {
                    ASSERT_EQ(aim, t0);
                } else {
                    ASSERT_GT(aim - slack, timeOf(n - 1));
                    ASSERT_LE(aim + slack, timeOf(n));
                }
            }
        }
    }
}

TEST(FrameMath, MillisecondsAndFrames)
{
    const double ntsc30 = 30000.0 / 1001.0;
    EXPECT_EQ(framesToMilliseconds(300, ntsc30), 10010);
    EXPECT_EQ(millisecondsToFrames(10010, ntsc30), 300);
    EXPECT_EQ(framesToMilliseconds(0, ntsc30), 0);
    EXPECT_EQ(framesToMilliseconds(1, 25), 40);
    EXPECT_EQ(framesToMilliseconds(25, 25), 1000);
    EXPECT_EQ(millisecondsToFrames(1000, 25), 25);
    for (qint64 n = 0; n <= 1000; ++n)
        EXPECT_EQ(millisecondsToFrames(framesToMilliseconds(n, 25), 25), n) << n;
}

namespace {

using media::FrameTableBuilder;
using media::PacketFacts;
using media::mpegpictures::PictureType;

constexpr auto Reference = PictureType::Reference;
constexpr auto B = PictureType::Bidirectional;

// An MPEG picture in decoding order: its own time if it has one, one frame lasting 10 ticks.
PacketFacts picture(std::optional<qint64> pts, PictureType type, bool key = false,
                    std::optional<qint64> dts = std::nullopt)
{
    return {pts, dts, key, type, 10};
}

std::vector<qint64> timesOf(const FrameTableBuilder &table)
{
    std::vector<qint64> times;
    for (const media::TableFrame &frame : table.frames())
        times.push_back(frame.time);
    return times;
}

} // namespace

TEST(Upright, TurnsPicturesAsTheContainerSays)
{
    const struct
    {
        qint64 degrees;
        int turn;
    } rotations[] = {{0, 0},   {90, 90},  {-90, 270}, {180, 180}, {-180, 180}, {270, 270},
                     {360, 0}, {450, 90}, {44, 0},    {46, 90},   {-271, 90}};
    for (const auto &rotation : rotations)
        EXPECT_EQ(media::upright::quarterTurn(rotation.degrees), rotation.turn) << rotation.degrees;

    // Every pixel apart, in sizes that end inside a tile and cross one; the result reused or not.
    for (const QSize size : {QSize(3, 2), QSize(130, 67)}) {
        QImage drawn(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x)
                drawn.setPixel(x, y, quint32(y * size.width() + x));
        }
        QImage reused;
        for (const int turn : {0, 90, 180, 270, 90}) {
            media::upright::turn(drawn, turn, reused);
            EXPECT_EQ(reused, drawn.transformed(QTransform().rotate(turn)))
                    << size.width() << "x" << size.height() << " " << turn;
            EXPECT_EQ(reused.size(), media::upright::turned(size, turn));
        }
    }
}

TEST(FrameTable, PutsFramesInPresentationOrderAndSettlesThemByDecodingTime)
{
    // I P B B P B B, as a transport stream gives them: decoding time, presentation time.
    FrameTableBuilder table;
    const struct
    {
        qint64 dts, pts;
        bool key;
        qsizetype settled;
    } packets[] = {{0, 2, true, 0},  {1, 5, false, 0}, {2, 3, false, 1},
                   {3, 4, false, 2}, {4, 8, false, 3}, {5, 6, false, 4}};
    for (const auto &packet : packets) {
        table.add(PacketFacts {packet.pts, packet.dts, packet.key});
        EXPECT_EQ(table.settled(), packet.settled) << "after dts " << packet.dts;
    }
    table.finish();
    EXPECT_EQ(timesOf(table), (std::vector<qint64> {2, 3, 4, 5, 6, 8}));
    EXPECT_EQ(table.settled(), 6);
    EXPECT_TRUE(table.frames().front().keyframe);
    EXPECT_FALSE(table.untimed());
}

TEST(FrameTable, LeavesOutWhatComesBeforeTheFirstKeyframe)
{
    FrameTableBuilder table;
    table.add({7, 7, false});
    table.add({9, 8, true});
    table.add({std::nullopt, 10, false});
    table.finish();
    EXPECT_EQ(timesOf(table), (std::vector<qint64> {9, 10}));
}

TEST(FrameTable, CountsAviSlotsWithDroppedFramesAsRepeats)
{
    FrameTableBuilder table(FrameTableBuilder::Clock::Slots);
    // B-frames in AVI carry no presentation time; slots 3 and 4 are dropped-frame entries.
    table.add({std::nullopt, 0, true});
    table.add({std::nullopt, 1, false});
    table.add({2, 2, false});
    table.add({std::nullopt, 5, false});
    table.add({std::nullopt, std::nullopt, false});
    EXPECT_EQ(timesOf(table), (std::vector<qint64> {0, 1, 2, 3, 4, 5, 6}));
    std::vector<bool> repeats;
    for (const media::TableFrame &frame : table.frames())
        repeats.push_back(frame.repeat);
    EXPECT_EQ(repeats, (std::vector<bool> {false, false, false, true, true, false, false}));
    EXPECT_EQ(table.settled(), 7);
}

TEST(FrameTable, PutsMpegPicturesInTheOrderADecoderShowsThemAndTimesThoseWithoutATime)
{
    const struct
    {
        const char *what;
        std::vector<PacketFacts> packets;
        std::vector<qint64> times;
    } cases[] = {
            {"I P B B P B B: the references are shown when the next one comes",
             {picture(0, Reference, true), picture(std::nullopt, Reference), picture(10, B),
              picture(20, B), picture(std::nullopt, Reference), picture(std::nullopt, B),
              picture(50, B)},
             {0, 10, 20, 30, 40, 50, 60}},
            {"an open group of pictures at the start: its first B pictures lack a reference",
             {picture(20, Reference, true), picture(0, B), picture(10, B), picture(50, Reference),
              picture(30, B), picture(40, B)},
             {20, 30, 40, 50}},
            {"I P P P: a reference without a time of its own has its decoding time as a stand-in",
             {picture(10, Reference, true, 0), picture(20, Reference, false, 10),
              picture(20, Reference, false, 20), picture(40, Reference, false, 30)},
             {10, 20, 30, 40}},
            {"low delay: references are shown as they are decoded",
             {picture(0, Reference, true, 0), picture(10, Reference, false, 10)},
             {0, 10}},
            {"pictures before the first keyframe are not shown",
             {picture(0, Reference), picture(10, B), picture(30, Reference, true),
              picture(std::nullopt, Reference)},
             {30, 40}},
    };
    for (const auto &c : cases) {
        FrameTableBuilder table(FrameTableBuilder::Clock::DecodingOrder);
        for (const PacketFacts &packet : c.packets)
            table.add(packet);
        table.finish();
        EXPECT_EQ(timesOf(table), c.times) << c.what;
        EXPECT_EQ(table.settled(), qsizetype(c.times.size())) << c.what;
        EXPECT_FALSE(table.untimed()) << c.what;
    }
}

TEST(FrameTable, ReadsTheTypeAndRateOfMpegPictures)
{
    using namespace media::mpegpictures;
    const struct
    {
        QByteArray bytes;
        PictureType type;
        int rateNumerator;
    } cases[] = {
            // A sequence header (352x240, 30000/1001) and an I picture.
            {QByteArray::fromHex("000001b31600f014ffffe0180000010000080000"), Reference, 30000},
            {QByteArray::fromHex("ff00000100005800"), PictureType::Bidirectional, 0},
            {QByteArray::fromHex("0000010000"), PictureType::Unknown, 0},
            {QByteArray::fromHex("000001b31600f010"), PictureType::Unknown, 0},
    };
    for (const auto &c : cases) {
        const auto *data = reinterpret_cast<const uint8_t *>(c.bytes.constData());
        EXPECT_EQ(pictureType(data, size_t(c.bytes.size())), c.type) << c.bytes.toHex().data();
        EXPECT_EQ(sequenceFrameRate(data, size_t(c.bytes.size())).value_or(FrameRate {}).numerator,
                  c.rateNumerator)
                << c.bytes.toHex().data();
    }
    EXPECT_EQ(frameTicks({30000, 1001}, 1, 90000), 3003);
    EXPECT_EQ(frameTicks({24000, 1001}, 1, 90000), 3753) << "rounded down";
    EXPECT_EQ(frameTicks({25, 1}, 0, 90000), 0);
}

TEST(FrameTable, FindsTheKeyframesOfUnparsedPictures)
{
    using media::nalunits::Codec;
    const struct
    {
        Codec codec;
        QByteArray bytes;
        std::optional<bool> key;
    } cases[] = {
            // Access unit delimiter, sequence and picture parameter sets, then the IDR slice.
            {Codec::H264,
             QByteArray::fromHex("00000001"
                                 "0910"
                                 "00000001"
                                 "674d00"
                                 "00000001"
                                 "68ee"
                                 "000001"
                                 "6588"),
             true},
            {Codec::H264, QByteArray::fromHex("0000000109300000000141e2"), false},
            // Units before the first slice are passed over: an SEI here.
            {Codec::H264, QByteArray::fromHex("000001060504000001659a"), true},
            // HEVC: delimiter, then an IDR_W_RADL, a CRA, a trailing picture.
            {Codec::Hevc, QByteArray::fromHex("00000146010000000126018f"), true},
            {Codec::Hevc, QByteArray::fromHex("0000012a01af"), true},
            {Codec::Hevc, QByteArray::fromHex("00000146010000000102019d"), false},
            // No picture starts: nothing, or a start code cut short.
            {Codec::H264, QByteArray::fromHex("00000109"), std::nullopt},
            {Codec::H264, QByteArray::fromHex("ffee000001"), std::nullopt},
            {Codec::Hevc, QByteArray(), std::nullopt},
    };
    for (const auto &c : cases) {
        const auto *data = reinterpret_cast<const uint8_t *>(c.bytes.constData());
        EXPECT_EQ(media::nalunits::startsAtRandomAccess(c.codec, data, size_t(c.bytes.size())),
                  c.key)
                << c.bytes.toHex().data();
    }
}

TEST(FrameTable, GivesUpOnTimesThatCannotBeOrdered)
{
    const struct
    {
        const char *what;
        FrameTableBuilder::Clock clock;
        std::vector<PacketFacts> packets;
    } cases[] = {
            {"no time at all",
             FrameTableBuilder::Clock::PresentationTimes,
             {{0, 0, true}, {std::nullopt, std::nullopt, false}}},
            {"a frame before a settled one",
             FrameTableBuilder::Clock::PresentationTimes,
             {{10, 10, true}, {11, 11, false}, {5, 12, false}}},
            {"slots running backwards",
             FrameTableBuilder::Clock::Slots,
             {{std::nullopt, 4, true}, {std::nullopt, 2, false}}},
            {"a gap no movie has",
             FrameTableBuilder::Clock::Slots,
             {{std::nullopt, 0, true}, {std::nullopt, qint64(1) << 40, false}}},
            {"an MPEG picture of no known type",
             FrameTableBuilder::Clock::DecodingOrder,
             {picture(0, Reference, true), picture(10, PictureType::Unknown)}},
            {"MPEG pictures whose times run backwards",
             FrameTableBuilder::Clock::DecodingOrder,
             {picture(0, Reference, true), picture(50, Reference), picture(40, Reference),
              picture(60, Reference)}},
    };
    for (const auto &c : cases) {
        FrameTableBuilder table(c.clock);
        for (const PacketFacts &packet : c.packets)
            table.add(packet);
        EXPECT_TRUE(table.untimed()) << c.what;
        EXPECT_LE(table.frames().size(), 3u) << c.what;
    }
}

TEST(FrameCache, KeepsThePicturesNearestTheUsersFrameWithinItsBudget)
{
    const QSize size(4, 2);
    const auto picture = [&](QSize of) {
        QImage image(of, QImage::Format_RGB32);
        image.fill(Qt::gray);
        return image;
    };
    // Three pictures of 4x2 32-bit pixels.
    media::FrameCache cache(3 * 4 * 2 * 4 + 5);
    cache.reset(size);
    EXPECT_EQ(cache.capacity(), 3);
    EXPECT_FALSE(cache.insert(1, picture(QSize(2, 2)))) << "another size";

    cache.setFocus(10);
    for (qint64 frame : {9, 11, 8, 12})
        cache.insert(frame, picture(size));
    // 8 and 12 are as far from 10: the later one goes.
    EXPECT_EQ(cache.bytes(), 3 * 4 * 2 * 4);
    for (qint64 frame : {8, 9, 11})
        EXPECT_TRUE(cache.contains(frame)) << frame;
    EXPECT_FALSE(cache.contains(12));
    EXPECT_FALSE(cache.insert(20, picture(size))) << "farther than all the kept ones";
    EXPECT_EQ(cache.highestMissing(5, 9), 7);
    EXPECT_EQ(cache.highestMissing(8, 9), std::nullopt);

    cache.setFocus(2);
    EXPECT_TRUE(cache.insert(3, picture(size)));
    EXPECT_FALSE(cache.contains(11));
    EXPECT_EQ(cache.find(3).size(), size);
    EXPECT_TRUE(cache.find(11).isNull());

    cache.reset(QSize(2, 2));
    EXPECT_EQ(cache.bytes(), 0);
    EXPECT_EQ(cache.capacity(), 6);
    cache.limitTo(2);
    EXPECT_EQ(cache.capacity(), 2);
}
