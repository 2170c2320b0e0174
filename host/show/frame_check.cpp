// check_frame_errors for one build of the show: compiled once with
// KRELAN_CHECK_GL=1 for krelan-demo-checked and once without for krelan-demo,
// so the two builds differ in this file alone.
#include "demo.h"

#include "gpu.h"

#include <cstdio>
#include <cstdlib>

void check_frame_errors(float beat)
{
#if KRELAN_CHECK_GL
    if (const char* error = gl_error_text()) {
        std::fprintf(stderr, "krelan: %s while drawing beat %f\n", error, double(beat));
        std::exit(k_exit_gl_error);
    }
#else
    (void)beat;
#endif
}
