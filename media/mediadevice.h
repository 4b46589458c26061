#pragma once

#include "media/mcidriver.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <stdexcept>

namespace media {

// Raised when a movie cannot be opened, and when an operation needs an open device and none
// is open; every other device failure is only recorded in LastError.
class EMCIDeviceError final : public std::runtime_error
{
public:
    explicit EMCIDeviceError(const QString &text);
};

// The device's modes, as QueryMode gives them.
enum PlayerMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

// Kinds of completion.
enum NotifyKind { Successful, Superseded, Aborted, Failure };

// The one media device of the player: a movie opened by file name, shown inside the Display
// window, driven by frame-addressed commands.
class MediaDevice final
{
public:
    explicit MediaDevice(std::unique_ptr<mci::Driver> driver);
    ~MediaDevice();
    Q_DISABLE_COPY_MOVE(MediaDevice)

    bool IsOpen = false;
    quint16 DeviceId = 0;
    quint32 CommandFlags = 0;
    quint32 LastError = 0;
    QByteArray FileName;
    QPointer<QWidget> Display;
    bool HasVideo = false;
    qint32 DefaultWidth = 0;
    qint32 DefaultHeight = 0;
    qint32 StepFrames = 0;
    NotifyKind NotifyValue = Successful;
    // Called when a command waits long before it knows where a frame lies, and when it is over.
    std::function<void(bool waiting)> OnWaiting;

    void OpenDevice();
    void CloseDevice();
    void StartPlay();
    void StopPlay();
    void TogglePause();
    void PauseDevice();
    void ResumeDevice();
    void StepForward();
    void StepBackward();
    void SeekTo(qint32 position);
    void SeekToStart();
    void SetTimeFormat(quint8 format);
    qint32 QueryLength();
    qint32 QueryPosition();
    int QueryMode();
    void SetDisplayWindow(QWidget *control);
    void PutDestination(const QRect &rect);
    // Left as it was when nothing is shown.
    void WhereDestination(QRect &rect);

    // Sent with DeviceId outside the bookkeeping: no open test, no flags or error recorded.
    qint32 QueryDeviceType();
    QRect WhereSource();
    void PaintFrame(QImage &image);

    // The text of LastError.
    QString ErrorText() const;

private:
    void RequireOpen() const;
    quint32 send(quint32 command, quint32 flags, mci::Parms &parms);
    mci::Parms record();
    quint32 status(quint32 item);

    std::unique_ptr<mci::Driver> m_driver;
    // Where completion notices would be addressed: the device's own window.
    QObject m_window;
};

} // namespace media
