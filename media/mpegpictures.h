#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <optional>

// What the headers of an MPEG-1 or MPEG-2 video packet say, read from its bytes.
namespace media::mpegpictures {

enum class PictureType {
    Unknown,
    // I, P (and MPEG-1's D) pictures: later pictures are predicted from them, so a decoder
    // shows each one only once the next of them has come.
    Reference,
    // B pictures: shown as soon as they are decoded.
    Bidirectional,
};

// The type of the first picture that starts in the packet; Unknown when none does.
PictureType pictureType(const uint8_t *data, size_t size);

struct FrameRate
{
    int numerator = 0;
    int denominator = 1;
};

// The frame rate of a sequence header that starts in the packet, if one does and names a rate.
std::optional<FrameRate> sequenceFrameRate(const uint8_t *data, size_t size);

// One frame time in ticks of the time base (seconds per tick = tickNumerator / tickDenominator),
// rounded down: a time made up from it is never later than the engine's, which adds the exact
// frame time.
qint64 frameTicks(FrameRate rate, int tickNumerator, int tickDenominator);

} // namespace media::mpegpictures
