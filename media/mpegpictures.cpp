#include "media/mpegpictures.h"

#include <iterator>

namespace media::mpegpictures {
namespace {

constexpr uint8_t PictureStart = 0x00;
constexpr uint8_t SequenceHeader = 0xB3;
// The start code's prefix, its value, and the header's first bytes after it.
constexpr size_t PictureHeaderBytes = 4 + 2;
constexpr size_t SequenceHeaderBytes = 4 + 4;

// The position of the first start code with this value, or size.
size_t findStartCode(const uint8_t *data, size_t size, uint8_t value, size_t needed)
{
    for (size_t i = 0; i + needed <= size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == value)
            return i;
    }
    return size;
}

} // namespace

PictureType pictureType(const uint8_t *data, size_t size)
{
    const size_t start = findStartCode(data, size, PictureStart, PictureHeaderBytes);
    if (start == size)
        return PictureType::Unknown;
    // Ten bits of temporal reference, then three of picture coding type.
    switch ((data[start + 5] >> 3) & 0x7) {
    case 1: // I
    case 2: // P
    case 4: // D
        return PictureType::Reference;
    case 3:
        return PictureType::Bidirectional;
    default:
        return PictureType::Unknown;
    }
}

std::optional<FrameRate> sequenceFrameRate(const uint8_t *data, size_t size)
{
    const size_t start = findStartCode(data, size, SequenceHeader, SequenceHeaderBytes);
    if (start == size)
        return std::nullopt;
    // Twelve bits each of width and height, four of aspect, four of frame rate code.
    static constexpr FrameRate rates[] = {
            {0, 1},  {24000, 1001}, {24, 1},       {25, 1}, {30000, 1001},
            {30, 1}, {50, 1},       {60000, 1001}, {60, 1},
    };
    const int code = data[start + 7] & 0xF;
    if (code == 0 || code >= int(std::size(rates)))
        return std::nullopt;
    return rates[code];
}

qint64 frameTicks(FrameRate rate, int tickNumerator, int tickDenominator)
{
    if (rate.numerator <= 0 || tickNumerator <= 0 || tickDenominator <= 0)
        return 0;
    return qint64(rate.denominator) * tickDenominator / (qint64(rate.numerator) * tickNumerator);
}

} // namespace media::mpegpictures
