// Saving the settings survives being killed at any moment: the file then holds the settings
// of the save before or of the save under way, whole.
#include "settings/privateprofile.h"
#include "support/printers.h"
#include "support/scratchfolder.h"
#include "tests/settings/savedsettings.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <optional>
#include <random>
#include <thread>

using settings::PrivateProfile;

namespace {

constexpr int Kills = 200;
// The saver needs well under a millisecond per save; kills spread over a few saves.
constexpr int LongestDelayUs = 3000;

std::optional<QByteArray> fileBytes(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The bytes of the file after saving the set into an empty one, and after saving the other
// set and then this one again: saves of a set always leave the same bytes.
QByteArray savedBytes(int set)
{
    ScratchFolder folder;
    PrivateProfile profile(QFile::decodeName(folder.path("VelmoMP.ini")));
    if (!profile.write(SavedSection, savedSettings(set)))
        throw std::runtime_error("cannot save the settings");
    const QByteArray first = fileBytes(folder.path("VelmoMP.ini")).value_or(QByteArray());
    if (!profile.write(SavedSection, savedSettings(1 - set))
        || !profile.write(SavedSection, savedSettings(set)))
        throw std::runtime_error("cannot save the settings");
    if (fileBytes(folder.path("VelmoMP.ini")) != first)
        throw std::runtime_error("saves of the same set differ");
    return first;
}

// Which set the file reads as, key by key through the reader, or nothing for a mix.
std::optional<int> readSet(const PrivateProfile &profile)
{
    for (int set : {0, 1}) {
        bool all = true;
        for (const PrivateProfile::Entry &entry : savedSettings(set))
            all = all && profile.read(SavedSection, entry.key) == entry.value;
        if (all)
            return set;
    }
    return std::nullopt;
}

// What the saver told before it was killed.
struct Told
{
    // The set of the last save that ended, if any.
    std::optional<int> ended;
    // The set of a save that began and did not end.
    std::optional<int> underWay;
};

Told parse(const QByteArray &output)
{
    Told told;
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith("begin "))
            told.underWay = line.mid(6).toInt();
        if (line.startsWith("end ")) {
            told.ended = line.mid(4).toInt();
            told.underWay.reset();
        }
    }
    return told;
}

} // namespace

TEST(KilledSave, LeavesTheOldOrTheNewSettingsWhole)
{
    const QByteArray bytes[] = {savedBytes(0), savedBytes(1)};
    ASSERT_NE(bytes[0], bytes[1]);
    ScratchFolder folder;
    const QByteArray path = folder.path("VelmoMP.ini");
    PrivateProfile profile(QFile::decodeName(path));
    ASSERT_TRUE(profile.write(SavedSection, savedSettings(0)));
    int onDisk = 0;

    std::mt19937 random(20240607);
    int midSave = 0, betweenSaves = 0, beforeFirstSave = 0;
    int keptOld = 0, tookNew = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        SCOPED_TRACE(kill);
        QProcess saver;
        saver.start(QStringLiteral(SETTINGSSAVER_PATH),
                    {QFile::decodeName(path), QString::number(1 - onDisk)});
        ASSERT_TRUE(saver.waitForStarted());
        ASSERT_TRUE(saver.waitForReadyRead()) << "the saver did not start saving";
        std::this_thread::sleep_for(std::chrono::microseconds(random() % LongestDelayUs));
        ::kill(pid_t(saver.processId()), SIGKILL);
        ASSERT_TRUE(saver.waitForFinished());
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit) << "the saver stopped by itself";
        const Told told = parse(saver.readAllStandardOutput());

        const std::optional<QByteArray> now = fileBytes(path);
        ASSERT_TRUE(now.has_value()) << "the settings file is missing";
        ASSERT_FALSE(now->isEmpty()) << "the settings file is empty";
        const std::optional<int> set = readSet(profile);
        ASSERT_TRUE(set.has_value()) << "a mix of both saves:\n" << now->toStdString();
        EXPECT_EQ(*now, bytes[*set]) << "not byte for byte a save of set " << *set;

        // Whatever ended is on the disk; a save under way may have made it or not.
        const int before = told.ended.value_or(onDisk);
        if (told.underWay) {
            ++midSave;
            EXPECT_TRUE(*set == before || *set == *told.underWay) << "set " << *set;
            ++(*set == before ? keptOld : tookNew);
        } else {
            ++(told.ended ? betweenSaves : beforeFirstSave);
            EXPECT_EQ(*set, before);
        }
        onDisk = *set;
    }
    // A save killed between naming its new file and renaming it over the old one leaves that
    // file behind; only the settings file itself is ever read.
    const qsizetype leftBehind = QDir(QFile::decodeName(folder.path("")))
                                         .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                                         .size()
            - 1;
    std::printf("%d kills: %d in the middle of a save (%d left the old settings, %d the new), "
                "%d between saves, %d before the first save; %d unfinished files left behind\n",
                Kills, midSave, keptOld, tookNew, betweenSaves, beforeFirstSave, int(leftBehind));
    std::fflush(stdout);
    EXPECT_GT(midSave, 0) << "no kill landed in the middle of a save; the test proves nothing";
}

TEST(KilledSave, ASetWithOneUnwritableKeyIsNotWrittenAtAll)
{
    ScratchFolder folder;
    const QByteArray path = folder.path("VelmoMP.ini");
    PrivateProfile profile(QFile::decodeName(path));
    ASSERT_TRUE(profile.write(SavedSection, savedSettings(0)));
    const std::optional<QByteArray> before = fileBytes(path);

    QList<PrivateProfile::Entry> entries = savedSettings(1);
    entries.insert(3, {"Bad=Key", "1"});
    EXPECT_FALSE(profile.write(SavedSection, entries));
    entries[3] = {"LastOpen", "two\nlines"};
    EXPECT_FALSE(profile.write(SavedSection, entries));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(readSet(profile), 0);
}
