#include "settings/livesettings.h"
#include "support/messagecatcher.h"
#include "support/playerwindows.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(MainWindow, LayoutAtStartUp)
{
    PlayerWindows player;
    TForm1 &form1 = player.form1;
    form1.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));

    EXPECT_EQ(form1.windowTitle(), QStringLiteral("Velmo Movie Player v1.00"));
    EXPECT_EQ(form1.Panel1->geometry(), form1.centralWidget()->rect()) << "the panel fills";
    EXPECT_EQ(form1.Panel1->size(), QSize(320, 240));
    EXPECT_EQ(form1.Panel1->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_FALSE(form1.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form1.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form1.minimumSize(), form1.maximumSize()) << "the border is not sizeable";

    EXPECT_EQ(form1.Image1->parentWidget(), form1.Panel1);
    EXPECT_EQ(form1.Image1->geometry(), QRect(43, 105, 235, 30));
    EXPECT_TRUE(form1.Image1->isVisible());

    EXPECT_EQ(form1.Timer1->interval(), 1000);
    EXPECT_TRUE(form1.Timer1->isActive());
    EXPECT_EQ(form1.StillBitmap.size(), QSize(640, 480));
    EXPECT_EQ(form1.FileCount, 0);
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_TRUE(form1.PopupMenu1->isEmpty());
}

TEST(MainWindow, LogoIsTheTitleInRedOnBlack)
{
    PlayerWindows player;
    const QImage logo = player.form1.Image1->pixmap().toImage();
    ASSERT_EQ(logo.size(), QSize(235, 30));
    int red = 0, other = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const QColor c = logo.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                ++red;
            else if (c.green() > 60 || c.blue() > 60)
                ++other;
        }
    }
    EXPECT_GT(red, 300) << "the title is drawn in red";
    EXPECT_EQ(other, 0) << "nothing but red on black";
    EXPECT_EQ(logo.pixelColor(0, 0), QColor(Qt::black));
}

TEST(MainWindow, MenusHaveTheirNamesAndCaptionsAndNoShortcuts)
{
    PlayerWindows player;
    const QStringList expected = {
            QStringLiteral("File1:File"),
            QStringLiteral("Open1:開く"),
            QStringLiteral("Save:静止画取込"),
            QStringLiteral("Quit1:終了(Q)"),
            QStringLiteral("Mode1:Mode"),
            QStringLiteral("Play:再生(P)"),
            QStringLiteral("Pause:停止(L)"),
            QStringLiteral("N1:-"),
            QStringLiteral("NextFrame:１コマ進める(→)"),
            QStringLiteral("PrevFrame:１コマ戻す(←)"),
            QStringLiteral("NextSec:１秒進める(↓)"),
            QStringLiteral("PrevSec:１秒戻す(↑)"),
            QStringLiteral("NextBlock:全体の10%進める(PageDown)"),
            QStringLiteral("PrevBlock:全体の10%戻す(PageUp)"),
            QStringLiteral("N2:-"),
            QStringLiteral("NextFile:次のファイルへ(N)"),
            QStringLiteral("PrevFile:前のファイルへ(B)"),
            QStringLiteral("RewindFile:ファイルの先頭へ(V)"),
            QStringLiteral("Size1:Size"),
            QStringLiteral("Full:フルサイズ(F)"),
            QStringLiteral("Half:ハーフサイズ(H)"),
            QStringLiteral("Source:元のサイズ(S)"),
            QStringLiteral("FullScreen:フルスクリーン(A)"),
            QStringLiteral("Other:Other"),
            QStringLiteral("Option:設定"),
    };
    QStringList actual;
    for (QAction *menuAction : player.form1.MainMenu1->actions()) {
        QMenu *menu = menuAction->menu();
        ASSERT_NE(menu, nullptr);
        actual << menu->objectName() + u':' + menuAction->text();
        for (QAction *item : menu->actions()) {
            actual << item->objectName() + u':'
                            + (item->isSeparator() ? QStringLiteral("-") : item->text());
            EXPECT_TRUE(item->shortcut().isEmpty()) << item->objectName().toStdString();
            EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
            EXPECT_FALSE(item->isChecked()) << item->objectName().toStdString();
        }
    }
    EXPECT_EQ(actual, expected);
}

