// The web's context (platform.h): WebGL 2 on the page's canvas.
#include "web_gl.h"

#include "gpu.h"
#include "shaders.h"

#include <emscripten/html5.h>

#include <cstdio>
#include <initializer_list>

namespace {

// The module's state: the one context.
struct WebGl {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
};
WebGl web_gl;

// WebGL 2 draws into 32-bit float targets (the particle scene's state and
// light) only with EXT_color_buffer_float, and blends into them (the light's
// additive sprites) only with EXT_float_blend. False with the missing one
// named on stderr, which the page shows.
bool enable_float_targets()
{
    for (const char* name : {"EXT_color_buffer_float", "EXT_float_blend"}) {
        if (!emscripten_webgl_enable_extension(web_gl.context, name)) {
            std::fprintf(
                stderr, "krelan: this browser's WebGL 2 lacks %s, which the particle scene needs\n",
                name);
            return false;
        }
    }
    return true;
}

}  // namespace

bool open_web_gl_context()
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;  // the frame is opaque, like the desktop window
    attributes.depth = false;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
    emscripten_set_canvas_element_size("#show", k_frame_width, k_frame_height);
    web_gl.context = emscripten_webgl_create_context("#show", &attributes);
    if (web_gl.context <= 0) {
        std::fprintf(stderr, "krelan: this browser offers no WebGL 2 (error %d)\n",
                     static_cast<int>(web_gl.context));
        return false;
    }
    emscripten_webgl_make_context_current(web_gl.context);
    if (!enable_float_targets()) return false;
    // Where the browser builds programs in the background, the page starts
    // them all and takes each one when it is done, instead of waiting.
    set_background_builds(
        emscripten_webgl_enable_extension(web_gl.context, "KHR_parallel_shader_compile"));
    glViewport(0, 0, k_frame_width, k_frame_height);
    glClearColor(0, 0, 0, 1);
    return true;
}

void make_gl_current() { emscripten_webgl_make_context_current(web_gl.context); }

// The browser shows the canvas when the frame's callback returns.
void present_frame() {}
