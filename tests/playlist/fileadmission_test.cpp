#include "playlist/fileadmission.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

using playlist::admittedFileSize;

TEST(FileAdmission, OrdinaryFilesAreAdmittedWithTheirSize)
{
    ScratchFolder folder;
    EXPECT_EQ(admittedFileSize(folder.makeFile("movie.avi", 1234)), 1234);
    EXPECT_EQ(admittedFileSize(folder.makeFile("empty.avi", 0)), 0);
    EXPECT_EQ(admittedFileSize(folder.makeFile("with blank.avi")), 16);
    EXPECT_EQ(admittedFileSize(folder.makeFile("\x93\xae\x89\xe6.avi")), 16);
    EXPECT_EQ(admittedFileSize(folder.makeFile("a.b.c")), 16);
}

TEST(FileAdmission, RefusedPaths)
{
    ScratchFolder folder;
    const QByteArray movie = folder.makeFile("movie.avi");
    folder.makeFile(".hidden.avi");
    ASSERT_EQ(::mkdir(folder.path("folder.avi").constData(), 0755), 0);
    ASSERT_EQ(::mkfifo(folder.path("fifo.avi").constData(), 0644), 0);
    ASSERT_EQ(::symlink("movie.avi", folder.path("dangling-target").constData()), 0);
    ASSERT_EQ(::symlink("nothing.avi", folder.path("dangling.avi").constData()), 0);

    const struct
    {
        const char *what;
        QByteArray path;
    } cases[] = {
            {"empty", ""},
            {"missing", folder.path("missing.avi")},
            {"folder", folder.path("folder.avi")},
            {"hidden", folder.path(".hidden.avi")},
            {"FIFO", folder.path("fifo.avi")},
            {"device", "/dev/null"},
            {"dangling link", folder.path("dangling.avi")},
            {"wildcard not expanded", folder.path("*.avi")},
            {"file used as a folder", movie + "/x.avi"},
            {"zero byte inside", movie + QByteArray("\0.txt", 5)},
            {"too long", folder.path(QByteArray(5000, 'x'))},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(admittedFileSize(c.path).has_value()) << c.what;

    EXPECT_EQ(admittedFileSize(folder.path("dangling-target")), 16) << "links are followed";
}

TEST(FileAdmission, SizeInWholeMiBRoundedDown)
{
    EXPECT_EQ(playlist::sizeInMiB(0), 0);
    EXPECT_EQ(playlist::sizeInMiB(1048575), 0);
    EXPECT_EQ(playlist::sizeInMiB(1048576), 1);
    EXPECT_EQ(playlist::sizeInMiB(20 * 1048576 + 5), 20);
    EXPECT_EQ(playlist::sizeInMiB(qint64(3) << 30), 3072);
}
