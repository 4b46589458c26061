#include "support/printers.h"
#include "text/pathparts.h"
#include "ui/filedialogfilter.h"
#include "ui/startuplogo.h"

#include <gtest/gtest.h>

TEST(PathParts, NameAndFolder)
{
    const struct
    {
        QByteArray path, name, folder;
    } cases[] = {
            {"/movies/sea.avi", "sea.avi", "/movies/"},
            {"sea.avi", "sea.avi", "sea.avi"},
            {"/sea.avi", "sea.avi", "/"},
            {"/movies/", "", "/movies/"},
            {"rel/dir/a b.mpg", "a b.mpg", "rel/dir/"},
            {"", "", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(pathparts::namePart(c.path), c.name) << c.path.constData();
        EXPECT_EQ(pathparts::folderPart(c.path), c.folder) << c.path.constData();
    }
}

TEST(FileDialogFilter, PairsBecomeQtNameFilters)
{
    EXPECT_EQ(ui::nameFilters(QStringLiteral("BMPファイル|*.BMP")),
              QStringList {QStringLiteral("BMPファイル (*.BMP)")});
    EXPECT_EQ(ui::nameFilters(QStringLiteral("A|*.a;*.b|B|*.c")),
              (QStringList {QStringLiteral("A (*.a *.b)"), QStringLiteral("B (*.c)")}));
    EXPECT_EQ(ui::nameFilters(QStringLiteral("dangling")), QStringList {});
}

TEST(StartupLogo, IsA24BitPicture)
{
    const QImage logo = ui::startupLogo();
    EXPECT_EQ(logo.size(), QSize(235, 30));
    EXPECT_EQ(logo.format(), QImage::Format_RGB888);
}
