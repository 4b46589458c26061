#pragma once

#include "media/mcidriver.h"
#include "media/mpvhandle.h"
#include "media/mpvmovielimits.h"

#include <map>

namespace media {

class MpvMovie;

// The media device's commands carried out on libmpv, one movie per open device.
class MpvDriver final : public mci::Driver
{
public:
    // Extra engine options, e.g. {"ao", "null"} where no sound is wanted; what the pictures kept
    // for steps back may take of memory.
    explicit MpvDriver(MpvOptions extraOptions = {}, qint64 cacheBytes = limits::FrameCacheBytes);
    ~MpvDriver() override;
    Q_DISABLE_COPY_MOVE(MpvDriver)

    quint32 sendCommand(quint32 deviceId, quint32 command, quint32 flags,
                        mci::Parms &parms) override;
    void setWaitNotice(std::function<void(bool waiting)> notice) override;

private:
    struct Device
    {
        std::unique_ptr<MpvMovie> movie;
        quint32 timeFormat = mci::MCI_FORMAT_FRAMES;
    };

    quint32 open(mci::Parms &parms);
    quint32 status(Device &device, quint32 flags, mci::Parms &parms);
    quint32 seek(Device &device, quint32 flags, const mci::Parms &parms);
    quint32 step(Device &device, quint32 flags, const mci::Parms &parms);
    quint32 capability(const Device &device, mci::Parms &parms);
    quint32 where(const Device &device, quint32 flags, mci::Parms &parms);

    MpvOptions m_extraOptions;
    std::function<void(bool waiting)> m_waitNotice;
    qint64 m_cacheBytes;
    std::map<quint32, Device> m_devices;
    quint32 m_nextId = 1;
};

} // namespace media