TEST(MainWindow, FileDialogsOfferTheirFilters)
{
    PlayerWindows player;
    const QStringList open = player.form1.OpenDialog1->nameFilters();
    ASSERT_EQ(open.size(), 5);
    EXPECT_EQ(open[0], QStringLiteral("AVIファイル(*.AVI) (*.AVI)"));
    EXPECT_EQ(open[2],
              QStringLiteral("MPEGファイル(*MPG) (*.MPEG *.MPG *.MPE *.MPA *.M1V *.MP2 *.ENC)"));
    EXPECT_EQ(open[4], QStringLiteral("すべてのファイル(*.*) (*.*)"));
    EXPECT_TRUE(player.form1.OpenDialog1->testOption(QFileDialog::HideNameFilterDetails));
    EXPECT_EQ(player.form1.OpenDialog1->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(player.form1.SaveDialog1->nameFilters(),
              QStringList {QStringLiteral("BMPファイル (*.BMP)")});
    EXPECT_EQ(player.form1.SaveDialog1->acceptMode(), QFileDialog::AcceptSave);
}

TEST(MainWindow, StartUpOrderAndArguments)
{
    ScratchFolder folder;
    const QByteArray a = folder.makeFile("a.avi"), b = folder.makeFile("b.mpg");
    TForm1 form1({a, folder.path("missing.avi"), b});
    EXPECT_EQ(form1.StartupState, 0) << "not ready before the settings dialog exists";
    EXPECT_EQ(form1.FileCount, 2);
    EXPECT_EQ(form1.FileList[0], a);
    EXPECT_EQ(form1.FileList[1], b);
    EXPECT_EQ(form1.FileIndex, 0);
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("Velmo Movie Player v1.00"))
            << "nothing opened yet";

    auto *form2 = new TForm2(form1, QFile::decodeName(folder.path("VelmoMP.ini")));
    EXPECT_EQ(form1.StartupState, 1);
    EXPECT_EQ(form1.Form2, form2);
    EXPECT_FALSE(form2->isVisible());
    EXPECT_FALSE(form2->isModal());
    EXPECT_EQ(form2->windowTitle(), QStringLiteral("設定"));
    auto *form3 = new TForm3(*form2);
    EXPECT_EQ(form3->windowTitle(), QStringLiteral("テンポラリの設定"));
}

TEST(MainWindow, TheFirstTickLoadsEntryZeroAndAcceptsDrops)
{
    ScratchFolder folder;
    const QByteArray a = folder.makeFile("a.avi"), b = folder.makeFile("b.avi");
    PlayerWindows player({a, b});
    TForm1 &form1 = player.form1;
    EXPECT_FALSE(form1.acceptDrops());

    form1.Timer1Timer();
    EXPECT_EQ(form1.StartupState, 2);
    EXPECT_TRUE(form1.acceptDrops());
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(a));
    EXPECT_TRUE(player.entry(0)->isChecked());
    EXPECT_FALSE(player.entry(1)->isChecked());

    form1.FileIndex = 1;
    form1.Timer1Timer();
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(a)) << "start-up runs once";

    // A command that waits long for where the movie's frames lie.
    player.media->waitNotice(true);
    EXPECT_EQ(form1.windowTitle(), QStringLiteral("Now Loading....."));
    player.media->waitNotice(false);
    EXPECT_EQ(form1.windowTitle(), QFile::decodeName(a));
}

TEST(MainWindow, TheRealTimerTicksAfterAboutASecond)
{
    ScratchFolder folder;
    const QByteArray a = folder.makeFile("a.avi");
    PlayerWindows player({a});
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.form1.StartupState == 2; }, 5000));
    EXPECT_EQ(player.form1.windowTitle(), QFile::decodeName(a));
}

TEST(MainWindow, AFirstStartWithOnlyMissingFilesOpensNothing)
{
    ScratchFolder folder;
    PlayerWindows player({folder.path("missing.avi")});
    player.form1.Timer1Timer();
    EXPECT_EQ(player.form1.FileCount, 0);
    EXPECT_EQ(player.form1.windowTitle(), QStringLiteral("Velmo Movie Player v1.00"));
}

TEST(MainWindow, WithoutADisplayModeLayerTheStartIsAbortedAfterAMessage)
{
    MessageCatcher catcher;
    EXPECT_THROW(TForm1({}, [] { return std::unique_ptr<display::DisplayModeDevice>(); }),
                 StartupAborted);
    ASSERT_EQ(catcher.messages().size(), 1);
    EXPECT_EQ(catcher.messages()[0].text, QStringLiteral("DirectXをインストールして下さい"));
    EXPECT_EQ(catcher.messages()[0].title, QStringLiteral("Velmo Movie Player"));
}

