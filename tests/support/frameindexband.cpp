#include "support/testmovies.h"

#include <QPainter>

#include <algorithm>

// The band of the frame index each test movie's pictures show, written by ffmpeg's filter or
// painted, and read back from any picture of it.
namespace {

constexpr int stripeCount = 12;
constexpr int darkBelow = 80;
constexpr int lightAbove = 176;

} // namespace

// Filled boxes draw the band about ten times faster than a per-pixel geq expression: a black
// band, the white start marker, and a white box per bit that its timeline option shows only in
// the frames (n counts from 0) whose index has that bit set. Stripe k spans the columns x with
// floor(x * 12 / width) == k, as in paintFrameIndex().
QString frameIndexBandFilter()
{
    const auto box = [](const QString &enable, int stripe, int stripes, const char *color) {
        return QStringLiteral(",drawbox=%1x=ceil(%2*iw/%5):y=ceil(ih*3/4)"
                              ":w=ceil(%3*iw/%5)-ceil(%2*iw/%5):h=ih-ceil(ih*3/4)"
                              ":color=%4:t=fill")
                .arg(enable)
                .arg(stripe)
                .arg(stripe + stripes)
                .arg(QLatin1String(color))
                .arg(stripeCount);
    };
    QString filter = QStringLiteral("format=yuv420p");
    filter += box({}, 0, stripeCount, "black");
    filter += box({}, 0, 1, "white");
    for (int bit = 0; bit < stripeCount - 2; ++bit)
        filter += box(QStringLiteral("enable='mod(floor(n/%1),2)':").arg(1 << bit), bit + 1, 1,
                      "white");
    return filter;
}

int meanGray(const QImage &picture, int centreX, int centreY, int halfWidth, int halfHeight)
{
    int sum = 0;
    int count = 0;
    for (int y = centreY - halfHeight; y <= centreY + halfHeight; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = centreX - halfWidth; x <= centreX + halfWidth; ++x) {
            sum += qGray(line[x]);
            ++count;
        }
    }
    return sum / count;
}

std::optional<int> frameIndexOf(const QImage &picture)
{
    if (picture.width() < stripeCount || picture.height() < 8)
        return std::nullopt;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const double stripeWidth = double(rgb.width()) / stripeCount;
    const double bandHeight = rgb.height() / 4.0;
    const int centreY = int(rgb.height() - bandHeight / 2);
    const int halfWidth = int(stripeWidth / 6);
    const int halfHeight = std::min(int(bandHeight / 6), rgb.height() - 1 - centreY);

    int index = 0;
    for (int stripe = 0; stripe < stripeCount; ++stripe) {
        const int centreX = int((stripe + 0.5) * stripeWidth);
        const int gray = meanGray(rgb, centreX, centreY, halfWidth, halfHeight);
        const bool light = gray > lightAbove;
        if (!light && gray >= darkBelow)
            return std::nullopt;
        if (stripe == 0 && !light)
            return std::nullopt;
        if (stripe == stripeCount - 1 && light)
            return std::nullopt;
        if (stripe > 0 && stripe < stripeCount - 1 && light)
            index |= 1 << (stripe - 1);
    }
    return index;
}

void paintFrameIndex(QImage &picture, int index)
{
    if (picture.format() == QImage::Format_Indexed8 || picture.format() == QImage::Format_Mono
        || picture.format() == QImage::Format_MonoLSB)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    const int width = picture.width();
    const int height = picture.height();
    // The same rows and columns as the boxes of frameIndexBandFilter().
    const int top = (3 * height + 3) / 4;
    const auto stripeLeft
            = [width](int stripe) { return (stripe * width + stripeCount - 1) / stripeCount; };
    QPainter painter(&picture);
    for (int stripe = 0; stripe < stripeCount; ++stripe) {
        const bool light = stripe == 0 || (stripe < stripeCount - 1 && (index >> (stripe - 1)) & 1);
        const int left = stripeLeft(stripe);
        painter.fillRect(left, top, stripeLeft(stripe + 1) - left, height - top,
                         light ? Qt::white : Qt::black);
    }
}
