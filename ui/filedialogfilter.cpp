#include "ui/filedialogfilter.h"

namespace ui {

QStringList nameFilters(const QString &filter)
{
    const QStringList pieces = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QStringList patterns = pieces[i + 1].split(u';', Qt::SkipEmptyParts);
        filters << pieces[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

} // namespace ui
