#include "display/geometry.h"

namespace geometry {

ZoomTable zoomSizes(QSize source)
{
    ZoomTable sizes;
    sizes[0] = source;
    bool refused = false;
    for (size_t k = 1; k < sizes.size(); ++k) {
        const QSize candidate = sizes[k - 1] + source;
        refused = refused || candidate.width() > 640 || candidate.height() > 480;
        sizes[k] = refused ? sizes[k - 1] : candidate;
    }
    return sizes;
}

QRect fitRect(QSize box, QSize source, int aspectMode)
{
    if (aspectMode == FullMode || source.width() == 0 || source.height() == 0)
        return QRect(0, 0, box.width(), box.height());
    const auto scaled = [](int length, double scale) {
        return int(static_cast<long double>(length) * static_cast<long double>(scale));
    };
    const double sy = double(box.height()) / double(source.height());
    if (aspectMode == ZoomMode)
        return QRect(0, 0, scaled(source.width(), sy), box.height());
    const double sx = double(box.width()) / double(source.width());
    const double s = sx < sy ? sx : sy;
    return QRect(0, 0, scaled(source.width(), s), scaled(source.height(), s));
}

} // namespace geometry
