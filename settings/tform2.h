#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QRadioButton;
class QTabWidget;
class TForm1;

// The settings dialog. Its controls are the player's live settings: the main window reads them
// directly whenever it needs a value.
class TForm2 final : public QDialog
{
    Q_OBJECT

public:
    // Built hidden, after the main window; marks the main window's start-up as ready.
    explicit TForm2(TForm1 &mainWindow);

    QTabWidget *PageControl1 = nullptr;

    // Page "表示モード".
    QGroupBox *ScreenMode = nullptr;
    QRadioButton *WinDisp = nullptr, *FullDisp = nullptr;
    QCheckBox *AutoStart = nullptr, *Continue = nullptr, *Repeat = nullptr;
    QGroupBox *RadioGroup3 = nullptr;
    QRadioButton *SourceSize = nullptr, *HalfSize = nullptr, *FullSize = nullptr;

private:
    QWidget *buildDisplayModePage();
};
