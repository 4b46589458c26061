#include "ui/errorreport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char **argv)
{
    // Test discovery runs this program too, without ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tables the player keeps between runs go to a folder of this run's own.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    ::testing::InitGoogleTest(&argc, argv);
    ui::GuardedApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
