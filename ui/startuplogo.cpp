#include "ui/startuplogo.h"

#include "ui/messages.h"

#include <QFont>
#include <QPainter>

namespace ui {

QImage startupLogo()
{
    QImage logo(235, 30, QImage::Format_RGB888);
    logo.fill(Qt::black);
    QPainter painter(&logo);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(logo.rect(), Qt::AlignCenter, applicationTitle());
    return logo;
}

} // namespace ui
