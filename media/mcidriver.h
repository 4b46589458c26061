#pragma once

#include "media/mcivocabulary.h"

#include <memory>

namespace mci {

// Carries out the media device's commands: the device identifier, a command number, a flags
// word and a parameter record in; an error code (0 for success) out.
class Driver
{
public:
    virtual ~Driver() = default;
    virtual quint32 sendCommand(quint32 deviceId, quint32 command, quint32 flags, Parms &parms) = 0;
};

} // namespace mci
