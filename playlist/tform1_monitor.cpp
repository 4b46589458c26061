// The once-a-second playback monitor.
#include "app/tform1.h"

void TForm1::Timer1Timer()
{
    // The first tick after the settings were read completes the start-up.
    if (StartupState == 1) {
        StartupState = 2;
        SetAcceptDrops(true);
        if (FileCount != 0)
            LoadCurrentFile();
    }
}
