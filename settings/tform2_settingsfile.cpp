// Loading the settings file into the dialog's controls and the main window, and saving them.
#include "settings/inikeys.h"
#include "settings/inivalues.h"
#include "settings/privateprofile.h"
#include "settings/settingslocation.h"
#include "settings/settingsowner.h"
#include "settings/settingsrules.h"
#include "settings/tform2.h"
#include "text/pathparts.h"
#include "ui/radiogroup.h"
#include "ui/taggedframe.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>

namespace {

// Writes are collected and the file is replaced once, so that a player killed while saving
// leaves either the old settings or the new ones, never a mix.
class SettingsFile final
{
public:
    SettingsFile(const QString &path, const QByteArray &section)
        : m_profile(path)
        , m_section(section)
    {}

    bool exists() const { return m_profile.exists(); }
    QByteArray read(QByteArrayView key) const { return m_profile.read(m_section, key); }
    void write(QByteArrayView key, QByteArrayView value)
    {
        m_pending.append({key.toByteArray(), value.toByteArray()});
    }
    void commit()
    {
        if (!m_profile.write(m_section, m_pending))
            throw settings::WriteError(m_profile.filePath());
        m_pending.clear();
    }

private:
    settings::PrivateProfile m_profile;
    QByteArray m_section;
    QList<settings::PrivateProfile::Entry> m_pending;
};

QByteArray checkedValue(const QCheckBox *box)
{
    return box->isChecked() ? "2" : "1";
}

QByteArray localText(const QLineEdit *edit)
{
    return QFile::encodeName(edit->text());
}

} // namespace

namespace inikeys = settings::inikeys;

void TForm2::LoadSettings()
{
    SettingsFile file(IniPath, IniSection);
    if (!file.exists()) {
        settings::ensureFolderFor(IniPath);
        file.write(inikeys::Screen, "1");
        file.write(inikeys::ColorH, settings::decimal(ScreenColorH->Tag));
        file.write(inikeys::ColorF, settings::decimal(ScreenColorF->Tag));
        file.write(inikeys::Size, "1");
        file.write(inikeys::AutoStart, "2");
        file.write(inikeys::Continue, "1");
        file.write(inikeys::Repeat, "1");
        file.write(inikeys::Pixel, "1");
        file.write(inikeys::Temp, "0 0 0 0");
        file.commit();
    }

    // A stored value that is not a number counts as missing: the modes are counted again.
    if (const std::optional<qint32> stored = settings::toInteger(file.read(inikeys::Display))) {
        DisplayModeMask = *stored;
    } else {
        DisplayModeMask = m_mainWindow.countDisplayModes();
    }

    const struct
    {
        qint32 bit;
        QRadioButton *button, *cross;
        ui::TaggedFrame *frame;
        int depth;
    } offered[] = {
            {1, Color16H, ColorHalf, ScreenColorH, 16},
            {2, Color24H, ColorHalf, ScreenColorH, 24},
            {4, Color32H, ColorHalf, ScreenColorH, 32},
            {16, Color16F, ColorFull, ScreenColorF, 16},
            {32, Color24F, ColorFull, ScreenColorF, 24},
            {64, Color32F, ColorFull, ScreenColorF, 32},
    };
    for (const auto &mode : offered) {
        if ((DisplayModeMask & mode.bit) == 0)
            continue;
        mode.cross->setEnabled(true);
        mode.button->setEnabled(true);
        mode.button->setChecked(true);
        mode.frame->Tag = mode.depth;
    }
    if (ScreenColorH->Tag == 0)
        ColorFull->setChecked(true);
    if (ScreenColorF->Tag == 0)
        ColorHalf->setChecked(true);

    (file.read(inikeys::Screen) == "2" ? FullDisp : WinDisp)->setChecked(true);

    const auto applyColor = [](const QByteArray &text, QRadioButton *c16, QRadioButton *c24,
                               QRadioButton *c32, QRadioButton *cross) {
        const std::pair<const char *, QRadioButton *> choices[]
                = {{"16", c16}, {"24", c24}, {"32", c32}, {"0", cross}};
        for (const auto &[value, button] : choices) {
            if (text == value && button->isEnabled()) {
                button->setChecked(true);
                return;
            }
        }
    };
    applyColor(file.read(inikeys::ColorH), Color16H, Color24H, Color32H, ColorFull);
    applyColor(file.read(inikeys::ColorF), Color16F, Color24F, Color32F, ColorHalf);

    const QByteArray size = file.read(inikeys::Size);
    (size == "2" ? HalfSize : size == "3" ? FullSize : SourceSize)->setChecked(true);

    AutoStart->setChecked(file.read(inikeys::AutoStart) == "2");
    Continue->setChecked(file.read(inikeys::Continue) == "2");
    Repeat->setChecked(file.read(inikeys::Repeat) == "2");

    PixelRatio->setItemIndex(settings::pixelIndex(file.read(inikeys::Pixel)));

    if (const QByteArray lastOpen = file.read(inikeys::LastOpen); !lastOpen.isEmpty())
        m_mainWindow.startOpenDialogIn(QFile::decodeName(lastOpen));
    if (const QByteArray saveDir = file.read(inikeys::SaveDir); !saveDir.isEmpty())
        m_mainWindow.startSaveDialogIn(QFile::decodeName(saveDir));

    const settings::ReadAhead readAhead = settings::readAhead(file.read(inikeys::Temp));
    Speed1->setChecked(readAhead.speed1);
    Speed1Size->setText(QFile::decodeName(readAhead.speed1Size));
    Speed2->setChecked(readAhead.speed2);
    Speed2Size->setText(QFile::decodeName(readAhead.speed2Size));

    QWidget &window = m_mainWindow.ownerWindow();
    if (const auto position = settings::windowPosition(file.read(inikeys::Locate), window.pos(),
                                                       window.screen()->geometry().size()))
        window.move(*position);

    const QByteArray tempDir = file.read(inikeys::TempDir);
    TempDir->setText(tempDir.isEmpty() ? pathparts::withSeparator(QDir::tempPath())
                                       : QFile::decodeName(tempDir));

    m_mainWindow.setFirstDisplayMode(FullDisp->isChecked()           ? 1
                                             : FullSize->isChecked() ? 2
                                             : HalfSize->isChecked() ? 3
                                                                     : 4);
}

