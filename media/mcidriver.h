#pragma once

#include "media/mcivocabulary.h"

#include <functional>
#include <memory>

namespace mci {

// Carries out the media device's commands: the device identifier, a command number, a flags
// word and a parameter record in; an error code (0 for success) out.
class Driver
{
public:
    virtual ~Driver() = default;
    virtual quint32 sendCommand(quint32 deviceId, quint32 command, quint32 flags, Parms &parms) = 0;
    // Told on the calling thread when a command has to wait long before it knows where a frame
    // lies (true), and when that wait is over (false), so that the window can say so. Engines
    // that never wait long ignore it.
    virtual void setWaitNotice(std::function<void(bool waiting)> notice) { Q_UNUSED(notice) }
};

} // namespace mci
