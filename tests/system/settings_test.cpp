// The settings file seen from the outside: what a first start writes, what the settings dialog
// changes, the window position kept across starts, and what a player ended by a signal leaves.

#include "harness.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <csignal>

using namespace systemtest;

namespace {

// The value of key in the settings file, as the player reads it: section and key names without
// letter case, the value as it stands.
std::optional<QByteArray> storedValue(const QString &iniPath, const QByteArray &key)
{
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool inSection = false;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('[')) {
            inSection = line.trimmed().toLower() == "[velmo]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inSection && equals > 0 && line.left(equals).trimmed().toLower() == key.toLower())
            return line.mid(equals + 1);
    }
    return std::nullopt;
}

// Chooses an item of a menu of the main window's menu bar with the mouse.
void chooseMenuItem(Player &player, QPoint title, int item, int items)
{
    const XWindow &window = player.mainWindow();
    window.click(title);
    const std::optional<XWindow> menu = player.waitForPopup();
    ASSERT_TRUE(menu) << "the menu did not open";
    const QRect frame = menu->geometry();
    menu->click(QPoint(frame.width() / 2, frame.height() * (2 * item + 1) / (2 * items)));
}

class SettingsFileTest : public testing::Test
{
protected:
    Sandbox sandbox;
    QString iniPath = sandbox.filePath(QStringLiteral("VelmoMP.ini"));

    void quit(Player &player)
    {
        chooseMenuItem(player, QPoint(20, 8), 2, 3);
        ASSERT_EQ(player.waitForExit(), 0);
    }
};

struct EndingSignal
{
    const char *name;
    int signal;
    bool fullScreen;
    bool openDialog;
};

void PrintTo(const EndingSignal &row, std::ostream *out)
{
    *out << row.name;
}

class SignalEndTest : public SettingsFileTest, public testing::WithParamInterface<EndingSignal>
{};

} // namespace

TEST_F(SettingsFileTest, AFirstStartWritesTheDefaultsAndTheExitSavesTheRest)
{
    ASSERT_FALSE(QFile::exists(iniPath));
    const auto player = sandbox.start({});
    player->mainWindow();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(iniPath); }));
    const std::pair<const char *, const char *> defaults[]
            = {{"Screen", "1"}, {"ColorH", "0"},    {"ColorF", "0"},
               {"Size", "1"},   {"AutoStart", "2"}, {"Continue", "1"},
               {"Repeat", "1"}, {"Pixel", "1"},     {"Temp", "0 0 0 0"}};
    for (const auto &[key, value] : defaults)
        EXPECT_EQ(storedValue(iniPath, key), QByteArray(value)) << key;
    EXPECT_FALSE(storedValue(iniPath, "Display")) << "the modes are stored by the first save";

    const QRect frame = player->mainWindow().geometry();
    quit(*player);
    EXPECT_EQ(storedValue(iniPath, "Display"), QByteArray("119"));
    EXPECT_EQ(storedValue(iniPath, "Locate"),
              QByteArray::number(frame.x()) + ' ' + QByteArray::number(frame.y()));
    const std::optional<QByteArray> tempDir = storedValue(iniPath, "TempDir");
    ASSERT_TRUE(tempDir);
    EXPECT_TRUE(tempDir->endsWith('/'));
}

