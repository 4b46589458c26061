#pragma once

#include "settings/livesettings.h"

#include <QByteArray>
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TForm3;

namespace settings {
class SettingsOwner;
}

namespace ui {
class RadioGroup;
class TaggedFrame;
} // namespace ui

// The settings dialog. Its controls are the player's live settings: the main window reads them
// through the LiveSettings view whenever it needs a value, and there is no other copy.
class TForm2 final : public QDialog, public settings::LiveSettings
{
    Q_OBJECT

public:
    // Built hidden, after the main window: loads the settings file at iniPath into the controls
    // and the main window, then tells the main window that they are loaded.
    TForm2(settings::SettingsOwner &mainWindow, const QString &iniPath);

    // Beside the executable, or in the user's configuration folder when that is not writable.
    static QString defaultIniPath();

    QString IniPath;
    QByteArray IniSection;
    // Usable full-screen modes: 1, 2, 4 for 320*240 at 16, 24, 32 bits; 16, 32, 64 for 640*480.
    qint32 DisplayModeMask = 0;
    // Registered by the temporary folder chooser when it is built.
    TForm3 *Form3 = nullptr;

    QTabWidget *PageControl1 = nullptr;

    // Page "表示モード".
    QGroupBox *ScreenMode = nullptr;
    QRadioButton *WinDisp = nullptr, *FullDisp = nullptr;
    QCheckBox *AutoStart = nullptr, *Continue = nullptr, *Repeat = nullptr;
    QGroupBox *RadioGroup3 = nullptr;
    QRadioButton *SourceSize = nullptr, *HalfSize = nullptr, *FullSize = nullptr;

    // Page "表示色".
    ui::TaggedFrame *ScreenColorH = nullptr;
    QRadioButton *Color16H = nullptr, *Color24H = nullptr, *Color32H = nullptr,
                 *ColorFull = nullptr;
    ui::TaggedFrame *ScreenColorF = nullptr;
    QRadioButton *Color16F = nullptr, *Color24F = nullptr, *Color32F = nullptr,
                 *ColorHalf = nullptr;

    // Page "アスペクト比".
    ui::RadioGroup *PixelRatio = nullptr;

    // Page "その他".
    QCheckBox *Speed1 = nullptr, *Speed2 = nullptr;
    QLineEdit *Speed1Size = nullptr, *Speed2Size = nullptr, *TempDir = nullptr;
    QPushButton *Button1 = nullptr;

    void LoadSettings();
    // Throws settings::WriteError when the file cannot be written.
    void SaveSettings();
    void ColorFullClick();
    void ColorHalfClick();
    void Button1Click();

    // The live settings, read from the controls.
    bool autoStart() const override;
    bool continuePlay() const override;
    bool repeat() const override;
    bool color16H() const override;
    bool color24H() const override;
    bool colorFull() const override;
    bool color16F() const override;
    bool color24F() const override;
    bool colorHalf() const override;
    int pixelRatioIndex() const override;
    bool speed1() const override;
    QString speed1Size() const override;
    bool speed2() const override;
    QString speed2Size() const override;
    QString tempDir() const override;
    void save() override;
    void showAt(QPoint corner) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *buildDisplayModePage();
    QWidget *buildColorPage();
    QWidget *buildAspectPage();
    QWidget *buildOtherPage();
    QWidget *buildAboutPage();

    settings::SettingsOwner &m_mainWindow;
};
