#pragma once

#include <QPoint>
#include <QString>

namespace settings {

// The live settings as the main window sees them. Each value is read at the moment it is
// needed, so a change in the settings dialog takes effect at once; there is no other copy.
class LiveSettings
{
public:
    // Play a movie as soon as it is opened, instead of stepping to its first frame.
    virtual bool autoStart() const = 0;
    // At the end of a movie go on to the next file.
    virtual bool continuePlay() const = 0;
    // At the end of a movie, and at the ends of the playlist, start over.
    virtual bool repeat() const = 0;

    // The colour depth of full screen at 320*240, or colorFull: 640*480 instead.
    virtual bool color16H() const = 0;
    virtual bool color24H() const = 0;
    virtual bool colorFull() const = 0;
    // The colour depth of full screen at 640*480, or colorHalf: 320*240 instead.
    virtual bool color16F() const = 0;
    virtual bool color24F() const = 0;
    virtual bool colorHalf() const = 0;

    // How the picture fits its box: 0 full, 1 normal, 2 zoom; -1 when none is chosen.
    virtual int pixelRatioIndex() const = 0;

    // Read-ahead: warm the disk cache for files under speed1Size MB, or copy files under
    // speed2Size MB to tempDir. The sizes are the texts as typed.
    virtual bool speed1() const = 0;
    virtual QString speed1Size() const = 0;
    virtual bool speed2() const = 0;
    virtual QString speed2Size() const = 0;
    virtual QString tempDir() const = 0;

    // Writes them to the settings file; throws settings::WriteError when it cannot be written.
    virtual void save() = 0;
    // Shows them for the user to change, with the top-left corner at the point; returns at once.
    virtual void showAt(QPoint corner) = 0;

protected:
    ~LiveSettings() = default;
};

} // namespace settings
