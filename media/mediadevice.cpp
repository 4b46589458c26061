#include "media/mediadevice.h"

namespace media {

using namespace mci;

EMCIDeviceError::EMCIDeviceError(const QString &text)
    : std::runtime_error(text.toStdString())
{}

MediaDevice::MediaDevice(std::unique_ptr<Driver> driver)
    : m_driver(std::move(driver))
{
    m_driver->setWaitNotice([this](bool waiting) {
        if (OnWaiting)
            OnWaiting(waiting);
    });
}

MediaDevice::~MediaDevice()
{
    if (DeviceId != 0) {
        Parms parms;
        m_driver->sendCommand(DeviceId, MCI_CLOSE, MCI_WAIT, parms);
    }
}

QString MediaDevice::ErrorText() const
{
    const QString text = errorText(LastError);
    return text.isEmpty() ? QStringLiteral("原因不明のｴﾗｰ") : text;
}

void MediaDevice::RequireOpen() const
{
    if (!IsOpen)
        throw EMCIDeviceError(QStringLiteral("MCI ﾃﾞﾊﾞｲｽがありません"));
}

Parms MediaDevice::record()
{
    Parms parms;
    parms.callback = &m_window;
    return parms;
}

quint32 MediaDevice::send(quint32 command, quint32 flags, Parms &parms)
{
    CommandFlags = flags;
    const quint32 result = m_driver->sendCommand(DeviceId, command, flags, parms);
    if ((flags & MCI_NOTIFY) != 0)
        NotifyValue = result == 0 ? Successful : Failure;
    return result;
}

void MediaDevice::OpenDevice()
{
    if (IsOpen)
        CloseDevice();
    quint32 flags = MCI_WAIT;
    if (!FileName.isEmpty())
        flags |= MCI_OPEN_ELEMENT;
    Parms open = record();
    open.elementName = FileName;
    CommandFlags = flags;
    LastError = m_driver->sendCommand(0, MCI_OPEN, flags, open);
    if (LastError != 0)
        throw EMCIDeviceError(ErrorText());
    IsOpen = true;
    DeviceId = quint16(open.deviceId);
    StepFrames = QueryLength() / 10;

    const auto capability = [this](quint32 item) {
        Parms parms = record();
        parms.item = item;
        send(MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM | MCI_WAIT, parms);
        return parms.returnValue;
    };
    capability(MCI_GETDEVCAPS_CAN_PLAY);
    capability(MCI_GETDEVCAPS_CAN_RECORD);
    capability(MCI_GETDEVCAPS_CAN_EJECT);
    HasVideo = (capability(MCI_GETDEVCAPS_HAS_VIDEO) & 0xFF) != 0;
    capability(MCI_GETDEVCAPS_DEVICE_TYPE);

    Parms source = record();
    LastError = send(MCI_WHERE, MCI_DGV_WHERE_SOURCE, source);
    DefaultWidth = source.rect.width() - source.rect.left();
    DefaultHeight = source.rect.height() - source.rect.top();
    if (HasVideo) {
        SetDisplayWindow(Display);
        QRect destination(0, 0, DefaultWidth, DefaultHeight);
        WhereDestination(destination);
        DefaultWidth = destination.width() - destination.left();
        DefaultHeight = destination.height() - destination.top();
    }
}

void MediaDevice::CloseDevice()
{
    if (DeviceId == 0)
        return;
    Parms parms = record();
    LastError = send(MCI_CLOSE, MCI_WAIT, parms);
    if (LastError == 0) {
        IsOpen = false;
        DeviceId = 0;
    }
}

void MediaDevice::StartPlay()
{
    RequireOpen();
    if (QueryPosition() == QueryLength())
        SeekToStart();
    Parms parms = record();
    LastError = send(MCI_PLAY, MCI_NOTIFY, parms);
}

void MediaDevice::StopPlay()
{
    RequireOpen();
    Parms parms = record();
    LastError = send(MCI_STOP, MCI_WAIT, parms);
}

void MediaDevice::TogglePause()
{
    RequireOpen();
    if (QueryMode() == Playing)
        PauseDevice();
    else if (QueryMode() == Paused)
        ResumeDevice();
}

void MediaDevice::PauseDevice()
{
    RequireOpen();
    Parms parms = record();
    LastError = send(MCI_PAUSE, MCI_WAIT, parms);
}

void MediaDevice::ResumeDevice()
{
    RequireOpen();
    Parms parms = record();
    LastError = send(MCI_RESUME, MCI_NOTIFY, parms);
    if (LastError != 0)
        StartPlay();
}

void MediaDevice::StepForward()
{
    RequireOpen();
    if (!HasVideo)
        return;
    if (QueryPosition() == QueryLength())
        SeekToStart();
    Parms parms = record();
    parms.frames = StepFrames;
    LastError = send(MCI_STEP, MCI_WAIT | MCI_DGV_STEP_FRAMES, parms);
}

void MediaDevice::StepBackward()
{
    RequireOpen();
    if (!HasVideo)
        return;
    Parms parms = record();
    parms.frames = StepFrames;
    LastError = send(MCI_STEP, MCI_WAIT | MCI_DGV_STEP_FRAMES | MCI_DGV_STEP_REVERSE, parms);
}

void MediaDevice::SeekTo(qint32 position)
{
    RequireOpen();
    Parms parms = record();
    parms.to = position;
    LastError = send(MCI_SEEK, MCI_WAIT | MCI_TO, parms);
}

void MediaDevice::SeekToStart()
{
    RequireOpen();
    Parms parms;
    send(MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, parms);
}

void MediaDevice::SetTimeFormat(quint8 format)
{
    Parms parms = record();
    parms.timeFormat = format;
    LastError = send(MCI_SET, MCI_SET_TIME_FORMAT | MCI_NOTIFY, parms);
}

quint32 MediaDevice::status(quint32 item)
{
    Parms parms = record();
    parms.item = item;
    LastError = send(MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, parms);
    return parms.returnValue;
}

qint32 MediaDevice::QueryLength()
{
    RequireOpen();
    return qint32(status(MCI_STATUS_LENGTH));
}

qint32 MediaDevice::QueryPosition()
{
    return qint32(status(MCI_STATUS_POSITION));
}

int MediaDevice::QueryMode()
{
    // Modes 524..530 become 0..6; anything else falls outside the known modes.
    const quint32 mode = status(MCI_STATUS_MODE);
    return mode >= MCI_MODE_NOT_READY && mode <= MCI_MODE_OPEN ? int(mode - MCI_MODE_NOT_READY)
                                                               : -1;
}

void MediaDevice::SetDisplayWindow(QWidget *control)
{
    if (control != nullptr && IsOpen && HasVideo) {
        Parms parms = record();
        parms.window = control;
        LastError = send(MCI_WINDOW, MCI_DGV_WINDOW_HWND | MCI_WAIT, parms);
        Display = LastError == 0 ? control : nullptr;
        return;
    }
    Display = control;
}

void MediaDevice::PutDestination(const QRect &rect)
{
    if (!IsOpen || !HasVideo)
        return;
    Parms parms = record();
    parms.rect = rect.width() == 0 && rect.height() == 0
            ? QRect(rect.left(), rect.top(), DefaultWidth, DefaultHeight)
            : rect;
    LastError = send(MCI_PUT, MCI_DGV_RECT | MCI_DGV_PUT_DESTINATION, parms);
}

void MediaDevice::WhereDestination(QRect &rect)
{
    if (!IsOpen || !HasVideo)
        return;
    Parms parms = record();
    LastError = send(MCI_WHERE, MCI_DGV_WHERE_DESTINATION, parms);
    if (LastError == 0)
        rect = parms.rect;
}

qint32 MediaDevice::QueryDeviceType()
{
    Parms parms;
    parms.item = MCI_GETDEVCAPS_DEVICE_TYPE;
    m_driver->sendCommand(DeviceId, MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM, parms);
    return qint32(parms.returnValue);
}

QRect MediaDevice::WhereSource()
{
    Parms parms;
    m_driver->sendCommand(DeviceId, MCI_WHERE, MCI_DGV_WHERE_SOURCE, parms);
    return parms.rect;
}

void MediaDevice::PaintFrame(QImage &image)
{
    Parms parms;
    parms.image = &image;
    m_driver->sendCommand(DeviceId, MCI_UPDATE, MCI_DGV_UPDATE_HDC, parms);
}

} // namespace media
