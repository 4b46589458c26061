#include "app/tform1.h"
#include "settings/privateprofile.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "support/messagecatcher.h"
#include "support/printers.h"
#include "support/scratchfolder.h"
#include "ui/radiogroup.h"
#include "ui/taggedframe.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

using display::ModeDescription;

namespace {

const QList<ModeDescription> AllModes = {{320, 240, 16}, {320, 240, 24}, {320, 240, 32},
                                         {640, 480, 16}, {640, 480, 24}, {640, 480, 32}};

// A display adapter offering the given modes, counting how often it is asked.
class Inventory final : public display::DisplayModeDevice
{
public:
    Inventory(QList<ModeDescription> modes, int &enumerations)
        : m_modes(std::move(modes))
        , m_enumerations(enumerations)
    {}
    void EnumDisplayModes(const display::ModeCallback &callback) override
    {
        ++m_enumerations;
        for (const ModeDescription &mode : m_modes) {
            if (callback(mode) == display::EnumResult::Cancel)
                return;
        }
    }
    void SetCooperativeLevel(QWidget *, quint32) override {}
    void SetDisplayMode(int, int, int) override {}
    void RestoreDisplayMode() override {}
    void Release() override {}
    QRect onMonitor(const QRect &inMode, QSize, QSize) const override { return inMode; }

private:
    QList<ModeDescription> m_modes;
    int &m_enumerations;
};

// One start of the player's windows on a settings file of its own.
struct Player
{
    ScratchFolder folder;
    QString ini = QFile::decodeName(folder.path("VelmoMP.ini"));
    QList<ModeDescription> modes = AllModes;
    int enumerations = 0;
    std::unique_ptr<TForm1> form1;
    TForm2 *form2 = nullptr;

    void storeFile(const QByteArray &content)
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void start()
    {
        form1 = std::make_unique<TForm1>(QList<QByteArray> {}, [this] {
            return std::make_unique<Inventory>(modes, enumerations);
        });
        form2 = new TForm2(*form1, ini);
        new TForm3(*form2);
    }

    QByteArray stored(const char *key) const
    {
        return settings::PrivateProfile(ini).read("Velmo", key);
    }

