#include "playlist/playlistwalk.h"
#include "support/printers.h"

#include <QString>

#include <gtest/gtest.h>

#include <vector>

using playlist::walkNext;
using playlist::walkPrev;
using playlist::WalkResult;

namespace {

struct WalkCase
{
    const char *what;
    int fileIndex;
    std::vector<bool> enabled;
    bool repeat;
    WalkResult next;
    WalkResult prev;
};

} // namespace

namespace playlist {
void PrintTo(const WalkResult &r, std::ostream *out)
{
    *out << "{index " << r.fileIndex << ", load " << r.load << '}';
}
} // namespace playlist

TEST(PlaylistWalk, BothDirections)
{
    const bool on = true, off = false;
    const WalkCase cases[] = {
            {"empty list", 0, {}, off, {0, false}, {0, false}},
            {"empty list, repeat", 0, {}, on, {0, false}, {0, false}},
            {"middle", 1, {on, on, on}, off, {2, true}, {0, true}},
            {"last entry, no repeat: nothing", 2, {on, on, on}, off, {2, false}, {1, true}},
            {"last entry, repeat: wraps to the first", 2, {on, on, on}, on, {0, true}, {1, true}},
            {"first entry, no repeat", 0, {on, on, on}, off, {1, true}, {0, false}},
            {"first entry, repeat: back wraps to the last",
             0,
             {on, on, on},
             on,
             {1, true},
             {2, true}},
            {"disabled entries are passed over", 0, {on, off, on}, off, {2, true}, {0, false}},
            {"wrap searches from entry 0", 2, {off, off, on, on}, on, {3, true}, {3, true}},
            {"wrap passes disabled first entries", 3, {off, on, on, on}, on, {1, true}, {2, true}},
            {"only the current enabled, no repeat", 0, {on, off, off}, off, {0, false}, {0, false}},
            {"only the current enabled, repeat: next reloads, back does not",
             0,
             {on, off, off},
             on,
             {0, true},
             {0, false}},
            {"single file, repeat", 0, {on}, on, {0, true}, {0, false}},
            {"single file, no repeat", 0, {on}, off, {0, false}, {0, false}},
            {"all disabled", 1, {off, off, off}, on, {1, false}, {1, false}},
            {"one past the end, no repeat: back goes to the last enabled",
             3,
             {on, on, off},
             off,
             {3, false},
             {1, true}},
            {"one past the end, repeat: next wraps to the first enabled",
             3,
             {off, on, on},
             on,
             {1, true},
             {2, true}},
            {"one past the end, all disabled", 2, {off, off}, on, {2, false}, {2, false}},
    };
    for (const WalkCase &c : cases) {
        const auto enabled = [&](int index) {
            EXPECT_GE(index, 0) << c.what;
            EXPECT_LT(index, int(c.enabled.size())) << c.what;
            return c.enabled.at(size_t(index));
        };
        const int count = int(c.enabled.size());
        EXPECT_EQ(walkNext(c.fileIndex, count, c.repeat, enabled), c.next) << "next: " << c.what;
        EXPECT_EQ(walkPrev(c.fileIndex, count, c.repeat, enabled), c.prev) << "prev: " << c.what;
    }
}
