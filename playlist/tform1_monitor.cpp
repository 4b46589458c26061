// The once-a-second playback monitor.
#include "app/tform1.h"
#include "media/mediadevice.h"
#include "settings/livesettings.h"

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
            if (Form2 != nullptr && Form2->continuePlay())
                NextFileClick();
            else if (Form2 != nullptr && Form2->repeat())
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
