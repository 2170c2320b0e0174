#include "bench_report.h"

#include "bench_paths.h"
#include "commands.h"
#include "gpu.h"
#include "programs.h"
#include "render_gl.h"
#include "scenes.h"
#include "shaders.h"
#include "show.h"

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A screen's refresh interval: a frame drawn within it keeps up.
constexpr double k_60hz_ms = 1000.0 / 60.0;
constexpr double k_30hz_ms = 1000.0 / 30.0;
constexpr int32_t k_report_sound = 8000;  // a middling level of the soundtrack

struct Feature {
    const char* what;
    bool present;
};

const char* gl_text(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "(not reported)";
}

void clear_gl_errors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

// The show's full-screen quad is drawn with the compatibility profile's
// fixed-function calls, which a core-profile context refuses.
bool fixed_function_works()
{
    clear_gl_errors();
    glUseProgram(0);
    draw_fullscreen_quad();
    return glGetError() == GL_NO_ERROR;
}

// A small target of `format` that the driver accepts as complete.
bool render_target_works(GLint format, const char* name)
{
    GLuint texture = create_float_texture(4, 4, format);
    GLuint target = create_render_target(texture, name);
    glDeleteFramebuffers(1, &target);
    glDeleteTextures(1, &texture);
    clear_gl_errors();
    return target != 0;
}

// Two quads of 0.75 added into a 32-bit float target, as the particle
// scene adds its sprites: 1.5 where the driver blends in float.
bool float_blending_works()
{
    const char* const k_text = "void main() { gl_FragColor = vec4(0.75); }\n";
    const GLuint program = build_program(k_text, std::strlen(k_text), "float blending check");
    GLuint texture = create_float_texture(4, 4, GL_R32F);
    GLuint target = create_render_target(texture, "float blending check (R32F)");
    float value[16] = {};
    if (program && target) {
        glBindFramebuffer(GL_FRAMEBUFFER, target);
        glViewport(0, 0, 4, 4);
        glClear(GL_COLOR_BUFFER_BIT);
        use_program(program);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        const SpriteQuad whole = {-1, -1, 1, 1, 0};
        draw_sprite_quads(&whole, 1);
        draw_sprite_quads(&whole, 1);
        glDisable(GL_BLEND);
        glReadPixels(0, 0, 4, 4, GL_RED, GL_FLOAT, value);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, k_frame_width, k_frame_height);
    }
    glUseProgram(0);
    glDeleteProgram(program);
    glDeleteFramebuffers(1, &target);
    glDeleteTextures(1, &texture);
    clear_gl_errors();
    return std::fabs(value[5] - 1.5f) < 0.01f;
}

void print_features(const std::vector<Feature>& features)
{
    std::printf("\nWhat the show needs from the graphics driver:\n");
    for (const Feature& f : features) std::printf("  %-4s %s\n", f.present ? "yes" : "NO", f.what);
}

// The context came up but the show's start-up check refused it: what GLEW saw.
int report_refused_context()
{
    std::printf("GL renderer: %s\nOpenGL version: %s\n", gl_text(GL_RENDERER), gl_text(GL_VERSION));
    print_features({{"OpenGL 2.0 with GLSL programs", GLEW_VERSION_2_0 != 0},
                    {"framebuffer objects (OpenGL 3.0 or ARB_framebuffer_object)",
                     GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object}});
    std::printf("\nVerdict: Krelan cannot run on this machine (the line marked NO).\n");
    return k_status_failed;
}

struct SceneTime {
    const char* title;
    double ms;
};

// The frame the show draws in the middle of each scene, as the show draws it
// (the particle scene's and the post chain's passes included), after one
// untimed frame.
std::vector<SceneTime> time_scenes(long frames)
{
    std::vector<SceneTime> times;
    for (const Scene& scene : show_schedule().scenes) {
        const auto draw = [&scene] { draw_frame(scene.sample_beat, k_report_sound); };
        time_once(draw);
        std::vector<double> ms;
        for (long f = 0; f < frames; ++f) ms.push_back(time_once(draw));
        times.push_back({scene.title.c_str(), median(ms)});
    }
    return times;
}

