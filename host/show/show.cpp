#include "show.h"

#include "gpu.h"
#include "media_store.h"
#include "particle_sprites.h"
#include "program_table.h"
#include "scenes.h"
#include "shaders.h"
#include "sparse_glow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The module's state: the blank texture and the cards; the post chain's life
// image, which ping-pongs between two targets (a pass never reads the texture
// it writes), and its zoom image; and the framebuffer the frame being drawn
// ends in (the one bound when draw_frame or step_life was called: the
// window's, or the letterbox target); the schedule the frames follow (null:
// the embedded one). Built by start_show, deleted by release_show_resources.
struct ShowState {
    GLuint tex_blank = 0, tex_warning = 0, tex_end = 0;
    GLuint tex_life[2] = {0, 0}, fbo_life[2] = {0, 0};
    GLuint tex_zoom = 0, fbo_zoom = 0;
    int life_current = 0;  // index of the latest life image
    GLuint frame_target = 0;
    const Schedule* schedule = nullptr;
    bool life_held = false;  // hold_life: the post chain draws without a generation
};
ShowState show;

GLuint bound_framebuffer()
{
    GLint framebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    return static_cast<GLuint>(framebuffer);
}

GLuint scene_texture(SceneTexture texture)
{
    switch (texture) {
    case TEXTURE_WARNING: return show.tex_warning;
    case TEXTURE_END: return show.tex_end;
    case TEXTURE_BLANK: break;
    }
    return show.tex_blank;
}

bool create_post_chain()
{
    const char* names[2] = {"life image A", "life image B"};
    for (int i = 0; i < 2; ++i) {
        show.tex_life[i] = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP);
        show.fbo_life[i] = create_render_target(show.tex_life[i], names[i]);
    }
    show.tex_zoom = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP);
    show.fbo_zoom = create_render_target(show.tex_zoom, "zoom image");
    glBindTexture(GL_TEXTURE_2D, show.tex_blank);
    return show.fbo_life[0] && show.fbo_life[1] && show.fbo_zoom;
}

const Scene* post_chain_scene() { return find_scene(show_schedule(), DRAW_POST_CHAIN); }

// Everything load_show_resources builds, deleted; the blank texture stays.
void release_resources()
{
    release_particle_scene();
    release_sparse_glow();
    release_program_table();
    for (int i = 0; i < 2; ++i) delete_render_target(&show.fbo_life[i], &show.tex_life[i]);
    delete_render_target(&show.fbo_zoom, &show.tex_zoom);
    const GLuint cards[] = {show.tex_warning, show.tex_end};
    glDeleteTextures(2, cards);
    const GLuint blank = show.tex_blank;
    const Schedule* schedule = show.schedule;
    show = ShowState();
    show.tex_blank = blank;
    show.schedule = schedule;
}

// Life and zoom into their targets; the glow reads the zoom image and draws
// into the frame's framebuffer, working only where the image is lit.
void draw_post_chain(const Scene& chain, float beat, int32_t sound)
{
    if (!show.life_held) step_life(beat, sound);
    draw_pass(show.fbo_zoom, show.tex_life[show.life_current], scene_pass(chain, 1), beat, sound);
    draw_sparse_glow(show.frame_target, show.tex_zoom, glow_passes(chain), beat, sound);
}

// A scene drawn by its program alone, with its texture.
void draw_scene(const Scene& scene, float beat, int32_t sound)
{
    use_program(scene_program(scene));
    glBindTexture(GL_TEXTURE_2D, scene_texture(scene.texture));
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
}

// A beat that no row holds: NaN keeps whatever program and texture are
// current; a beat between two rows shows the black start frame.
void draw_no_scene(float beat, int32_t sound)
{
    if (!std::isnan(beat)) {
        use_program(0, FrameUniforms());
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
}

}  // namespace

ShowStart start_show(const std::function<bool()>& hold)
{
    capture_start_frame();
    if (hold && !hold()) return SHOW_STOPPED;
    return load_show_resources() ? SHOW_READY : SHOW_FAILED;
}

void capture_start_frame()
{
    use_program(0, FrameUniforms());
    glBindTexture(GL_TEXTURE_2D, 0);
    draw_fullscreen_quad();
    if (show.tex_blank) glDeleteTextures(1, &show.tex_blank);
    show.tex_blank = capture_screen_texture();
}

GLuint blank_texture() { return show.tex_blank; }

bool load_show_resources()
{
    if (!load_show_cards()) return false;
    for (size_t i = 0; i < k_program_count; ++i) {
        start_show_program(ProgramId(i));
        if (!finish_show_program(ProgramId(i))) return false;
    }
    return finish_show_resources();
}

bool load_show_cards()
{
    release_resources();
    show.tex_warning =
        load_card_texture(asset_warning_card.bytes, asset_warning_card.length, "warning");
    show.tex_end = load_card_texture(asset_end_card.bytes, asset_end_card.length, "end");
    if (!show.tex_warning || !show.tex_end) return false;
    glBindTexture(GL_TEXTURE_2D, show.tex_blank);
    return true;
}

