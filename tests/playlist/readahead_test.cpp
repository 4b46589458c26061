#include "playlist/readahead.h"
#include "support/printers.h"
#include "support/scratchfolder.h"
#include "tests/playlist/readaheadfiles.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace readaheadfiles;

TEST(ReadAheadRules, ALimitAdmitsWholeMiBBelowIt)
{
    const struct
    {
        int sizeMB;
        const char *limit;
        bool under;
    } cases[] = {
            {9, "10", true}, // 9.99 MiB
            {10, "10", false}, // exactly the limit
            {0, "1", true},
            {0, "0", false},
            {0, "", false},
            {0, "lots", false},
            {0, "5MB", false},
            {0, "-5", false},
            {4, " 5", true}, // leading blanks, as the settings file reads numbers
            {15, "$10", true}, // hexadecimal, likewise
            {16, "0x10", false},
            {0, "99999999999", false}, // beyond 32 bits is no number
            {2147483646, "2147483647", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(playlist::underLimit(c.sizeMB, c.limit), c.under)
                << c.sizeMB << " MiB against \"" << c.limit << '"';
}

TEST(ReadAheadRules, TheCopyIsNamedAfterTheMoviesExtension)
{
    const struct
    {
        QByteArray tempDir;
        QByteArray movie;
        QByteArray copy;
    } cases[] = {
            {"/tmp/", "/clips/sea.avi", "/tmp/VelmoMPtemp.avi"},
            {"/tmp", "/clips/sea.avi", "/tmp/VelmoMPtemp.avi"},
            {"/t/", "/clips/a.b.MPG", "/t/VelmoMPtemp.MPG"},
            {"/t/", "/clips.d/sea", "/t/VelmoMPtemp"},
            {"/t/", "sea.dat", "/t/VelmoMPtemp.dat"},
            {"/t/", "/c/movie.", "/t/VelmoMPtemp."},
            {"/t/", "/c/\x93\xae.\x83\x41", "/t/VelmoMPtemp.\x83\x41"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(playlist::copyName(c.tempDir, c.movie), c.copy)
                << c.tempDir.constData() << " + " << c.movie.constData();
}

TEST(ReadAheadFiles, ACopyReplacesWhatWasThereAndKeepsTheSourcesPermissions)
{
    ScratchFolder folder;
    const QByteArray target = folder.path("copy.avi");
    for (const mode_t mode : {mode_t(0640), mode_t(0444)}) {
        SCOPED_TRACE(mode);
        const QByteArray source = makeMovie(folder, "source.avi", 3 * MiB + 5, mode);
        writeFile(target, "a read-only leftover", 0444);
        EXPECT_TRUE(playlist::copyFile(source, target));
        EXPECT_TRUE(holds(target, contents(source)));
        EXPECT_EQ(permissions(target), mode);
        ::unlink(source.constData());
    }
}

TEST(ReadAheadFiles, AFailedCopyLeavesNothingToPlay)
{
    ScratchFolder folder;
    const QByteArray target = folder.path("copy.avi");
    writeFile(target, "a stale copy of another movie");
    EXPECT_FALSE(playlist::copyFile(folder.path("gone.avi"), target));
    EXPECT_FALSE(exists(target));

    const QByteArray source = makeMovie(folder, "source.avi", 1000);
    EXPECT_FALSE(playlist::copyFile(source, folder.path("no folder/copy.avi")));

    // A copy that stops midway, as on a full disk: here files may not grow past 1 MiB.
    const QByteArray large = makeMovie(folder, "large.avi", 3 * MiB);
    rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = MiB;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool copied = playlist::copyFile(large, target);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(copied);
    EXPECT_FALSE(exists(target)) << "a truncated movie is not left to be played";
}

TEST(ReadAheadFiles, AFileIsNeverCopiedOntoItself)
{
    ScratchFolder folder;
    const QByteArray movie = makeMovie(folder, "movie.avi", 1000);
    const QByteArray before = contents(movie);
    ASSERT_EQ(::symlink(movie.constData(), folder.path("link.avi").constData()), 0);
    for (const QByteArray &target : {movie, folder.path("link.avi")}) {
        EXPECT_TRUE(playlist::sameFile(movie, target));
        EXPECT_FALSE(playlist::copyFile(movie, target));
        EXPECT_TRUE(holds(movie, before)) << target.constData();
    }
    EXPECT_FALSE(playlist::sameFile(movie, makeMovie(folder, "other.avi", 1000)));
    EXPECT_FALSE(playlist::sameFile(movie, folder.path("gone.avi")));
}

TEST(ReadAheadFiles, WhatTheKernelCannotSendIsCopiedThroughABuffer)
{
    // The kernel cannot send from a pipe.
    ScratchFolder folder;
    const QByteArray pipe = folder.path("pipe");
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    const QByteArray bytes = QByteArray(3 * MiB, 'x') + "end";
    // A reader that gives up must fail the test, not end the program.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::thread writer([&] {
        QFile file(QFile::decodeName(pipe));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    });
    const bool copied = playlist::copyFile(pipe, folder.path("copy"));
    writer.join();
    std::signal(SIGPIPE, previous);
    EXPECT_TRUE(copied);
    EXPECT_TRUE(holds(folder.path("copy"), bytes));
}

TEST(ReadAheadFiles, RemovingACopyTakesReadOnlyFilesAndLinksButNotWhatLinksPointAt)
{
    ScratchFolder folder;
    const QByteArray readOnly = folder.path("copy.avi");
    writeFile(readOnly, "copy", 0444);
    const QByteArray movie = makeMovie(folder, "movie.avi", 100);
    const QByteArray link = folder.path("link.avi");
    ASSERT_EQ(::symlink(movie.constData(), link.constData()), 0);
    ::chmod(movie.constData(), 0444);

    playlist::removeCopy(readOnly);
    playlist::removeCopy(link);
    playlist::removeCopy(folder.path("gone.avi"));
    EXPECT_FALSE(exists(readOnly));
    EXPECT_FALSE(exists(link));
    EXPECT_TRUE(exists(movie));
    EXPECT_EQ(permissions(movie), 0444u);
}
