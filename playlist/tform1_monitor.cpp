// The once-a-second playback monitor.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "settings/tform2.h"

#include <QCheckBox>

namespace {
// The position seen at the end of the previous tick, across movie changes.
qint32 LastPosition = 0;
} // namespace

void TForm1::Timer1Timer()
{
    // The first tick after the settings were read completes the start-up.
    if (StartupState == 1) {
        StartupState = 2;
        SetAcceptDrops(true);
        if (FileCount != 0)
            LoadCurrentFile();
    }

    // The end is noticed once: when the movie moved since the last tick and now stands there.
    if (MovieOpened == 1) {
        if (MediaPlayer1->QueryPosition() != LastPosition
            && MediaPlayer1->QueryLength() == MediaPlayer1->QueryPosition()) {
            ArmStillRefresh();
            if (settingChecked(&TForm2::Continue))
                NextFileClick();
            else if (settingChecked(&TForm2::Repeat))
                LoadCurrentFile();
        }
        LastPosition = MediaPlayer1->QueryPosition();
    }

    // A load above may have failed.
    if (MovieOpened == 1) {
        if (RefreshCountdown == 3)
            RefreshStill();
        if (RefreshCountdown != 0)
            ++RefreshCountdown;
    }
}