void start_show_program(ProgramId program) { start_table_program(program); }

bool show_program_finished(ProgramId program) { return table_program_finished(program); }

bool finish_show_program(ProgramId program) { return finish_table_program(program); }

bool finish_show_resources()
{
    if (!create_post_chain()) return false;
    glFinish();
    glClear(GL_COLOR_BUFFER_BIT);  // the warm-up's pixels
    // The scenes of several passes draw into targets of their own.
    const Scene* particles = find_scene(show_schedule(), DRAW_PARTICLE_SPRITES);
    const ParticlePasses particle = particles ? particle_passes(*particles) : ParticlePasses();
    const Scene* chain = post_chain_scene();
    const GlowPasses glow = chain ? glow_passes(*chain) : GlowPasses();
    if (!load_particle_scene(particles ? &particle : nullptr) ||
        !load_sparse_glow(chain ? &glow : nullptr))
        return false;
    seed_life();
    // The warning card is the first thing drawn.
    use_program(PROG_CARD);
    glBindTexture(GL_TEXTURE_2D, show.tex_blank);
    if (const char* error = gl_error_text()) {
        std::fprintf(stderr, "krelan: preparing the GPU resources raised %s\n", error);
        return false;
    }
    return true;
}

void release_show_resources()
{
    release_resources();
    if (show.tex_blank) glDeleteTextures(1, &show.tex_blank);
    show = ShowState();
}

void use_schedule(const Schedule* schedule) { show.schedule = schedule; }

const Schedule& show_schedule() { return show.schedule ? *show.schedule : embedded_schedule(); }

namespace {

const Scene& required_scene(SceneDrawing drawing, const char* kind)
{
    const Scene* scene = find_scene(show_schedule(), drawing);
    if (!scene) {
        std::fprintf(stderr, "krelan: the schedule has no scene drawn as %s\n", kind);
        std::abort();
    }
    return *scene;
}

}  // namespace

ParticlePasses show_particle_passes()
{
    return particle_passes(required_scene(DRAW_PARTICLE_SPRITES, "particle_sprites"));
}

GlowPasses show_glow_passes() { return glow_passes(required_scene(DRAW_POST_CHAIN, "post_chain")); }

void step_life(float beat, int32_t sound)
{
    const Scene* chain = post_chain_scene();
    if (!chain) return;
    const GLuint caller_target = bound_framebuffer();
    const int next = 1 - show.life_current;
    draw_pass(show.fbo_life[next], show.tex_life[show.life_current], scene_pass(*chain, 0), beat,
              sound);
    glBindFramebuffer(GL_FRAMEBUFFER, caller_target);
    show.life_current = next;
}

// The automaton starts from its seed, so a skip that lands past the seed
// frames evolves the seed rather than an empty field. The life pass draws
// its seed at the post chain's first beat; both images hold it, so that
// nothing but the seed is left in either.
void seed_life()
{
    const Scene* chain = post_chain_scene();
    if (!chain) return;
    // A beat at which the pass draws its seed, should the chain start later.
    const float beat = std::min(chain->start, k_life_seed_end - 1.0f);
    for (int i = 0; i < 2; ++i) step_life(beat, 0);
}

void read_life_images(int x, int y, int width, int height, uint8_t* latest, uint8_t* previous)
{
    GLint caller_target = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &caller_target);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const struct {
        int image;
        uint8_t* pixels;
    } reads[] = {{show.life_current, latest}, {1 - show.life_current, previous}};
    for (const auto& read : reads) {
        if (!read.pixels) continue;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, show.fbo_life[read.image]);
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
        glBindFramebuffer(GL_FRAMEBUFFER, show.fbo_life[i]);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, show.tex_life[i]);
        if (width > 0 && height > 0)
            glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels);
    }
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glBindTexture(GL_TEXTURE_2D, show.tex_blank);
    glBindFramebuffer(GL_FRAMEBUFFER, caller_target);
}

void draw_frame(float beat, int32_t sound)
{
    make_gl_current();
    show.frame_target = bound_framebuffer();
    const Scene* scene = scene_at(show_schedule(), beat);
    if (!scene)
        draw_no_scene(beat, sound);
    else if (scene->drawing == DRAW_POST_CHAIN)
        draw_post_chain(*scene, beat, sound);
    else if (scene->drawing == DRAW_PARTICLE_SPRITES)
        draw_particle_scene(show.frame_target, particle_passes(*scene), beat, sound);
    else
        draw_scene(*scene, beat, sound);
    glBindTexture(GL_TEXTURE_2D, show.tex_blank);
}

void hold_life(bool held) { show.life_held = held; }

GLuint life_state_texture() { return show.tex_life[show.life_current]; }

GLuint zoom_texture() { return show.tex_zoom; }