TEST_F(SettingsFileTest, AChangeInTheDialogIsInTheFileOnceTheDialogCloses)
{
    const auto player = sandbox.start({});
    const XWindow &window = player->mainWindow();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(iniPath); }));

    // Other is the fourth title of the menu bar; 設定 its only item.
    chooseMenuItem(*player, QPoint(146, 8), 0, 1);
    ASSERT_TRUE(waitUntil([&] { return player->visibleWindows().size() == 2; }))
            << "the settings dialog did not open";
    quint64 dialogId = 0;
    for (quint64 id : player->visibleWindows()) {
        if (id != window.id())
            dialogId = id;
    }
    const XWindow dialog(dialogId);
    EXPECT_EQ(dialog.title(), QStringLiteral("設定"));
    EXPECT_EQ(dialog.geometry().topLeft(), window.geometry().topLeft() + QPoint(20, 20));

    // There is no window manager to give the new dialog the keyboard.
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(dialogId)});
    // From the page tabs: the first-play buttons, then AutoStart, Continue and Repeat.
    pressKeys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
               QStringLiteral("Tab"), QStringLiteral("space")});
    EXPECT_EQ(storedValue(iniPath, "Repeat"), QByteArray("1")) << "nothing is saved before";
    pressKeys({QStringLiteral("Escape")});
    ASSERT_TRUE(waitUntil([&] { return player->visibleWindows().size() == 1; }))
            << "the settings dialog did not close";
    EXPECT_EQ(storedValue(iniPath, "Repeat"), QByteArray("2"));
    EXPECT_EQ(storedValue(iniPath, "AutoStart"), QByteArray("2"));
    quit(*player);
}

TEST_F(SettingsFileTest, TheWindowComesBackWhereItWas)
{
    {
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Velmo]\nLocate=123 77\n");
    }
    const auto player = sandbox.start({});
    EXPECT_EQ(player->mainWindow().geometry().topLeft(), QPoint(123, 77));
    quit(*player);
    EXPECT_EQ(storedValue(iniPath, "Locate"), QByteArray("123 77"));

    {
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Velmo]\nLocate=5000 77\n");
    }
    const auto offScreen = sandbox.start({});
    EXPECT_NE(offScreen->mainWindow().geometry().left(), 5000) << "kept on the screen";
    quit(*offScreen);
}

TEST_P(SignalEndTest, ClosesThePlayerLikeQuit)
{
    const EndingSignal &row = GetParam();
    const QString movie = sandbox.makeMovie(QStringLiteral("clip.avi"));
    const QString temp = sandbox.makeFolder(QStringLiteral("temp"));
    {
        QFile ini(iniPath);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Velmo]\nTemp=0 0 1 50\nTempDir=" + QFile::encodeName(temp) + "/\n");
    }
    const auto player = sandbox.start({movie});
    ASSERT_TRUE(player->waitForTitle(movie));
    ASSERT_TRUE(QFile::exists(temp + QStringLiteral("/VelmoMPtemp.avi"))) << "the copy is made";
    const QRect frame = player->mainWindow().geometry();

    if (row.fullScreen) {
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                 QString::number(player->mainWindow().id())});
        pressKeys({QStringLiteral("a")});
        ASSERT_TRUE(waitUntil([&] {
            for (const quint64 id : player->visibleWindows()) {
                if (XWindow(id).geometry() == QRect(0, 0, 1280, 1024))
                    return true;
            }
            return false;
        })) << "no full screen";
    }
    if (row.openDialog) {
        // 開く, the first of the File menu's three items, opens a modal file dialog.
        chooseMenuItem(*player, QPoint(20, 8), 0, 3);
        ASSERT_TRUE(waitUntil([&] { return player->visibleWindows().size() == 2; }))
                << "the open dialog did not open";
    }

    ::kill(pid_t(player->pid()), row.signal);
    ASSERT_EQ(player->waitForExit(), 0);
    EXPECT_EQ(storedValue(iniPath, "Locate"),
              QByteArray::number(frame.x()) + ' ' + QByteArray::number(frame.y()))
            << "the windowed place is saved";
    const QStringList left = QDir(temp).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalEndTest,
                         testing::Values(EndingSignal {"SIGTERM", SIGTERM, false, false},
                                         EndingSignal {"SIGINT", SIGINT, false, false},
                                         EndingSignal {"SIGHUP", SIGHUP, false, false},
                                         EndingSignal {"SIGTERMInFullScreen", SIGTERM, true, false},
                                         EndingSignal {"SIGTERMInADialog", SIGTERM, false, true}),
                         [](const testing::TestParamInfo<EndingSignal> &info) {
                             return info.param.name;
                         });
