#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

// The vocabulary of the player's media device: command numbers, flags, items, modes, device
// types and error codes, with the values the player has always used.
namespace mci {

// Commands.
inline constexpr quint32 MCI_OPEN = 0x0803;
inline constexpr quint32 MCI_CLOSE = 0x0804;
inline constexpr quint32 MCI_PLAY = 0x0806;
inline constexpr quint32 MCI_SEEK = 0x0807;
inline constexpr quint32 MCI_STOP = 0x0808;
inline constexpr quint32 MCI_PAUSE = 0x0809;
inline constexpr quint32 MCI_GETDEVCAPS = 0x080B;
inline constexpr quint32 MCI_SET = 0x080D;
inline constexpr quint32 MCI_STEP = 0x080E;
inline constexpr quint32 MCI_STATUS = 0x0814;
inline constexpr quint32 MCI_WINDOW = 0x0841;
inline constexpr quint32 MCI_PUT = 0x0842;
inline constexpr quint32 MCI_WHERE = 0x0843;
inline constexpr quint32 MCI_UPDATE = 0x0854;
inline constexpr quint32 MCI_RESUME = 0x0855;

// Flags.
inline constexpr quint32 MCI_NOTIFY = 0x1;
inline constexpr quint32 MCI_WAIT = 0x2;
inline constexpr quint32 MCI_TO = 0x8;
inline constexpr quint32 MCI_OPEN_ELEMENT = 0x200;
inline constexpr quint32 MCI_SEEK_TO_START = 0x100;
inline constexpr quint32 MCI_STATUS_ITEM = 0x100;
inline constexpr quint32 MCI_GETDEVCAPS_ITEM = 0x100;
inline constexpr quint32 MCI_SET_TIME_FORMAT = 0x400;
inline constexpr quint32 MCI_DGV_WINDOW_HWND = 0x10000;
inline constexpr quint32 MCI_DGV_RECT = 0x10000;
inline constexpr quint32 MCI_DGV_STEP_REVERSE = 0x10000;
inline constexpr quint32 MCI_DGV_STEP_FRAMES = 0x20000;
inline constexpr quint32 MCI_DGV_WHERE_SOURCE = 0x20000;
inline constexpr quint32 MCI_DGV_UPDATE_HDC = 0x20000;
inline constexpr quint32 MCI_DGV_PUT_DESTINATION = 0x40000;
inline constexpr quint32 MCI_DGV_WHERE_DESTINATION = 0x40000;

// Status items.
inline constexpr quint32 MCI_STATUS_LENGTH = 1;
inline constexpr quint32 MCI_STATUS_POSITION = 2;
inline constexpr quint32 MCI_STATUS_MODE = 4;

// Capability items.
inline constexpr quint32 MCI_GETDEVCAPS_CAN_RECORD = 1;
inline constexpr quint32 MCI_GETDEVCAPS_HAS_VIDEO = 3;
inline constexpr quint32 MCI_GETDEVCAPS_DEVICE_TYPE = 4;
inline constexpr quint32 MCI_GETDEVCAPS_CAN_EJECT = 7;
inline constexpr quint32 MCI_GETDEVCAPS_CAN_PLAY = 8;

// Time formats.
inline constexpr quint32 MCI_FORMAT_MILLISECONDS = 0;
inline constexpr quint32 MCI_FORMAT_FRAMES = 3;

// Modes as the status command returns them.
inline constexpr quint32 MCI_MODE_NOT_READY = 524;
inline constexpr quint32 MCI_MODE_STOP = 525;
inline constexpr quint32 MCI_MODE_PLAY = 526;
inline constexpr quint32 MCI_MODE_RECORD = 527;
inline constexpr quint32 MCI_MODE_SEEK = 528;
inline constexpr quint32 MCI_MODE_PAUSE = 529;
inline constexpr quint32 MCI_MODE_OPEN = 530;

// Device types.
inline constexpr quint32 MCI_DEVTYPE_ANIMATION = 519;
inline constexpr quint32 MCI_DEVTYPE_DIGITAL_VIDEO = 520;
inline constexpr quint32 MCI_DEVTYPE_OTHER = 521;
inline constexpr quint32 MCI_DEVTYPE_WAVEFORM_AUDIO = 522;

// Error codes.
inline constexpr quint32 MCIERR_BASE = 256;
inline constexpr quint32 MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
inline constexpr quint32 MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
inline constexpr quint32 MCIERR_HARDWARE = MCIERR_BASE + 6;
inline constexpr quint32 MCIERR_CANNOT_LOAD_DRIVER = MCIERR_BASE + 10;
inline constexpr quint32 MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
inline constexpr quint32 MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
inline constexpr quint32 MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
inline constexpr quint32 MCIERR_INTERNAL = MCIERR_BASE + 21;
inline constexpr quint32 MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
inline constexpr quint32 MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
inline constexpr quint32 MCIERR_INVALID_FILE = MCIERR_BASE + 40;

// The player's text for an error code, or an empty text when the code has none.
QString errorText(quint32 error);

// One parameter record for every command; each command reads and fills the fields it names.
struct Parms
{
    QPointer<QObject> callback;
    quint32 deviceId = 0;
    QByteArray elementName;
    qint32 to = 0;
    quint32 returnValue = 0;
    quint32 item = 0;
    quint32 timeFormat = 0;
    qint32 frames = 0;
    QPointer<QWidget> window;
    // Left, top, width, height.
    QRect rect;
    QImage *image = nullptr;
};

} // namespace mci
