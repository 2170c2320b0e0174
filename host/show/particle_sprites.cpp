#include "particle_sprites.h"

#include "gpu.h"
#include "shaders.h"
#include "show.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int k_particles = 1000;

// Half-width of a particle's quad in pixels: the cone reaches 1 px from the
// centre; the margin keeps every pixel centre it reaches inside the quad.
constexpr float k_sprite_reach = 1.5f;

// Every particle's state (1000 x 1, RGBA) and the summed light of the frame
// (1920 x 1080, red), both 32-bit float.
GLuint tex_state, fbo_state;
GLuint tex_light, fbo_light;

bool create_targets()
{
    if (fbo_state && fbo_light) return true;
    tex_state = create_float_texture(k_particles, 1, GL_RGBA32F);
    fbo_state = create_render_target(tex_state, "particle state (RGBA32F)");
    tex_light = create_float_texture(k_frame_width, k_frame_height, GL_R32F);
    fbo_light = create_render_target(tex_light, "particle light (R32F)");
    return fbo_state && fbo_light;
}

// `name` over the bound target, reading `input` as tex.
void draw_pass(const char* name, GLuint input, float beat, int32_t sound)
{
    glBindTexture(GL_TEXTURE_2D, input);
    use_program(show_program(name));
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
}

// Every particle's centre, radius and peak brightness, computed by the state
// pass and read back: the quads are placed on the CPU so that no vertex
// stage needs texture access.
std::vector<float> particle_states(float beat, int32_t sound)
{
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_state);
    glViewport(0, 0, k_particles, 1);
    draw_pass("particle_state", 0, beat, sound);  // the pass samples nothing
    std::vector<float> states(size_t(k_particles) * 4);
    glReadPixels(0, 0, k_particles, 1, GL_RGBA, GL_FLOAT, states.data());
    glViewport(0, 0, k_frame_width, k_frame_height);
    return states;
}

// One quad per visible particle, in index order: blending adds the cones in
// the order the per-pixel scene sums them. The quad is given in clip space
// (the host's matrices are the identity); texture coordinate s picks the
// particle's state texel.
std::vector<SpriteQuad> sprite_quads(const std::vector<float>& states)
{
    constexpr float half_w = k_frame_width / 2.0f, half_h = k_frame_height / 2.0f;
    std::vector<SpriteQuad> quads;
    for (int i = 0; i < k_particles; ++i) {
        const float* s = &states[size_t(i) * 4];
        const float x = s[0], y = s[1], size = s[3];
        // A size of 0 adds nothing; a cone wholly outside the frame lights no pixel.
        if (!(size > 0.0f)) continue;
        if (x < -half_w - 1 || x > half_w + 1 || y < -half_h - 1 || y > half_h + 1) continue;
        quads.push_back({(x - k_sprite_reach) / half_w, (y - k_sprite_reach) / half_h,
                         (x + k_sprite_reach) / half_w, (y + k_sprite_reach) / half_h,
                         (i + 0.5f) / k_particles});
    }
    return quads;
}

// The summed, unclamped light of every particle into the light image.
void draw_light(float beat, int32_t sound)
{
    const std::vector<float> states = particle_states(beat, sound);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_light);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, tex_state);
    use_program(show_program("particle_sprite"));
    set_frame_uniforms(beat, sound);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const std::vector<SpriteQuad> quads = sprite_quads(states);
    draw_sprite_quads(quads.data(), quads.size());
    glDisable(GL_BLEND);
}

}  // namespace

bool load_particle_scene()
{
    if (!create_targets()) {
        std::fprintf(stderr, "krelan: the particle scene needs floating-point render targets\n");
        return false;
    }
    // A loud frame lights many particles, so the sprite program draws.
    draw_particle_scene(0, 256.0f, 32768);
    glFinish();
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

void draw_particle_scene(GLuint framebuffer, float beat, int32_t sound)
{
    draw_light(beat, sound);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    draw_pass("particle_resolve", tex_light, beat, sound);
}
