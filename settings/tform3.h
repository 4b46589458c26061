#pragma once

#include <QDialog>

class TForm2;

// The temporary folder chooser, opened from the settings dialog.
class TForm3 final : public QDialog
{
    Q_OBJECT

public:
    // Built hidden, after the settings dialog.
    explicit TForm3(TForm2 &settingsDialog);
};
