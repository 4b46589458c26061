// The main window and the settings dialog: opening the dialog, and what loading and saving the
// settings take from the main window and give it.
#include "app/tform1.h"
#include "display/modeinventory.h"
#include "settings/livesettings.h"

#include <QFileDialog>

void TForm1::OptionClick()
{
    Form2->showAt(pos() + QPoint(20, 20));
}

QWidget &TForm1::ownerWindow()
{
    return *this;
}

qint32 TForm1::countDisplayModes()
{
    qint32 mask = 0;
    DDrawObject->EnumDisplayModes([&mask](const display::ModeDescription &mode) {
        return display::ModeInventoryCallback(mode, mask);
    });
    return mask;
}

void TForm1::startOpenDialogIn(const QString &folder)
{
    OpenDialog1->setDirectory(folder);
}

void TForm1::startSaveDialogIn(const QString &folder)
{
    SaveDialog1->setDirectory(folder);
}

QByteArray TForm1::lastOpenDir() const
{
    return LastOpenDir;
}

QByteArray TForm1::saveDir() const
{
    return SaveDir;
}

void TForm1::setFirstDisplayMode(int mode)
{
    DisplayMode = mode;
}

void TForm1::settingsLoaded(settings::LiveSettings &settings)
{
    Form2 = &settings;
    StartupState = 1;
}
