#include "playlist/playlistwalk.h"

#include <algorithm>

namespace playlist {

WalkResult walkNext(int fileIndex, int fileCount, bool repeat, const EntryEnabled &enabled)
{
    const int start = fileIndex;
    // Indices past the end never reach the entry test.
    int index = std::min(fileIndex, fileCount - 1);
    for (int tries = 0; tries < fileCount; ++tries) {
        ++index;
        if (index == fileCount && repeat)
            index = 0;
        if (index == fileCount)
            return {start, false};
        if (enabled(index))
            return {index, index != start || repeat};
    }
    return {start, false};
}

WalkResult walkPrev(int fileIndex, int fileCount, bool repeat, const EntryEnabled &enabled)
{
    const int start = fileIndex;
    int index = std::clamp(fileIndex, 0, fileCount);
    for (int tries = 0; tries < fileCount; ++tries) {
        --index;
        if (index == -1 && repeat)
            index = fileCount - 1;
        if (index == -1)
            return {start, false};
        if (enabled(index))
            return {index, index != start};
    }
    return {start, false};
}

} // namespace playlist
