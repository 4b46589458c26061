// The playback commands of the Mode menu.
#include "app/tform1.h"
#include "media/mediadevice.h"

void TForm1::PlayClick()
{
    if (MovieOpened == 0 || MediaPlayer1->QueryMode() == media::Playing)
        return;
    RepaintVideo();
    MediaPlayer1->StartPlay();
}

void TForm1::PauseClick()
{
    // Pausing never resumes: a paused or stopped movie stays as it is.
    if (MovieOpened == 0 || MediaPlayer1->QueryMode() != media::Playing)
        return;
    MediaPlayer1->TogglePause();
    RefreshStill();
}

void TForm1::seekBy(qint32 frames)
{
    ArmStillRefresh();
    if (MovieOpened == 0)
        return;
    // Targets outside the movie are sent as they are; the device refuses them.
    const qint32 position = MediaPlayer1->QueryPosition();
    MediaPlayer1->SeekTo(qint32(quint32(position) + quint32(frames)));
}

void TForm1::NextFrameClick()
{
    seekBy(1);
}

void TForm1::PrevFrameClick()
{
    seekBy(-1);
}

void TForm1::NextSecClick()
{
    seekBy(FrameRate);
}

void TForm1::PrevSecClick()
{
    seekBy(-FrameRate);
}

void TForm1::NextBlockClick()
{
    ArmStillRefresh();
    if (MovieOpened != 0)
        MediaPlayer1->StepForward();
}

void TForm1::PrevBlockClick()
{
    ArmStillRefresh();
    if (MovieOpened != 0)
        MediaPlayer1->StepBackward();
}

void TForm1::RewindFileClick()
{
    if (MovieOpened == 0)
        return;
    MediaPlayer1->SeekToStart();
    PlayClick();
}
