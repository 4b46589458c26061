// The settings file seen from the outside: what a first start writes, what the settings dialog
// changes, and the window position kept across starts.

#include "harness.h"

#include <QFile>
#include <QRegularExpression>

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
