#include "ui/errorreport.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Test discovery runs this program too, without ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    ui::GuardedApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
