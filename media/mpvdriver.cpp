#include "media/mpvdriver.h"

#include "media/avformatinput.h"
#include "media/framemath.h"
#include "media/mpvmovie.h"

#include <algorithm>
#include <malloc.h>

namespace media {

using namespace mci;

MpvDriver::MpvDriver(MpvOptions extraOptions, qint64 cacheBytes)
    : m_extraOptions(std::move(extraOptions))
    , m_cacheBytes(cacheBytes)
{}

MpvDriver::~MpvDriver() = default;

quint32 MpvDriver::sendCommand(quint32 deviceId, quint32 command, quint32 flags, Parms &parms)
{
    if (command == MCI_OPEN)
        return open(parms);
    const auto found = m_devices.find(deviceId);
    if (found == m_devices.end())
        return MCIERR_INVALID_DEVICE_ID;
    Device &device = found->second;
    MpvMovie &movie = *device.movie;
    const bool video = movie.hasVideo();
    switch (command) {
    case MCI_CLOSE:
        m_devices.erase(found);
        // A closed movie's engine leaves its freed pages inside the heap, where the next one
        // does not necessarily reuse them: 14 MiB on a walk through short movies.
        malloc_trim(0);
        return 0;
    case MCI_PLAY:
        return video ? movie.play() : MCIERR_UNSUPPORTED_FUNCTION;
    case MCI_STOP:
        return movie.stop();
    case MCI_PAUSE:
        return movie.pause();
    case MCI_RESUME:
        return movie.mode() == MCI_MODE_PAUSE ? movie.play() : MCIERR_UNSUPPORTED_FUNCTION;
    case MCI_SEEK:
        return seek(device, flags, parms);
    case MCI_STEP:
        return step(device, flags, parms);
    case MCI_STATUS:
        return status(device, flags, parms);
    case MCI_GETDEVCAPS:
        return capability(device, parms);
    case MCI_SET:
        if ((flags & MCI_SET_TIME_FORMAT) == 0)
            return MCIERR_UNSUPPORTED_FUNCTION;
        if (parms.timeFormat != MCI_FORMAT_MILLISECONDS && parms.timeFormat != MCI_FORMAT_FRAMES)
            return MCIERR_OUTOFRANGE;
        device.timeFormat = parms.timeFormat;
        return 0;
    case MCI_WINDOW:
        if (!video)
            return MCIERR_UNSUPPORTED_FUNCTION;
        movie.bind(parms.window);
        return 0;
    case MCI_PUT:
        if (!video || (flags & MCI_DGV_PUT_DESTINATION) == 0)
            return MCIERR_UNSUPPORTED_FUNCTION;
        movie.setDestination(parms.rect);
        return 0;
    case MCI_WHERE:
        return where(device, flags, parms);
    case MCI_UPDATE:
        if (parms.image == nullptr)
            return MCIERR_FLAGS_NOT_COMPATIBLE;
        return movie.paintFrame(*parms.image) ? 0 : MCIERR_UNSUPPORTED_FUNCTION;
    default:
        return MCIERR_UNRECOGNIZED_COMMAND;
    }
}

void MpvDriver::setWaitNotice(std::function<void(bool waiting)> notice)
{
    m_waitNotice = std::move(notice);
    for (auto &[id, device] : m_devices)
        device.movie->setWaitNotice(m_waitNotice);
}

quint32 MpvDriver::open(Parms &parms)
{
    // Before the movie opens, so that the engine's first open is bounded too; not at the
    // driver's creation, which would load the demuxers before the player needs them.
    limitAllocations();
    MpvMovie::Failure failure;
    std::unique_ptr<MpvMovie> movie
            = MpvMovie::open(parms.elementName, m_extraOptions, m_cacheBytes, failure);
    if (!movie)
        return failure.error != 0 ? failure.error : MCIERR_INVALID_FILE;
    movie->setWaitNotice(m_waitNotice);
    const quint32 id = m_nextId++;
    m_devices[id] = Device {std::move(movie), MCI_FORMAT_FRAMES};
    parms.deviceId = id;
    return 0;
}

quint32 MpvDriver::status(Device &device, quint32 flags, Parms &parms)
{
    if ((flags & MCI_STATUS_ITEM) == 0)
        return MCIERR_FLAGS_NOT_COMPATIBLE;
    const MpvMovie &movie = *device.movie;
    const auto inFormat = [&](qint64 frames) {
        return quint32(device.timeFormat == MCI_FORMAT_MILLISECONDS
                               ? framemath::framesToMilliseconds(frames, movie.fps())
                               : frames);
    };
    switch (parms.item) {
    case MCI_STATUS_LENGTH:
        parms.returnValue = inFormat(movie.length());
        return 0;
    case MCI_STATUS_POSITION:
        parms.returnValue = inFormat(movie.position());
        return 0;
    case MCI_STATUS_MODE:
        parms.returnValue = movie.mode();
        return 0;
    default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

quint32 MpvDriver::seek(Device &device, quint32 flags, const Parms &parms)
{
    MpvMovie &movie = *device.movie;
    if ((flags & MCI_SEEK_TO_START) != 0)
        return movie.seek(0);
    if ((flags & MCI_TO) == 0)
        return MCIERR_FLAGS_NOT_COMPATIBLE;
    const qint64 to = device.timeFormat == MCI_FORMAT_MILLISECONDS
            ? framemath::millisecondsToFrames(parms.to, movie.fps())
            : qint64(parms.to);
    if (parms.to < 0)
        return MCIERR_OUTOFRANGE;
    return movie.seek(to);
}

quint32 MpvDriver::step(Device &device, quint32 flags, const Parms &parms)
{
    MpvMovie &movie = *device.movie;
    if (!movie.hasVideo())
        return MCIERR_UNSUPPORTED_FUNCTION;
    const qint64 frames = (flags & MCI_DGV_STEP_FRAMES) != 0 ? parms.frames : 1;
    const qint64 by = (flags & MCI_DGV_STEP_REVERSE) != 0 ? -frames : frames;
    // A step that would cross an end stops there.
    return movie.seek(std::clamp<qint64>(movie.position() + by, 0, movie.length()));
}

quint32 MpvDriver::capability(const Device &device, Parms &parms)
{
    const MpvMovie &movie = *device.movie;
    switch (parms.item) {
    case MCI_GETDEVCAPS_CAN_PLAY:
        parms.returnValue = 1;
        return 0;
    case MCI_GETDEVCAPS_CAN_RECORD:
    case MCI_GETDEVCAPS_CAN_EJECT:
        parms.returnValue = 0;
        return 0;
    case MCI_GETDEVCAPS_HAS_VIDEO:
        parms.returnValue = movie.hasVideo() ? 1 : 0;
        return 0;
    case MCI_GETDEVCAPS_DEVICE_TYPE:
        parms.returnValue = movie.deviceType();
        return 0;
    default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

quint32 MpvDriver::where(const Device &device, quint32 flags, Parms &parms)
{
    const MpvMovie &movie = *device.movie;
    if ((flags & MCI_DGV_WHERE_SOURCE) != 0) {
        parms.rect = QRect(QPoint(0, 0), movie.sourceSize());
        return 0;
    }
    if ((flags & MCI_DGV_WHERE_DESTINATION) != 0 && movie.hasVideo()) {
        parms.rect = movie.destination();
        return 0;
    }
    return MCIERR_UNSUPPORTED_FUNCTION;
}

} // namespace media
