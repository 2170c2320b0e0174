// GL tests run in one process with one hidden show window and context.
#include "gl_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as test discovery does) needs no GL.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    // Headless on Mesa by default, with its shader cache off so every
    // compile is real; a caller's own choice of drivers wins.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    if (!gl_harness_open()) {
        std::fprintf(stderr, "no GL context for the tests\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
