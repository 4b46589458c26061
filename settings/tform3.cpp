#include "settings/tform3.h"

#include "settings/tform2.h"

TForm3::TForm3(TForm2 &settingsDialog)
    : QDialog(&settingsDialog)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("テンポラリの設定"));
    resize(369, 252);
}