    QByteArray fileBytes() const
    {
        QFile file(ini);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The checked buttons of the two colour groups, e.g. "32H 0F".
    QString colorChoice() const
    {
        const auto group = [](QRadioButton *c16, QRadioButton *c24, QRadioButton *c32,
                              QRadioButton *cross, QChar suffix) {
            QStringList checked;
            const std::pair<QRadioButton *, const char *> buttons[]
                    = {{c16, "16"}, {c24, "24"}, {c32, "32"}, {cross, "0"}};
            for (const auto &[button, name] : buttons) {
                if (button->isChecked())
                    checked << QLatin1StringView(name) + suffix;
            }
            return checked.join(u'+');
        };
        return group(form2->Color16H, form2->Color24H, form2->Color32H, form2->ColorFull, u'H')
                + u' '
                + group(form2->Color16F, form2->Color24F, form2->Color32F, form2->ColorHalf, u'F');
    }
};

class Settings : public ::testing::Test, protected Player
{};

} // namespace

TEST_F(Settings, AFirstStartWritesTheDefaultsAndLoadsThem)
{
    start();
    EXPECT_EQ(fileBytes(),
              QByteArray("[Velmo]\nScreen=1\nColorH=0\nColorF=0\nSize=1\nAutoStart=2\n"
                         "Continue=1\nRepeat=1\nPixel=1\nTemp=0 0 0 0\n"));
    EXPECT_EQ(enumerations, 1);
    EXPECT_EQ(form2->DisplayModeMask, 0x77);
    EXPECT_EQ(form1->StartupState, 1);
    EXPECT_TRUE(form2->WinDisp->isChecked());
    EXPECT_TRUE(form2->SourceSize->isChecked());
    EXPECT_TRUE(form2->AutoStart->isChecked());
    EXPECT_FALSE(form2->Continue->isChecked());
    EXPECT_FALSE(form2->Repeat->isChecked());
    EXPECT_EQ(form2->PixelRatio->itemIndex(), 1);
    EXPECT_EQ(form2->TempDir->text(), QDir::tempPath() + u'/');
    EXPECT_EQ(form1->DisplayMode, 4);
    // "ColorH" 0 chose 640*480, then "ColorF" 0 chose 320*240 and put the small group back.
    EXPECT_EQ(colorChoice(), QStringLiteral("32H 0F"));
    EXPECT_EQ(form2->ScreenColorH->Tag, 32);
    EXPECT_EQ(form2->ScreenColorF->Tag, 32);

    form2->SaveSettings();
    EXPECT_EQ(stored("Display"), "119");
    EXPECT_EQ(stored("ColorH"), "32");
    EXPECT_EQ(stored("ColorF"), "0");
    EXPECT_EQ(stored("Temp"), "0 0 0 0");
    EXPECT_EQ(stored("TempDir"), QFile::encodeName(QDir::tempPath() + u'/'));
    EXPECT_TRUE(stored("LastOpen").isEmpty()) << "written only once a file was opened";
}

TEST_F(Settings, StoredValuesAndTheirFallbacks)
{
    const struct
    {
        const char *what;
        QByteArray file;
        std::function<void(Player &)> check;
    } cases[] = {
            {"Display 0: nothing offered", "Display=0\n",
             [](Player &t) {
                 EXPECT_EQ(t.enumerations, 0);
                 for (QRadioButton *b :
                      {t.form2->Color16H, t.form2->Color24H, t.form2->Color32H, t.form2->ColorFull,
                       t.form2->Color16F, t.form2->Color24F, t.form2->Color32F, t.form2->ColorHalf})
                     EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
                 EXPECT_EQ(t.colorChoice(), QStringLiteral("0H 0F"));
                 t.form2->SaveSettings();
                 EXPECT_EQ(t.stored("ColorH"), "0");
                 EXPECT_EQ(t.stored("ColorF"), "0");
             }},
            {"a depth the adapter lacks keeps the deepest", "Display=21\nColorH=24\nColorF=16\n",
             [](Player &t) {
                 EXPECT_FALSE(t.form2->Color24H->isEnabled());
                 EXPECT_EQ(t.colorChoice(), QStringLiteral("32H 16F"));
                 t.form2->SaveSettings();
                 EXPECT_EQ(t.stored("ColorH"), "32");
             }},
            {"full screen first wins over the size", "Screen=2\nSize=3\n",
             [](Player &t) {
                 EXPECT_EQ(t.form1->DisplayMode, 1);
                 EXPECT_TRUE(t.form2->FullSize->isChecked());
                 t.form2->SaveSettings();
                 EXPECT_EQ(t.stored("Size"), "3");
                 EXPECT_EQ(t.stored("Screen"), "2");
             }},
            {"half size", "Size=2\n", [](Player &t) { EXPECT_EQ(t.form1->DisplayMode, 3); }},
            {"full size", "Size=3\n", [](Player &t) { EXPECT_EQ(t.form1->DisplayMode, 2); }},
            {"exact texts only", "Screen= 2\nSize=03\nAutoStart=02\nRepeat=2\nContinue=2 \n",
             [](Player &t) {
                 EXPECT_EQ(t.form1->DisplayMode, 4);
                 EXPECT_FALSE(t.form2->AutoStart->isChecked());
                 EXPECT_TRUE(t.form2->Repeat->isChecked());
                 EXPECT_FALSE(t.form2->Continue->isChecked());
             }},
            {"Pixel 7", "Pixel=7\n",
             [](Player &t) { EXPECT_EQ(t.form2->PixelRatio->itemIndex(), 2); }},
            {"Pixel -3", "Pixel=-3\n",
             [](Player &t) { EXPECT_EQ(t.form2->PixelRatio->itemIndex(), 1); }},
            {"Pixel 0", "Pixel=0\n",
             [](Player &t) { EXPECT_EQ(t.form2->PixelRatio->itemIndex(), 0); }},
            {"a short Temp", "Temp=1 8\n",
             [](Player &t) {
                 EXPECT_TRUE(t.form2->Speed1->isChecked());
                 EXPECT_EQ(t.form2->Speed1Size->text(), QStringLiteral("8"));
                 EXPECT_FALSE(t.form2->Speed2->isChecked());
                 EXPECT_TRUE(t.form2->Speed2Size->text().isEmpty());
                 t.form2->Speed2Size->setText(QStringLiteral("lots"));
                 t.form2->SaveSettings();
                 EXPECT_EQ(t.stored("Temp"), "1 8 0 0");
             }},
            {"a stored size longer than typing allows", "Temp=1 1234 1 99999\n",
             [](Player &t) {
                 EXPECT_EQ(t.form2->Speed1Size->text(), QStringLiteral("1234"));
                 t.form2->SaveSettings();
                 EXPECT_EQ(t.stored("Temp"), "1 1234 1 99999");
             }},
            {"Locate on screen", "Locate=-20 -20\n",
             [](Player &t) { EXPECT_EQ(t.form1->pos(), QPoint(-20, -20)); }},
            {"Locate off screen", "Locate=5000 10\n",
             [](Player &t) { EXPECT_NE(t.form1->pos(), QPoint(5000, 10)); }},
            {"TempDir read back as Tempdir", "TempDir=/var/tmp/movies/\n",
             [](Player &t) {
                 EXPECT_EQ(t.form2->TempDir->text(), QStringLiteral("/var/tmp/movies/"));
                 t.form2->SaveSettings();
                 EXPECT_EQ(t.fileBytes().count("TempDir="), 1);
                 EXPECT_EQ(t.fileBytes().toLower().count("tempdir="), 1);
             }},
            {"a Tempdir holding a carriage return still saves", "Tempdir=/a\rb/\n",
             [](Player &t) {
                 t.form2->SaveSettings();
                 EXPECT_FALSE(t.stored("TempDir").contains('\r'));
                 EXPECT_FALSE(t.stored("Locate").isEmpty()) << "the save went on to the end";
             }},
            {"a Display that is not a number is counted again", "Display=lots\n",
             [](Player &t) {
                 EXPECT_EQ(t.enumerations, 1);
                 EXPECT_EQ(t.form2->DisplayModeMask, 0x77);
             }},
            {"Display in hexadecimal", "Display=$30\n",
             [](Player &t) {
                 EXPECT_EQ(t.enumerations, 0);
                 EXPECT_EQ(t.form2->DisplayModeMask, 48);
                 EXPECT_EQ(t.colorChoice(), QStringLiteral("0H 24F"));
             }},
            {"unknown bits are kept", "Display=1025\n",
             [](Player &t) {
                 t.form2->SaveSettings();
                 EXPECT_EQ(t.stored("Display"), "1025");
             }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Player t;
        t.storeFile("[Velmo]\n" + c.file);
        t.start();
        c.check(t);
    }
}

TEST_F(Settings, LastOpenIsKeptWhenNoFileWasOpened)
{
    const QByteArray old = folder.path("");
    storeFile("[Velmo]\nLastOpen=" + old + "\nSaveDir=" + old + "\n");
    start();
    EXPECT_EQ(QDir(form1->OpenDialog1->directory()), QDir(QFile::decodeName(old)));
    EXPECT_EQ(QDir(form1->SaveDialog1->directory()), QDir(QFile::decodeName(old)));
    EXPECT_TRUE(form1->LastOpenDir.isEmpty()) << "the load sets the dialog only";
    form2->SaveSettings();
    EXPECT_EQ(stored("LastOpen"), old);

    form1->LastOpenDir = "/elsewhere/";
    form2->SaveSettings();
    EXPECT_EQ(stored("LastOpen"), "/elsewhere/");
}

TEST_F(Settings, ColorCrossChoicesForEachAdapter)
{
    const QList<ModeDescription> only640 = {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
    const QList<ModeDescription> only320 = {{320, 240, 16}};
    const struct
    {
        const char *what;
        QList<ModeDescription> modes;
        QByteArray file;
        QString loaded;
        QRadioButton *TForm2::*choose;
        QString after;
    } cases[] = {
            {"both cross choices off: ColorFull leaves the large group", AllModes,
             "ColorH=24\nColorF=16\n", QStringLiteral("24H 16F"), &TForm2::ColorFull,
             QStringLiteral("0H 16F")},
            {"ColorHalf on, 640 at 16 and 24: ColorFull puts back 24F",
             {{320, 240, 16}, {640, 480, 16}, {640, 480, 24}},
             "ColorH=16\nColorF=0\n",
             QStringLiteral("16H 0F"),
             &TForm2::ColorFull,
             QStringLiteral("0H 24F")},
            {"ColorFull on: ColorHalf puts back the small group's depth", AllModes,
             "ColorH=0\nColorF=24\n", QStringLiteral("0H 24F"), &TForm2::ColorHalf,
             QStringLiteral("32H 0F")},
            {"only 640*480 modes", only640, "ColorH=0\nColorF=0\n", QStringLiteral("0H 32F"),
             &TForm2::Color16F, QStringLiteral("0H 16F")},
            {"only one 320*240 mode", only320, "ColorH=0\nColorF=0\n", QStringLiteral("16H 0F"),
             &TForm2::Color16H, QStringLiteral("16H 0F")},
            {"no usable mode",
             {{800, 600, 32}},
             "ColorH=0\nColorF=0\n",
             QStringLiteral("0H 0F"),
             &TForm2::ColorFull,
             QStringLiteral("0H 0F")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Player t;
        t.modes = c.modes;
        t.storeFile("[Velmo]\n" + c.file);
        t.start();
        EXPECT_EQ(t.colorChoice(), c.loaded);
        (t.form2->*c.choose)->setChecked(true);
        EXPECT_EQ(t.colorChoice(), c.after);
    }
}

TEST_F(Settings, OnlyOfferedButtonsAreEnabled)
{
    modes = {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
    start();
    for (QRadioButton *b : {form2->Color16H, form2->Color24H, form2->Color32H, form2->ColorHalf})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QRadioButton *b : {form2->Color16F, form2->Color24F, form2->Color32F, form2->ColorFull})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(form2->ColorFull->isChecked());
    EXPECT_EQ(form2->ScreenColorH->Tag, 0);
    EXPECT_EQ(form2->ScreenColorF->Tag, 32);
}

TEST_F(Settings, TheDialogOpensBesideTheMainWindowAndSavesWhenClosed)
{
    start();
    form1->move(200, 150);
    form1->show();
    form1->Option->trigger();
    EXPECT_TRUE(form2->isVisible());
    EXPECT_FALSE(form2->isModal());
    EXPECT_EQ(form2->pos(), QPoint(220, 170));
    form1->move(300, 150);
    form1->Option->trigger();
    EXPECT_EQ(form2->pos(), QPoint(320, 170)) << "a second click only moves it";

    form2->AutoStart->setChecked(false);
    form2->Repeat->setChecked(true);
    form2->PixelRatio->setItemIndex(2);
    EXPECT_EQ(stored("AutoStart"), "2") << "nothing is written while the dialog is open";
    form2->close();
    EXPECT_FALSE(form2->isVisible());
    EXPECT_EQ(stored("AutoStart"), "1");
    EXPECT_EQ(stored("Repeat"), "2");
    EXPECT_EQ(stored("Pixel"), "2");
    EXPECT_EQ(stored("Locate"), "300 150");

    form1->Option->trigger();
    EXPECT_TRUE(form2->Repeat->isChecked()) << "the same controls come back";
    QTest::keyClick(form2, Qt::Key_Escape);
    EXPECT_FALSE(form2->isVisible());
}

TEST_F(Settings, AFailedSaveKeepsTheDialogOpenButTheMainWindowStillCloses)
{
    start();
    form1->show();
    form1->Option->trigger();
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_TRUE(QDir().mkdir(ini)) << "a folder where the file should be cannot be written";
    MessageCatcher catcher;
    form2->close();
    ASSERT_EQ(catcher.messages().size(), 1);
    EXPECT_EQ(catcher.messages()[0].text, ini + QStringLiteral(" に書き込めません."));
    EXPECT_TRUE(form2->isVisible());

    EXPECT_TRUE(form1->close());
    EXPECT_EQ(catcher.messages().size(), 2);
    EXPECT_FALSE(form1->isVisible());
}

TEST_F(Settings, AFirstStartThatCannotWriteIsStopped)
{
    ASSERT_TRUE(QDir().mkdir(ini));
    EXPECT_THROW(start(), std::runtime_error);
}

TEST_F(Settings, SpeedOneSizeTakesThreeCharacters)
{
    start();
    form2->Speed1Size->clear();
    QTest::keyClicks(form2->Speed1Size, QStringLiteral("12345"));
    EXPECT_EQ(form2->Speed1Size->text(), QStringLiteral("123"));
    form2->Speed2Size->clear();
    QTest::keyClicks(form2->Speed2Size, QStringLiteral("12345"));
    EXPECT_EQ(form2->Speed2Size->text(), QStringLiteral("12345"));
}

TEST_F(Settings, AnyBytesLoadAndTheNextSaveWritesAValidFile)
{
    std::mt19937 random(20261208);
    const QByteArray fragments[]
            = {"[Velmo]\n", "[velmo]\r\n", "Display=", "Pixel=", "Temp=", "Locate=", "ColorH=",
               "\n",        "=",           "2",        "-",      " ",     "$"};
    // The settings fuzzer tries the file's rules on far more contents; these go through the
    // windows' load and save.
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        QByteArray content;
        const int pieces = int(random() % 60);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 3 == 0) {
                content += fragments[random() % std::size(fragments)];
            } else {
                for (int n = int(random() % 40); n > 0; --n)
                    content += char(random() % 256);
            }
        }
        Player t;
        t.storeFile(content);
        t.start();
        t.form2->SaveSettings();
        settings::PrivateProfile saved(t.ini);
        const auto isInteger = [](const QByteArray &text) {
            bool ok = false;
            text.toInt(&ok);
            return ok;
        };
        EXPECT_TRUE(isInteger(saved.read("Velmo", "Display")));
        EXPECT_TRUE(QByteArrayList({"1", "2"}).contains(saved.read("Velmo", "Screen")));
        EXPECT_TRUE(QByteArrayList({"0", "1", "2"}).contains(saved.read("Velmo", "Pixel")));
        const QByteArrayList temp = saved.read("Velmo", "Temp").split(' ');
        EXPECT_EQ(temp.size(), 4);
        for (const QByteArray &number : temp)
            EXPECT_TRUE(isInteger(number)) << number.constData();
        EXPECT_EQ(saved.read("Velmo", "Locate").split(' ').size(), 2);

        // What was saved loads back to the same controls.
        Player again;
        again.storeFile(t.fileBytes());
        again.start();
        EXPECT_EQ(again.colorChoice(), t.colorChoice());
        EXPECT_EQ(again.form2->PixelRatio->itemIndex(), t.form2->PixelRatio->itemIndex());
        EXPECT_EQ(again.form1->DisplayMode, t.form1->DisplayMode);
    }
}
