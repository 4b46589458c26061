#include "media/nalunits.h"

namespace media::nalunits {

std::optional<bool> startsAtRandomAccess(Codec codec, const uint8_t *data, size_t size)
{
    if (data == nullptr)
        return std::nullopt;
    for (size_t i = 0; i + 3 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        const uint8_t header = data[i + 3];
        if (codec == Codec::H264) {
            // Slices of a coded picture, the last of them an IDR picture's.
            const int type = header & 0x1F;
            if (type >= 1 && type <= 5)
                return type == 5;
        } else {
            // Types below 32 are slices; 16 to 23 those of random access points.
            const int type = (header >> 1) & 0x3F;
            if (type < 32)
                return type >= 16 && type <= 23;
        }
        i += 3;
    }
    return std::nullopt;
}

} // namespace media::nalunits