const char* pace_words(double ms)
{
    if (ms <= k_60hz_ms) return "smooth at 60 Hz";
    if (ms <= k_30hz_ms) return "smooth at 30 Hz, drops frames at 60 Hz";
    return "too slow for 30 Hz";
}

void print_scene_times(const std::vector<SceneTime>& times, long frames)
{
    std::printf(
        "\nTime to draw one 1920x1080 frame of each scene (median of %ld), against a\n"
        "60 Hz screen (%.1f ms a frame) and a 30 Hz one (%.1f ms):\n",
        frames, k_60hz_ms, k_30hz_ms);
    for (const SceneTime& t : times)
        std::printf("  %-16s %9.1f ms  %5.1f frames/s  %s\n", t.title, t.ms, 1000.0 / t.ms,
                    pace_words(t.ms));
}

void print_verdict(const std::vector<SceneTime>& times)
{
    const SceneTime* slowest = &times[0];
    for (const SceneTime& t : times)
        if (t.ms > slowest->ms) slowest = &t;
    std::printf("\nVerdict: ");
    if (slowest->ms <= k_60hz_ms) {
        std::printf("Krelan runs smoothly on this machine, also on a 60 Hz screen.\n");
    } else if (slowest->ms <= k_30hz_ms) {
        std::printf(
            "Krelan runs smoothly on this machine at 30 Hz; at 60 Hz the %s drops "
            "frames.\n",
            slowest->title);
    } else {
        std::printf(
            "Krelan runs on this machine, but not smoothly: the %s draws %.1f frames a\n"
            "second. Show a capture instead (krelan-render show --preset party-60).\n",
            slowest->title, 1000.0 / slowest->ms);
    }
}

}  // namespace

int print_compatibility_report(long frames)
{
    std::printf("Krelan compatibility report\n\n");
    std::string error;
    if (!open_render_window(&error)) {
        if (SDL_GL_GetCurrentContext()) return report_refused_context();
        std::printf("No OpenGL context: %s.\n\nVerdict: Krelan cannot run on this machine.\n",
                    error.c_str());
        return k_status_failed;
    }
    std::printf("GL renderer: %s\nOpenGL version: %s\nGLSL version: %s\n", gl_text(GL_RENDERER),
                gl_text(GL_VERSION), gl_text(GL_SHADING_LANGUAGE_VERSION));
    const double start = now_seconds();
    const bool prepared = load_show_resources();
    const double prepare_s = now_seconds() - start;
    const std::string start_up = "the show's start-up: its " + std::to_string(k_program_count) +
                                 " programs built, its render targets made, each drawn once";
    const std::vector<Feature> features = {
        {"OpenGL 2.0 with GLSL programs", GLEW_VERSION_2_0 != 0},
        {"the compatibility profile's fixed-function drawing (the full-screen quad)",
         fixed_function_works()},
        {"framebuffer objects (OpenGL 3.0 or ARB_framebuffer_object)",
         GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object},
        {"32-bit float render targets, RGBA32F and R32F (the particle scene)",
         render_target_works(GL_RGBA32F, "RGBA32F check") &&
             render_target_works(GL_R32F, "R32F check")},
        {"blending into a float render target (the particle scene's sprites)",
         float_blending_works()},
        {start_up.c_str(), prepared},
    };
    print_features(features);
    for (const Feature& f : features) {
        if (f.present) continue;
        std::printf("\nVerdict: Krelan cannot run on this machine (the line marked NO).\n");
        return k_status_failed;
    }
    std::printf(
        "\nStart-up (every program built and drawn once): %.1f s; a driver that keeps\n"
        "compiled shaders (Mesa does) is quicker from the second run on\n",
        prepare_s);
    const std::vector<SceneTime> times = time_scenes(frames);
    print_scene_times(times, frames);
    print_verdict(times);
    return k_status_ok;
}
