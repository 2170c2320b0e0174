#include "gl_window.h"

#include "gpu.h"
#include "program_table.h"
#include "shaders.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The module's state: the one window and its context.
struct GlWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};
GlWindow gl;

bool load_entry_points()
{
    const GLenum glew = glewInit();
    // GLEW built for GLX reports "no GLX display" under EGL-only drivers after
    // it has loaded every entry point; that is not a failure.
    if (glew != GLEW_OK && glew != GLEW_ERROR_NO_GLX_DISPLAY) {
        std::fprintf(stderr, "krelan: cannot load the OpenGL entry points: %s\n",
                     reinterpret_cast<const char*>(glewGetErrorString(glew)));
        return false;
    }
    // Versions as the context reports them (a driver may offer entry points
    // beyond its version): GLSL programs need 2.0, the post chain FBOs.
    const bool has_fbo = GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object;
    if (!GLEW_VERSION_2_0 || !has_fbo || !glCreateShader || !glGenFramebuffers) {
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        std::fprintf(stderr,
                     "krelan: OpenGL %s lacks what the show needs (GLSL programs and "
                     "framebuffer objects, OpenGL 3.0 or ARB_framebuffer_object)\n",
                     version ? version : "(unknown version)");
        return false;
    }
    return true;
}

}  // namespace

bool open_gl_window(const char* title, int width, int height, Uint32 flags, int position)
{
    gl.window =
        SDL_CreateWindow(title, position, position, width, height, SDL_WINDOW_OPENGL | flags);
    if (!gl.window) {
        std::fprintf(stderr, "krelan: cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    SDL_ShowCursor(0);
    gl.context = SDL_GL_CreateContext(gl.window);
    if (!gl.context) {
        std::fprintf(stderr, "krelan: cannot create the OpenGL context: %s\n", SDL_GetError());
        return false;
    }
    if (!load_entry_points()) return false;
    glClearColor(0, 0, 0, 1);
    SDL_GL_MakeCurrent(gl.window, gl.context);
    return true;
}

void apply_vsync(VsyncMode mode)
{
    if (mode == VSYNC_DRIVER) return;
    const int interval = mode == VSYNC_ON ? 1 : mode == VSYNC_OFF ? 0 : -1;
    if (SDL_GL_SetSwapInterval(interval) == 0) return;
    if (mode == VSYNC_ADAPTIVE) {
        std::fprintf(stderr, "krelan: the driver refuses adaptive vsync (%s); using vsync on\n",
                     SDL_GetError());
        if (SDL_GL_SetSwapInterval(1) == 0) return;
    }
    std::fprintf(stderr, "krelan: the driver refuses vsync %s: %s\n",
                 mode == VSYNC_OFF ? "off" : "on", SDL_GetError());
}

bool open_headless_gl_window(std::string* error)
{
#ifdef _WIN32
    // Windows has no offscreen driver: a hidden window carries the context.
    const Uint32 flags = SDL_WINDOW_HIDDEN;
#else
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!driver || !*driver) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    const Uint32 flags = 0;
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *error = std::string("cannot start SDL video: ") + SDL_GetError();
        return false;
    }
    if (!open_gl_window(k_window_title, k_frame_width, k_frame_height, flags)) {
        *error = "cannot open the show's window and OpenGL context";
        return false;
    }
    return true;
}

SDL_Window* gl_window() { return gl.window; }

void drawable_size(int* width, int* height) { SDL_GL_GetDrawableSize(gl.window, width, height); }

void toggle_fullscreen()
{
    const bool fullscreen = SDL_GetWindowFlags(gl.window) & SDL_WINDOW_FULLSCREEN;
    if (SDL_SetWindowFullscreen(gl.window, fullscreen ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        std::fprintf(stderr, "krelan: cannot switch fullscreen: %s\n", SDL_GetError());
}

void present_frame() { SDL_GL_SwapWindow(gl.window); }

void close_gl_window()
{
    if (gl.context) {
        release_program_table();
        release_vertex_stage();
        SDL_GL_DeleteContext(gl.context);
    }
    if (gl.window) SDL_DestroyWindow(gl.window);
    gl = GlWindow();
}

void make_gl_current() { SDL_GL_MakeCurrent(gl.window, gl.context); }
