// GL tests run in one process with one hidden show window and context.
#include "gl_harness.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as test discovery does) needs no GL.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (!gl_harness_open()) {
        std::fprintf(stderr, "no GL context for the tests\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
