// A test program that passes its one test and then crashes: the runner must
// not take its summary for a pass.
#include <gtest/gtest.h>

TEST(CrashAfterSummary, Passes)
{
    SUCCEED();
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    volatile int *nowhere = nullptr;
    *nowhere = result; // an access violation after the summary
    return result;
}
