#include "ui/uifont.h"

namespace ui {

QFont playerFont()
{
    // IPAPGothic has the same metrics as the Windows face; fontconfig supplies any other
    // Japanese face when neither is installed.
    QFont font;
    font.setFamilies(QStringList {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                                  QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

} // namespace ui