namespace {

// Records what the main window asks of the display-mode layer.
class RecordingDisplayModes final : public display::DisplayModeDevice
{
public:
    explicit RecordingDisplayModes(QStringList &log)
        : m_log(log)
    {}
    void EnumDisplayModes(const display::ModeCallback &) override
    {
        m_log << QStringLiteral("enum");
    }
    void SetCooperativeLevel(QWidget *, quint32 flags) override
    {
        m_log << QStringLiteral("level %1").arg(flags);
    }
    void SetDisplayMode(int w, int h, int bpp) override
    {
        m_log << QStringLiteral("mode %1*%2*%3").arg(w).arg(h).arg(bpp);
    }
    void RestoreDisplayMode() override { m_log << QStringLiteral("restore"); }
    void Release() override { m_log << QStringLiteral("release"); }
    QRect onMonitor(const QRect &inMode, QSize, QSize) const override { return inMode; }

private:
    QStringList &m_log;
};

} // namespace

TEST(MainWindow, CloseRestoresAndReleasesTheDisplayModes)
{
    QStringList log;
    TForm1 form1({}, [&log] { return std::make_unique<RecordingDisplayModes>(log); });
    EXPECT_EQ(log, QStringList {QStringLiteral("level 8")});
    form1.show();
    EXPECT_TRUE(form1.close());
    EXPECT_EQ(log,
              (QStringList {QStringLiteral("level 8"), QStringLiteral("restore"),
                            QStringLiteral("level 8"), QStringLiteral("release")}));
    form1.CloseDown();
    EXPECT_EQ(log.size(), 4) << "released once";
}

TEST(MainWindow, QuitClosesTheWindow)
{
    PlayerWindows player;
    player.form1.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&player.form1));
    player.form1.Quit1->trigger();
    EXPECT_FALSE(player.form1.isVisible());
    EXPECT_EQ(player.form1.DDrawObject, nullptr) << "closing ran the close-down";
}

namespace {

// Live settings set by hand: the main window without a settings dialog or a settings file.
class FakeLiveSettings final : public settings::LiveSettings
{
public:
    bool AutoStart = false, Continue = false, Repeat = false;
    bool Color16H = false, Color24H = false, ColorFull = false;
    bool Color16F = false, Color24F = false, ColorHalf = false;
    int PixelRatio = 1;
    int saves = 0;
    std::optional<QPoint> shownAt;

    bool autoStart() const override { return AutoStart; }
    bool continuePlay() const override { return Continue; }
    bool repeat() const override { return Repeat; }
    bool color16H() const override { return Color16H; }
    bool color24H() const override { return Color24H; }
    bool colorFull() const override { return ColorFull; }
    bool color16F() const override { return Color16F; }
    bool color24F() const override { return Color24F; }
    bool colorHalf() const override { return ColorHalf; }
    int pixelRatioIndex() const override { return PixelRatio; }
    bool speed1() const override { return false; }
    QString speed1Size() const override { return {}; }
    bool speed2() const override { return false; }
    QString speed2Size() const override { return {}; }
    QString tempDir() const override { return {}; }
    void save() override { ++saves; }
    void showAt(QPoint corner) override { shownAt = corner; }
};

} // namespace

TEST(MainWindow, ReadsTheLiveSettingsWhenItNeedsThem)
{
    TForm1 form1({});
    FakeLiveSettings live;
    form1.settingsLoaded(live);
    EXPECT_EQ(form1.StartupState, 1);

    form1.ZoomSizes[0] = QSize(352, 240);
    EXPECT_EQ(form1.ChooseScreenMode(), (display::ScreenMode {1, 32}));
    live.Color16H = true;
    EXPECT_EQ(form1.ChooseScreenMode(), (display::ScreenMode {1, 16}));
    live.ColorFull = live.Color24F = true;
    EXPECT_EQ(form1.ChooseScreenMode(), (display::ScreenMode {2, 24}));
    EXPECT_EQ(form1.FitRect(640, 480), QRect(0, 0, 639, 436));
    live.PixelRatio = geometry::FullMode;
    EXPECT_EQ(form1.FitRect(640, 480), QRect(0, 0, 640, 480));

    form1.move(50, 60);
    form1.OptionClick();
    EXPECT_EQ(live.shownAt, form1.pos() + QPoint(20, 20));
    form1.CloseDown();
    EXPECT_EQ(live.saves, 1);
}

TEST(ErrorReport, AnExceptionInAnEventIsReportedAndTheLoopGoesOn)
{
    MessageCatcher catcher;
    QTimer::singleShot(0, [] { throw std::runtime_error("壊れた"); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.messages().isEmpty(); }, 5000));
    EXPECT_EQ(catcher.messages()[0].text, QStringLiteral("壊れた."));
    EXPECT_EQ(catcher.messages()[0].title, QStringLiteral("Velmo Movie Player"));
    EXPECT_EQ(catcher.messages()[0].icon, QMessageBox::Critical);

    bool ranAfter = false;
    QTimer::singleShot(0, [&] { ranAfter = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ranAfter; }, 5000));
}
