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

// The programs of the table, built or being built, in its order.
std::vector<PendingProgram> pending;

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

// Mesa and other drivers compile at the first draw: each program is drawn
// once into a single pixel so that the show never stalls on a scene change.
void warm_up_program(GLuint program)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    use_program(program);
    set_frame_uniforms(0.0f, 0);
    draw_fullscreen_quad();
    glDisable(GL_SCISSOR_TEST);
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
    if (!load_show_cards()) return false;
    for (size_t i = 0; i < k_program_count; ++i)
        if (!start_show_program(i) || !finish_show_program(i)) return false;
    return finish_show_resources();
}

bool load_show_cards()
{
    tex_warning = load_card_texture(asset_warning_card.bytes, asset_warning_card.length, "warning");
    tex_end = load_card_texture(asset_end_card.bytes, asset_end_card.length, "end");
    if (!tex_warning || !tex_end) return false;
    glBindTexture(GL_TEXTURE_2D, tex_blank);
    // Loading again (the tests do) builds the whole table again.
    programs.assign(k_program_count, 0);
    pending.assign(k_program_count, PendingProgram());
    return true;
}

bool start_show_program(size_t index)
{
    if (index >= pending.size()) return false;
    const ProgramText& p = k_programs[index];
    pending[index] = start_program(p.text, p.length, p.name);
    return true;
}

bool show_program_finished(size_t index)
{
    return index >= pending.size() || program_finished(pending[index]);
}

bool finish_show_program(size_t index)
{
    if (index >= pending.size()) return false;
    programs[index] = finish_program(&pending[index]);
    if (!programs[index]) return false;
    warm_up_program(programs[index]);
    return true;
}

bool finish_show_resources()
{
    if (!create_post_chain()) return false;
    glFinish();
    glClear(GL_COLOR_BUFFER_BIT);  // the warm-up's pixels
    // The scenes of several passes draw into targets of their own.
    if (!load_particle_scene() || !load_sparse_glow()) return false;
    seed_life();
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

// The automaton starts from its seed, so a skip that lands past the seed
// frames evolves the seed rather than an empty field. The life pass draws
// its seed at the post chain's first beat; both images hold it, so that
// nothing but the seed is left in either.
void seed_life()
{
    for (int i = 0; i < 2; ++i) step_life(scene_of(ROW_POST_CHAIN).start, 0);
}

void read_life_images(int x, int y, int width, int height, uint8_t* latest, uint8_t* previous)
{
    GLint caller_target = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &caller_target);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const struct {
        int image;
        uint8_t* pixels;
    } reads[] = {{life_current, latest}, {1 - life_current, previous}};
    for (const auto& read : reads) {
        if (!read.pixels) continue;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_life[read.image]);
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, read.pixels);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(caller_target));
}

void write_life_images(int x, int y, int width, int height, const uint8_t* pixels)
{
    const GLuint caller_target = bound_framebuffer();
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glClearColor(0, 0, 0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int i = 0; i < 2; ++i) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_life[i]);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, tex_life[i]);
        if (width > 0 && height > 0)
            glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels);
    }
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glBindTexture(GL_TEXTURE_2D, tex_blank);
    glBindFramebuffer(GL_FRAMEBUFFER, caller_target);
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
