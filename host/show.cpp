#include "show.h"

#include "asset_store.h"
#include "gpu.h"
#include "level_meter.h"
#include "schedule_row.h"

#include <cstdio>
#include <cstdlib>

SDL_Window* show_window = nullptr;
SDL_GLContext show_context = nullptr;
float current_beat = 0.0f;
uint32_t start_time = 0;
std::atomic<bool> quit_flag{false};

GLuint prog_sphere, prog_field, prog_particles, prog_lattice;
GLuint prog_life, prog_zoom, prog_glow, prog_card;
GLuint tex_blank, tex_warning, tex_end;
GLuint tex_life[2], tex_zoom;
GLuint fbo_life[2], fbo_zoom;
int life_current = 0;

namespace {

// The beat at which the life pass draws its seed.
constexpr float k_seed_beat = 448.0f;

GLuint build_embedded(const EmbeddedAsset& text, const char* name)
{
    return build_program(reinterpret_cast<const char*>(text.bytes),
                         static_cast<int>(text.length), name);
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
// frames evolves the seed rather than an empty field.
void seed_life_state()
{
    float saved_beat = current_beat;
    current_beat = k_seed_beat;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_life[life_current]);
    glBindTexture(GL_TEXTURE_2D, tex_blank);
    use_program(prog_life);
    set_frame_uniforms();
    draw_fullscreen_quad();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    current_beat = saved_beat;
}

// Mesa and other drivers compile at the first draw: draw every program once
// into a single pixel so that the show never stalls on a scene change.
void warm_up_programs()
{
    const GLuint programs[] = {prog_sphere, prog_field, prog_particles, prog_lattice,
                               prog_life,   prog_zoom,  prog_glow,      prog_card};
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    for (GLuint program : programs) {
        use_program(program);
        set_frame_uniforms();
        draw_fullscreen_quad();
    }
    glFinish();
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
}

void draw_post_chain_passes()
{
    step_life();
    // Zoom: this frame's life image, turned and enlarged.
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_zoom);
    glBindTexture(GL_TEXTURE_2D, tex_life[life_current]);
    use_program(prog_zoom);
    set_frame_uniforms();
    draw_fullscreen_quad();
    // Glow reads the zoom image and draws to the window (the common steps).
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, tex_zoom);
    use_program(prog_glow);
}

}  // namespace

bool open_show_window()
{
    show_window = SDL_CreateWindow("Krelan Demo Engine", SDL_WINDOWPOS_UNDEFINED,
                                   SDL_WINDOWPOS_UNDEFINED, 1920, 1080, SDL_WINDOW_OPENGL);
    if (!show_window) {
        std::fprintf(stderr, "krelan: cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    SDL_ShowCursor(0);
    show_context = SDL_GL_CreateContext(show_window);
    if (!show_context) {
        std::fprintf(stderr, "krelan: cannot create the OpenGL context: %s\n", SDL_GetError());
        return false;
    }
    GLenum glew = glewInit();
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
    glClearColor(0, 0, 0, 1);
    SDL_GL_MakeCurrent(show_window, show_context);
    return true;
}

void draw_start_frame()
{
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    draw_fullscreen_quad();
}

bool load_show_resources()
{
    tex_warning = load_card_texture(asset_warning_card.bytes, asset_warning_card.length, "warning");
    tex_end = load_card_texture(asset_end_card.bytes, asset_end_card.length, "end");
    if (!tex_warning || !tex_end) return false;
    glBindTexture(GL_TEXTURE_2D, tex_blank);

    // The card program, built last, stays in use.
    prog_sphere = build_embedded(asset_text_sphere, "sphere");
    prog_field = build_embedded(asset_text_field, "field");
    prog_particles = build_embedded(asset_text_particles, "particles");
    prog_lattice = build_embedded(asset_text_lattice, "lattice");
    prog_life = build_embedded(asset_text_life, "life");
    prog_zoom = build_embedded(asset_text_zoom, "zoom");
    prog_glow = build_embedded(asset_text_glow, "glow");
    prog_card = build_embedded(asset_text_card, "card");
    if (!prog_sphere || !prog_field || !prog_particles || !prog_lattice || !prog_life ||
        !prog_zoom || !prog_glow || !prog_card)
        return false;

    if (!create_post_chain()) return false;
    warm_up_programs();
    seed_life_state();
    use_program(prog_card);
    glBindTexture(GL_TEXTURE_2D, tex_blank);
    if (const char* error = gl_error_text()) {
        std::fprintf(stderr, "krelan: preparing the GPU resources raised %s\n", error);
        return false;
    }
    return true;
}

void step_life()
{
    const int next = 1 - life_current;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_life[next]);
    glBindTexture(GL_TEXTURE_2D, tex_life[life_current]);
    use_program(prog_life);
    set_frame_uniforms();
    draw_fullscreen_quad();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    life_current = next;
}

void set_frame_uniforms()
{
    glUniform1f(loc_beat, current_beat);
    glUniform1i(loc_sound, level_average());
}

void draw_frame()
{
    SDL_GL_MakeCurrent(show_window, show_context);
    switch (schedule_row(current_beat)) {
    case ROW_WARNING:
        use_program(prog_card);
        glBindTexture(GL_TEXTURE_2D, tex_warning);
        break;
    case ROW_SPHERE: use_program(prog_sphere); break;
    case ROW_FIELD: use_program(prog_field); break;
    case ROW_PARTICLES: use_program(prog_particles); break;
    case ROW_LATTICE: use_program(prog_lattice); break;
    case ROW_POST_CHAIN: draw_post_chain_passes(); break;
    case ROW_END:
        use_program(prog_card);
        glBindTexture(GL_TEXTURE_2D, tex_end);
        break;
    case ROW_NONE: break;  // keep whatever program and texture are current
    }
    set_frame_uniforms();
    draw_fullscreen_quad();
    glBindTexture(GL_TEXTURE_2D, tex_blank);
}

void render_frame()
{
    draw_frame();
#ifdef KRELAN_CHECK_GL
    // Test builds stop at the first GL error, naming the beat it happened at.
    if (const char* error = gl_error_text()) {
        std::fprintf(stderr, "krelan: %s while drawing beat %f\n", error, double(current_beat));
        std::exit(3);
    }
#endif
    SDL_GL_SwapWindow(show_window);
}

GLuint life_state_texture() { return tex_life[life_current]; }
