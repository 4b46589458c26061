#include "app/tform1.h"
#include "media/lazylibrary.h"
#include "media/mcivocabulary.h"
#include "settings/tform2.h"
#include "support/messagecatcher.h"
#include "support/printers.h"
#include "support/scratchfolder.h"
#include "tests/media/movietest.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

class BadMovies : public ::testing::TestWithParam<BadKind>
{
protected:
    QTemporaryDir folder;
    RealDevice real;
};

// Whether this process has loaded the engine's or the demuxers' libraries.
bool mediaLibrariesLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    const QByteArray mapped = maps.readAll();
    return mapped.contains("/libmpv.so") || mapped.contains("/libavutil.so");
}

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

INSTANTIATE_TEST_SUITE_P(AllKinds, BadMovies, ::testing::ValuesIn(allBadKinds()), KindTestName());

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

TEST(LazyLibrary, FindsAFunctionOrNothingWhereTheLibraryIsMissing)
{
    media::LazyLibrary present("libz.so.1");
    media::LazyLibrary missing("libvelmo-missing.so.7");
    for (int round = 0; round < 2; ++round) {
        EXPECT_NE(present.find("zlibVersion"), nullptr) << round;
        EXPECT_EQ(missing.find("zlibVersion"), nullptr) << round;
    }
}

TEST(BadMoviesInThePlayer, EachIsReportedOnceAndGreyedAndTheNextGoodOnePlays)
{
    QTemporaryDir folder;
    ScratchFolder settings;
    // A case of its own starts without the engine and the demuxers; the windows do not load them.
    const bool loadedBefore = mediaLibrariesLoaded();
    TForm1 form1({}, display::DirectDrawCreate, [] {
        return std::make_unique<media::MpvDriver>(media::MpvOptions {{"ao", "null"}});
    });
    auto *form2 = new TForm2(form1, QFile::decodeName(settings.path("VelmoMP.ini")));
    EXPECT_EQ(mediaLibrariesLoaded(), loadedBefore);
    form2->Continue->setChecked(true);
    // The start-up tick would load entry 0 on its own while a message box waits.
    form1.StartupState = 2;
    const QList<BadKind> kinds = allBadKinds();
    for (BadKind kind : kinds) {
        if (kind != BadKind::TruncatedAvi)
            form1.AddFile(QFile::encodeName(makeBadFile(kind, folder.path())));
    }
    const TestMovie good = makeTestMovie(MovieKind::MjpegAvi, folder.path());
    form1.AddFile(QFile::encodeName(good.path));

    MessageCatcher catcher;
    form1.FileIndex = 0;
    form1.LoadCurrentFile();
    // Each refusal is followed by the next file, as the end of a movie with Continue would.
    while (form1.MovieOpened == 0 && form1.FileIndex < form1.FileCount - 1)
        form1.NextFileClick();
    EXPECT_EQ(form1.MovieOpened, 1);
    EXPECT_TRUE(mediaLibrariesLoaded());
    EXPECT_EQ(form1.FileIndex, form1.FileCount - 1);
    EXPECT_EQ(form1.windowTitle(), good.path);
    ASSERT_EQ(catcher.messages().size(), form1.FileCount - 1) << "one message per bad file";
    for (int i = 0; i < form1.FileCount - 1; ++i) {
        EXPECT_FALSE(form1.PopupMenu1->actions().at(i)->isEnabled()) << i;
        EXPECT_TRUE(catcher.messages()[i].text.startsWith(QStringLiteral("ファイル\"")));
        EXPECT_TRUE(catcher.messages()[i].text.endsWith(QStringLiteral("\"が開けません")));
    }
}
