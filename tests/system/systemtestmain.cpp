// The system tests' own main: the X server starts with the first test, so listing the tests
// (as the test discovery does) needs no display.
#include "harness.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new systemtest::XServerEnvironment(argv[0]));
    return RUN_ALL_TESTS();
}
