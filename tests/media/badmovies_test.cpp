#include "media/mcivocabulary.h"
#include "support/printers.h"
#include "tests/media/movietest.h"

#include <gtest/gtest.h>

namespace {

class BadMovies : public ::testing::TestWithParam<BadKind>
{
protected:
    QTemporaryDir folder;
    RealDevice real;
};

} // namespace

TEST_P(BadMovies, AreRefusedOrPlayedAsFarAsTheyDecode)
{
    const QString path = makeBadFile(GetParam(), folder.path());
    bool refused = false;
    try {
        real.open(path);
        refused = real.device.QueryDeviceType() != qint32(mci::MCI_DEVTYPE_DIGITAL_VIDEO);
    } catch (const media::EMCIDeviceError &error) {
        refused = true;
        EXPECT_FALSE(QString::fromUtf8(error.what()).isEmpty());
    }
    if (GetParam() == BadKind::TruncatedAvi) {
        ASSERT_FALSE(refused) << "a cut movie plays as far as it decodes";
        const qint32 length = real.device.QueryLength();
        EXPECT_GT(length, 0);
        real.device.SeekTo(length / 2);
        EXPECT_EQ(real.device.QueryPosition(), length / 2);
        EXPECT_EQ(real.shownFrame(), length / 2);
    } else {
        EXPECT_TRUE(refused) << badKindName(GetParam()).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BadMovies, ::testing::ValuesIn(allBadKinds()),
                         [](const auto &info) {
                             QString name = badKindName(info.param);
                             return name.remove(u'-').toStdString();
                         });

TEST(MissingMovie, IsRefusedWithTheDriversText)
{
    RealDevice real;
    try {
        real.open(QStringLiteral("/nonexistent/movie.avi"));
        FAIL() << "a missing file opened";
    } catch (const media::EMCIDeviceError &error) {
        EXPECT_EQ(QString::fromUtf8(error.what()), mci::errorText(mci::MCIERR_FILE_NOT_FOUND));
    }
    EXPECT_FALSE(real.device.IsOpen);
    EXPECT_EQ(real.device.DeviceId, 0);
}
