#pragma once

#include "settings/privateprofile.h"

#include <QList>

// The two sets of settings the saver helper writes in turn, each key of one differing from the
// other's, and of a different length, so that any mix or torn file shows.
inline QList<settings::PrivateProfile::Entry> savedSettings(int set)
{
    if (set == 0)
        return {{"Display", "119"},
                {"Screen", "1"},
                {"ColorH", "16"},
                {"ColorF", "32"},
                {"Size", "1"},
                {"AutoStart", "2"},
                {"Continue", "1"},
                {"Repeat", "1"},
                {"Pixel", "0"},
                {"LastOpen", "/home/velmo/movies/"},
                {"SaveDir", "/home/velmo/captures/"},
                {"Temp", "0 0 0 0"},
                {"Locate", "10 20"},
                {"TempDir", "/tmp/"}};
    return {{"Display", "7"},
            {"Screen", "22"},
            {"ColorH", "0"},
            {"ColorF", "24"},
            {"Size", "3"},
            {"AutoStart", "1"},
            {"Continue", "2"},
            {"Repeat", "2"},
            {"Pixel", "12"},
            {"LastOpen", "/media/cdrom/MPEGAV/a much longer folder name/"},
            {"SaveDir", "/srv/x/"},
            {"Temp", "1 700 1 1400"},
            {"Locate", "1280 -1024"},
            {"TempDir", "/var/tmp/velmo read-ahead copies/"}};
}

inline constexpr char SavedSection[] = "Velmo";
