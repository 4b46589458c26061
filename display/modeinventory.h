#pragma once

#include "display/displaymodes.h"

namespace display {

// Adds one reported display mode to the bit set of usable full-screen modes: 1, 2, 4 for
// 320*240 at 16, 24, 32 bits per pixel and 16, 32, 64 for 640*480. A mode reported twice sets
// its bit once; other modes are ignored.
EnumResult ModeInventoryCallback(const ModeDescription &mode, qint32 &mask);

} // namespace display
