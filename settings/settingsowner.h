#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QWidget;

namespace settings {

class LiveSettings;

// The main window as the settings dialog sees it: what the settings file keeps of it and what
// loading the settings gives it. The main window implements it; the dialog writes none of its
// members.
class SettingsOwner
{
public:
    // The window the dialog belongs to; "Locate" keeps its position.
    virtual QWidget &ownerWindow() = 0;

    // The usable full-screen modes, counted by the display-mode layer: 1, 2, 4 for 320*240 at
    // 16, 24, 32 bits; 16, 32, 64 for 640*480.
    virtual qint32 countDisplayModes() = 0;

    // The folders the open and the capture dialogs start in.
    virtual void startOpenDialogIn(const QString &folder) = 0;
    virtual void startSaveDialogIn(const QString &folder) = 0;
    // The folders chosen in them during the run, empty until one is.
    virtual QByteArray lastOpenDir() const = 0;
    virtual QByteArray saveDir() const = 0;

    // The display mode the first movie is shown in.
    virtual void setFirstDisplayMode(int mode) = 0;

    // The settings are loaded: the main window reads them from now on, and its start-up can
    // go on.
    virtual void settingsLoaded(LiveSettings &settings) = 0;

protected:
    ~SettingsOwner() = default;
};

} // namespace settings
