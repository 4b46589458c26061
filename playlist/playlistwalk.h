#pragma once

#include <functional>

namespace playlist {

// Where a walk to the next or previous file ends, and whether that entry is to be loaded.
struct WalkResult
{
    int fileIndex = 0;
    bool load = false;

    friend bool operator==(const WalkResult &, const WalkResult &) = default;
};

using EntryEnabled = std::function<bool(int index)>;

// One step forward, passing over disabled entries, wrapping at the end only with repeat.
// Coming all the way back to the start with repeat reloads it (a single file replays).
// From one past the last entry, the step goes on as if from the last entry.
WalkResult walkNext(int fileIndex, int fileCount, bool repeat, const EntryEnabled &enabled);

// One step back, the mirror of walkNext, except that coming back to the start loads nothing.
WalkResult walkPrev(int fileIndex, int fileCount, bool repeat, const EntryEnabled &enabled);

} // namespace playlist
