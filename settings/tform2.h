#pragma once

#include <QByteArray>
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TForm1;
class TForm3;

namespace ui {
class RadioGroup;
class TaggedFrame;
} // namespace ui

// The settings dialog. Its controls are the player's live settings: the main window reads them
// directly whenever it needs a value, and there is no other copy.
class TForm2 final : public QDialog
{
    Q_OBJECT

public:
    // Built hidden, after the main window: loads the settings file at iniPath into the controls
    // and the main window, then marks the main window's start-up as ready.
    TForm2(TForm1 &mainWindow, const QString &iniPath);

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

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *buildDisplayModePage();
    QWidget *buildColorPage();
    QWidget *buildAspectPage();
    QWidget *buildOtherPage();
    QWidget *buildAboutPage();

    TForm1 &m_mainWindow;
};
