#include "media/mpvwaits.h"

#include "media/mcivocabulary.h"
#include "media/mpvhandle.h"
#include "media/mpvproperties.h"
#include "media/mpvtracks.h"
#include "media/upright.h"

#include <QtGlobal>

#include <mpv/client.h>

#include <cmath>

namespace media::mpvwaits {
namespace {

using namespace std::chrono_literals;

// A file the engine cannot make sense of within this time counts as unplayable.
constexpr auto LoadDeadline = 5000ms;
constexpr auto SeekDeadline = 5000ms;
// Two frame times closer than this are the same.
constexpr double SameTime = 1e-4;

bool isEvent(const mpv_event &event, mpv_event_id id)
{
    return event.event_id == id;
}

} // namespace

bool loadMovie(MpvHandle &mpv, const QByteArray &path, quint32 &error,
               const std::function<void(int quarterTurn)> &turnUpright)
{
    // The engine waits in the hook until the turn is known: the first picture is drawn turned.
    if (mpv_hook_add(mpv.get(), 0, mpvnames::PreloadedHook, 0) < 0
        || mpv.command({mpvnames::LoadFile, path.constData(), "replace"}) < 0) {
        error = mci::MCIERR_INVALID_FILE;
        return false;
    }
    bool loaded = false;
    const bool ended = mpv.waitForEvent(
            [&](const mpv_event &event) {
                if (isEvent(event, MPV_EVENT_HOOK)) {
                    const auto *hook = static_cast<const mpv_event_hook *>(event.data);
                    if (turnUpright)
                        turnUpright(upright::quarterTurn(tracksOf(mpv.get()).rotation));
                    mpv_hook_continue(mpv.get(), hook->id);
                    return false;
                }
                if (isEvent(event, MPV_EVENT_FILE_LOADED)) {
                    loaded = true;
                    return true;
                }
                return isEvent(event, MPV_EVENT_END_FILE);
            },
            LoadDeadline);
    if (!ended) {
        error = mci::MCIERR_DEVICE_NOT_READY;
        // The user's message cannot tell a file that loads too slowly from one that is broken;
        // a load given up by the player itself is neither.
        if (!mpv.interrupted())
            qWarning("velmomp: %s did not load within %lld ms", path.constData(),
                     qlonglong(LoadDeadline.count()));
    } else if (!loaded)
        error = mci::MCIERR_INVALID_FILE;
    return loaded;
}

bool waitForPlaybackRestart(MpvHandle &mpv)
{
    return mpv.waitForEvent(
            [](const mpv_event &event) { return isEvent(event, MPV_EVENT_PLAYBACK_RESTART); },
            SeekDeadline);
}

std::optional<double> waitForFrameStep(MpvHandle &mpv, double fromTime,
                                       std::chrono::milliseconds deadline)
{
    bool ran = false;
    std::optional<double> time;
    const bool paused = mpv.waitForEvent(
            [&](const mpv_event &event) {
                if (event.event_id != MPV_EVENT_PROPERTY_CHANGE)
                    return false;
                if (!mpv.flagProperty(mpvnames::Pause).value_or(false)) {
                    ran = true;
                    return false;
                }
                // The pause that ends the step, not one from before it.
                time = mpv.doubleProperty(mpvnames::TimePos);
                return ran || (time && std::abs(*time - fromTime) > SameTime);
            },
            deadline);
    return paused ? time : std::nullopt;
}

} // namespace media::mpvwaits
