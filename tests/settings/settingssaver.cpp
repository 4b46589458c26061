// Saves the settings file over and over, alternating the two sets of savedsettings.h, until it
// is killed. Standard output tells "begin N" before and "end N" after each save of set N, so
// that whoever kills it knows what was on the way to the disk.
//
// Usage: settingssaver FILE FIRST-SET
#include "settings/privateprofile.h"
#include "tests/settings/savedsettings.h"

#include <QFile>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// Straight to the pipe, unbuffered: a kill must not swallow a line already told.
bool tell(const char *text)
{
    const size_t length = std::strlen(text);
    return ::write(STDOUT_FILENO, text, length) == ssize_t(length);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    settings::PrivateProfile profile(QFile::decodeName(argv[1]));
    int set = std::atoi(argv[2]) == 0 ? 0 : 1;
    const QList<settings::PrivateProfile::Entry> sets[] = {savedSettings(0), savedSettings(1)};
    if (!tell("ready\n"))
        return 1;
    for (;;) {
        if (!tell(set == 0 ? "begin 0\n" : "begin 1\n"))
            return 1;
        if (!profile.write(SavedSection, sets[set]))
            return 1;
        if (!tell(set == 0 ? "end 0\n" : "end 1\n"))
            return 1;
        set = 1 - set;
    }
}
