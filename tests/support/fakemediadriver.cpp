#include "support/fakemediadriver.h"

#include <sys/stat.h>

using namespace mci;

quint32 FakeMediaDriver::sendCommand(quint32 deviceId, quint32 command, quint32 flags, Parms &parms)
{
    sent << Sent {command, flags};
    if (command == failCommand) {
        failCommand = 0;
        return failWith;
    }
    if (command == MCI_OPEN) {
        struct stat info
        {};
        if (::stat(parms.elementName.constData(), &info) != 0)
            return MCIERR_FILE_NOT_FOUND;
        if (parms.elementName.contains("broken"))
            return MCIERR_INVALID_FILE;
        audioOnly = parms.elementName.contains("sound");
        parms.deviceId = openDevice = 7;
        position = 0;
        mode = MCI_MODE_STOP;
        timeFormat = MCI_FORMAT_FRAMES;
        destination = QRect(QPoint(0, 0), source);
        return 0;
    }
    if (deviceId == 0 || deviceId != openDevice)
        return MCIERR_INVALID_DEVICE_ID;
    switch (command) {
    case MCI_CLOSE:
        openDevice = 0;
        return 0;
    case MCI_PLAY:
        mode = MCI_MODE_PLAY;
        return 0;
    case MCI_STOP:
        mode = MCI_MODE_STOP;
        return 0;
    case MCI_PAUSE:
        mode = MCI_MODE_PAUSE;
        return 0;
    case MCI_RESUME:
        if (mode != MCI_MODE_PAUSE)
            return MCIERR_UNSUPPORTED_FUNCTION;
        mode = MCI_MODE_PLAY;
        return 0;
    case MCI_SEEK: {
        const qint64 to = (flags & MCI_SEEK_TO_START) != 0 ? 0 : parms.to;
        if (to < 0 || to > Length)
            return MCIERR_OUTOFRANGE;
        position = to;
        mode = MCI_MODE_STOP;
        return 0;
    }
    case MCI_STEP: {
        const qint64 by = (flags & MCI_DGV_STEP_REVERSE) != 0 ? -parms.frames : parms.frames;
        position = std::clamp<qint64>(position + by, 0, Length);
        return 0;
    }
    case MCI_STATUS:
        parms.returnValue = parms.item == MCI_STATUS_MODE ? mode
                : parms.item == MCI_STATUS_LENGTH         ? quint32(Length)
                                                          : quint32(position);
        if (timeFormat == MCI_FORMAT_MILLISECONDS && parms.item != MCI_STATUS_MODE)
            parms.returnValue *= 40;
        return 0;
    case MCI_SET:
        timeFormat = parms.timeFormat;
        return 0;
    case MCI_GETDEVCAPS:
        parms.returnValue = parms.item == MCI_GETDEVCAPS_DEVICE_TYPE
                ? (audioOnly ? MCI_DEVTYPE_WAVEFORM_AUDIO : MCI_DEVTYPE_DIGITAL_VIDEO)
                : parms.item == MCI_GETDEVCAPS_HAS_VIDEO ? (audioOnly ? 0 : 1)
                                                         : 1;
        return 0;
    case MCI_WHERE:
        parms.rect
                = (flags & MCI_DGV_WHERE_SOURCE) != 0 ? QRect(QPoint(0, 0), source) : destination;
        return 0;
    case MCI_PUT:
        destination = parms.rect;
        return 0;
    case MCI_WINDOW:
        return 0;
    case MCI_UPDATE:
        if (parms.image != nullptr)
            parms.image->fill(Qt::gray);
        return 0;
    default:
        return MCIERR_UNRECOGNIZED_COMMAND;
    }
}
