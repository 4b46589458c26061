// The live settings as the main window reads them: the dialog's controls at this moment.
#include "settings/tform2.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

bool TForm2::autoStart() const
{
    return AutoStart->isChecked();
}

bool TForm2::continuePlay() const
{
    return Continue->isChecked();
}

bool TForm2::repeat() const
{
    return Repeat->isChecked();
}

bool TForm2::color16H() const
{
    return Color16H->isChecked();
}

bool TForm2::color24H() const
{
    return Color24H->isChecked();
}

bool TForm2::colorFull() const
{
    return ColorFull->isChecked();
}

bool TForm2::color16F() const
{
    return Color16F->isChecked();
}

bool TForm2::color24F() const
{
    return Color24F->isChecked();
}

bool TForm2::colorHalf() const
{
    return ColorHalf->isChecked();
}

int TForm2::pixelRatioIndex() const
{
    return PixelRatio->itemIndex();
}

bool TForm2::speed1() const
{
    return Speed1->isChecked();
}

QString TForm2::speed1Size() const
{
    return Speed1Size->text();
}

bool TForm2::speed2() const
{
    return Speed2->isChecked();
}

QString TForm2::speed2Size() const
{
    return Speed2Size->text();
}

QString TForm2::tempDir() const
{
    return TempDir->text();
}

void TForm2::save()
{
    SaveSettings();
}

void TForm2::showAt(QPoint corner)
{
    // Modeless: the main window stays usable; showing it again only moves it.
    move(corner);
    show();
    raise();
}
