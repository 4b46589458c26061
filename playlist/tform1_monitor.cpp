// The once-a-second playback monitor.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "settings/tform2.h"

#include <QCheckBox>

#include <utility>

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
        const qint32 previous = std::exchange(LastPosition, MediaPlayer1->QueryPosition());
        // A movie opened here is left unseen, so that one already at its end when the next
        // tick comes (a movie of a frame or two) still moves the playlist on.
        if (LastPosition != previous && MediaPlayer1->QueryLength() == LastPosition) {
            ArmStillRefresh();
            if (settingChecked(&TForm2::Continue))
                NextFileClick();
            else if (settingChecked(&TForm2::Repeat))
                LoadCurrentFile();
        }
    }

    // A load above may have failed.
    if (MovieOpened == 1) {
        if (RefreshCountdown == 3)
            RefreshStill();
        if (RefreshCountdown != 0)
            ++RefreshCountdown;
    }
}