void TForm2::SaveSettings()
{
    settings::ensureFolderFor(IniPath);
    SettingsFile file(IniPath, IniSection);
    const auto depth
            = [](const QRadioButton *cross, const QRadioButton *c16, const QRadioButton *c24) {
                  return settings::decimal(cross->isChecked()         ? 0
                                                   : c16->isChecked() ? 16
                                                   : c24->isChecked() ? 24
                                                                      : 32);
              };
    const auto number = [](const QLineEdit *edit) {
        return settings::toInteger(localText(edit)).value_or(0);
    };

    file.write(inikeys::Display, settings::decimal(DisplayModeMask));
    file.write(inikeys::Screen, FullDisp->isChecked() ? "2" : "1");
    file.write(inikeys::ColorH, depth(ColorFull, Color16H, Color24H));
    file.write(inikeys::ColorF, depth(ColorHalf, Color16F, Color24F));
    file.write(inikeys::Size, HalfSize->isChecked() ? "2" : FullSize->isChecked() ? "3" : "1");
    file.write(inikeys::AutoStart, checkedValue(AutoStart));
    file.write(inikeys::Continue, checkedValue(Continue));
    file.write(inikeys::Repeat, checkedValue(Repeat));
    file.write(inikeys::Pixel, settings::decimal(PixelRatio->itemIndex()));
    if (const QByteArray lastOpenDir = m_mainWindow.lastOpenDir(); !lastOpenDir.isEmpty())
        file.write(inikeys::LastOpen, settings::singleLine(lastOpenDir));
    if (const QByteArray saveDir = m_mainWindow.saveDir(); !saveDir.isEmpty())
        file.write(inikeys::SaveDir, settings::singleLine(saveDir));
    file.write(inikeys::Temp,
               settings::formatIntegers({Speed1->isChecked() ? 1 : 0, number(Speed1Size),
                                         Speed2->isChecked() ? 1 : 0, number(Speed2Size)}));
    const QWidget &window = m_mainWindow.ownerWindow();
    file.write(inikeys::Locate, settings::formatIntegers({window.x(), window.y()}));
    file.write(inikeys::TempDir, settings::singleLine(localText(TempDir)));
    file.commit();
}
