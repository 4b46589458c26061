#pragma once

#include "media/mcidriver.h"

#include <QList>

// A media engine for tests that need no real movie: every existing file opens as a digital
// video of Length frames at the source size (160*120 unless told), except names containing
// "broken", which are refused, and names containing "sound", which open as audio only. It records
// each command and its flags.
class FakeMediaDriver final : public mci::Driver
{
public:
    struct Sent
    {
        quint32 command;
        quint32 flags;
        friend bool operator==(const Sent &, const Sent &) = default;
    };

    static constexpr qint64 Length = 100;

    quint32 sendCommand(quint32 deviceId, quint32 command, quint32 flags,
                        mci::Parms &parms) override;
    void setWaitNotice(std::function<void(bool waiting)> notice) override
    {
        waitNotice = std::move(notice);
    }

    QList<Sent> sent;
    std::function<void(bool waiting)> waitNotice;
    quint32 openDevice = 0;
    qint64 position = 0;
    quint32 mode = mci::MCI_MODE_STOP;
    quint32 timeFormat = mci::MCI_FORMAT_FRAMES;
    bool audioOnly = false;
    QSize source {160, 120};
    QRect destination;
    // Set to make the next command of that number fail with this code.
    quint32 failCommand = 0;
    quint32 failWith = 0;
};
