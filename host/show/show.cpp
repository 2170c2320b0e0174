#include "show.h"

#include "card_texture.h"
#include "gl_window.h"
#include "gpu.h"
#include "media_store.h"
#include "particle_sprites.h"
#include "programs.h"
#include "scenes.h"
#include "shaders.h"
#include "sparse_glow.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// One built program per entry of the program table, in its order.
std::vector<GLuint> programs;
GLuint tex_blank, tex_warning, tex_end;

// Post chain: the life image ping-pongs between two targets (a pass never
// reads the texture it writes); the zoom image has one of its own.
GLuint tex_life[2], tex_zoom;
GLuint fbo_life[2], fbo_zoom;
int life_current = 0;  // index of the latest life image

// The framebuffer the frame being drawn ends in: the one bound when
// draw_frame or step_life was called (the window's, or the letterbox target).
GLuint frame_target = 0;

GLuint bound_framebuffer()
{
    GLint framebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    return static_cast<GLuint>(framebuffer);
}

GLuint scene_texture(SceneTexture texture)
{
    switch (texture) {
    case TEXTURE_WARNING: return tex_warning;
    case TEXTURE_END: return tex_end;
    case TEXTURE_BLANK: break;
    }
    return tex_blank;
}

// One pass: `program` reads `input` and draws into `framebuffer`.
void draw_pass(GLuint framebuffer, GLuint input, const char* program, float beat, int32_t sound)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindTexture(GL_TEXTURE_2D, input);
    use_program(show_program(program));
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
}

// Builds the whole table again when called again (the tests load the show's
// resources more than once), so `programs` always matches it entry for entry.
bool build_programs()
{
    programs.clear();
    for (size_t i = 0; i < k_program_count; ++i) {
        const ProgramText& p = k_programs[i];
        programs.push_back(build_program(p.text, p.length, p.name));
        if (!programs.back()) return false;
    }
    return true;
}

bool create_post_chain()
{
    const char* names[2] = {"life image A", "life image B"};
    for (int i = 0; i < 2; ++i) {
        tex_life[i] = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP);
        fbo_life[i] = create_render_target(tex_life[i], names[i]);
    }
    tex_zoom = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP);
    fbo_zoom = create_render_target(tex_zoom, "zoom image");
    glBindTexture(GL_TEXTURE_2D, tex_blank);
    return fbo_life[0] && fbo_life[1] && fbo_zoom;
}

// The automaton starts from its seed, so a skip that lands past the seed
// frames evolves the seed rather than an empty field. The life pass draws
// its seed at the post chain's first beat.
void seed_life_state()
{
    draw_pass(fbo_life[life_current], tex_blank, "life", scene_of(ROW_POST_CHAIN).start, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// Mesa and other drivers compile at the first draw: draw every program once
// into a single pixel so that the show never stalls on a scene change.
void warm_up_programs()
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    for (GLuint program : programs) {
        use_program(program);
        set_frame_uniforms(0.0f, 0);
        draw_fullscreen_quad();
    }
    glFinish();
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Life and zoom into their targets; the glow reads the zoom image and draws
// into the frame's framebuffer, working only where the image is lit.
void draw_post_chain(float beat, int32_t sound)
{
    step_life(beat, sound);
    draw_pass(fbo_zoom, tex_life[life_current], "zoom", beat, sound);
    draw_sparse_glow(frame_target, tex_zoom, beat, sound);
}

// A scene drawn by its program alone, with its texture.
void draw_scene(ScheduleRow row, float beat, int32_t sound)
{
    // ROW_NONE keeps whatever program and texture are current.
    if (row != ROW_NONE) {
        const Scene& scene = scene_of(row);
        use_program(show_program(scene.program));
        glBindTexture(GL_TEXTURE_2D, scene_texture(scene.texture));
    }
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
}

}  // namespace

void draw_start_frame()
{
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    draw_fullscreen_quad();
}

void capture_blank_texture() { tex_blank = capture_screen_texture(); }

GLuint blank_texture() { return tex_blank; }

bool load_show_resources()
{
    tex_warning = load_card_texture(asset_warning_card.bytes, asset_warning_card.length, "warning");
    tex_end = load_card_texture(asset_end_card.bytes, asset_end_card.length, "end");
    if (!tex_warning || !tex_end) return false;
    glBindTexture(GL_TEXTURE_2D, tex_blank);

    if (!build_programs() || !create_post_chain()) return false;
    warm_up_programs();
    // The scenes of several passes draw into targets of their own.
    if (!load_particle_scene() || !load_sparse_glow()) return false;
    seed_life_state();
    // The warning card is the first thing drawn.
    use_program(show_program("card"));
    glBindTexture(GL_TEXTURE_2D, tex_blank);
    if (const char* error = gl_error_text()) {
        std::fprintf(stderr, "krelan: preparing the GPU resources raised %s\n", error);
        return false;
    }
    return true;
}

GLuint show_program(const char* name)
{
    for (size_t i = 0; i < programs.size() && i < k_program_count; ++i)
        if (std::strcmp(k_programs[i].name, name) == 0) return programs[i];
    return 0;
}

void step_life(float beat, int32_t sound)
{
    const GLuint caller_target = bound_framebuffer();
    const int next = 1 - life_current;
    draw_pass(fbo_life[next], tex_life[life_current], "life", beat, sound);
    glBindFramebuffer(GL_FRAMEBUFFER, caller_target);
    life_current = next;
}

void draw_frame(float beat, int32_t sound)
{
    make_gl_current();
    frame_target = bound_framebuffer();
    const ScheduleRow row = schedule_row(beat);
    if (row == ROW_POST_CHAIN)
        draw_post_chain(beat, sound);
    else if (row == ROW_PARTICLES)
        draw_particle_scene(frame_target, beat, sound);
    else
        draw_scene(row, beat, sound);
    glBindTexture(GL_TEXTURE_2D, tex_blank);
}

GLuint life_state_texture() { return tex_life[life_current]; }

GLuint zoom_texture() { return tex_zoom; }
