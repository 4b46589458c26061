#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>
#include <stdexcept>

// How stored settings texts turn into the dialog's choices.
namespace settings {

// The settings file could not be written; the text names the file.
class WriteError final : public std::runtime_error
{
public:
    explicit WriteError(const QString &iniPath);
};

// A folder text as the settings file can hold it: a line break or a zero byte would end the
// line, so the text ends there instead.
QByteArray singleLine(QByteArrayView text);

// The aspect item for a stored "Pixel" text: its integer value, 1 when it is none, limited to
// the three items, and 1 again when below them.
int pixelIndex(QByteArrayView text);

// The stored read-ahead choices, "Speed1 Speed1Size Speed2 Speed2Size"; missing tokens are
// empty.
struct ReadAhead
{
    bool speed1 = false;
    QByteArray speed1Size;
    bool speed2 = false;
    QByteArray speed2Size;
};
ReadAhead readAhead(QByteArrayView text);

// Where a stored "Locate" text puts the main window, or nothing when it stays where the system
// placed it: an empty text, or a position within 50 pixels of the screen's right or bottom edge
// or beyond. A missing or unreadable coordinate keeps the current one.
std::optional<QPoint> windowPosition(QByteArrayView text, QPoint current, QSize screen);

} // namespace settings
