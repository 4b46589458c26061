#include "media/upright.h"

#include <algorithm>

namespace media::upright {

int quarterTurn(qint64 clockwiseDegrees)
{
    const qint64 degrees = ((clockwiseDegrees % 360) + 360) % 360;
    return int(((degrees + 45) / 90) % 4) * 90;
}

QSize turned(QSize size, int quarterTurn)
{
    return quarterTurn == 90 || quarterTurn == 270 ? size.transposed() : size;
}

void turn(const QImage &drawn, int quarterTurn, QImage &into)
{
    const QSize size = turned(drawn.size(), quarterTurn);
    if (into.size() != size || into.format() != drawn.format())
        into = QImage(size, drawn.format());
    const int width = drawn.width();
    const int height = drawn.height();
    const qsizetype line = drawn.bytesPerLine() / qsizetype(sizeof(quint32));
    const auto *pixels = reinterpret_cast<const quint32 *>(drawn.constBits());
    // Where the upright pixel (x, y) comes from, and how far the next one along the row is.
    const auto from = [&](int x, int y) -> const quint32 * {
        switch (quarterTurn) {
        case 90:
            return pixels + (height - 1 - x) * line + y;
        case 180:
            return pixels + (height - 1 - y) * line + (width - 1 - x);
        case 270:
            return pixels + x * line + (width - 1 - y);
        default:
            return pixels + y * line + x;
        }
    };
    const qsizetype step = quarterTurn == 90 ? -line
            : quarterTurn == 180             ? -1
            : quarterTurn == 270             ? line
                                             : 1;
    // In tiles, so that the reads down the drawn picture's columns stay in the cache.
    constexpr int Tile = 64;
    for (int top = 0; top < size.height(); top += Tile) {
        for (int left = 0; left < size.width(); left += Tile) {
            const int right = std::min(left + Tile, size.width());
            for (int y = top; y < std::min(top + Tile, size.height()); ++y) {
                auto *to = reinterpret_cast<quint32 *>(into.scanLine(y));
                const quint32 *source = from(left, y);
                for (int x = left; x < right; ++x, source += step)
                    to[x] = *source;
            }
        }
    }
}

bool isShowable(QSize displaySize)
{
    return displaySize.width() > 0 && displaySize.height() > 0 && displaySize.width() <= MaxSide
            && displaySize.height() <= MaxSide;
}

} // namespace media::upright
