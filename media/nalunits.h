#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// What the network abstraction layer units of an H.264 or HEVC packet say, read from its bytes
// as transport streams carry them (start codes before each unit).
namespace media::nalunits {

enum class Codec {
    H264,
    Hevc,
};

// Whether the first picture that starts in the packet is one a decoder can start at, as the
// demuxer's parser marks keyframes: an IDR picture (H.264), an intra random access point
// (HEVC). Nothing when no picture starts in it.
std::optional<bool> startsAtRandomAccess(Codec codec, const uint8_t *data, size_t size);

} // namespace media::nalunits
