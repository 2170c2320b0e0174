#include "particle_sprites.h"

#include "gpu.h"
#include "program_table.h"
#include "shaders.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int k_particles = 1000;

// Half-width of a particle's quad in pixels: the cone reaches 1 px from the
// centre; the margin keeps every pixel centre it reaches inside the quad.
constexpr float k_sprite_reach = 1.5f;

// The module's state: every particle's state (1000 x 1, RGBA) and the
// summed light of the frame (1920 x 1080, red), both 32-bit float. Created by
// load_particle_scene, deleted by release_particle_scene.
struct ParticleTargets {
    GLuint tex_state = 0, fbo_state = 0;
    GLuint tex_light = 0, fbo_light = 0;
};
ParticleTargets particles;

bool create_targets()
{
    particles.tex_state = create_float_texture(k_particles, 1, GL_RGBA32F);
    particles.fbo_state = create_render_target(particles.tex_state, "particle state (RGBA32F)");
    particles.tex_light = create_float_texture(k_frame_width, k_frame_height, GL_R32F);
    particles.fbo_light = create_render_target(particles.tex_light, "particle light (R32F)");
    return particles.fbo_state && particles.fbo_light;
}

// Every particle's centre, radius and peak brightness, computed by the state
// pass and read back: the quads are placed on the CPU so that no vertex
// stage needs texture access.
std::vector<float> particle_states(ProgramId state, float beat, int32_t sound)
{
    glViewport(0, 0, k_particles, 1);
    draw_pass(particles.fbo_state, 0, state, beat, sound);  // it samples nothing
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
void draw_light(const ParticlePasses& passes, float beat, int32_t sound)
{
    const std::vector<float> states = particle_states(passes.state, beat, sound);
    glBindFramebuffer(GL_FRAMEBUFFER, particles.fbo_light);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, particles.tex_state);
    use_program(passes.sprite);
    set_frame_uniforms(beat, sound);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const std::vector<SpriteQuad> quads = sprite_quads(states);
    draw_sprite_quads(quads.data(), quads.size());
    glDisable(GL_BLEND);
}

}  // namespace

ParticlePasses particle_passes(const Scene& scene)
{
    return {scene_pass(scene, 0), scene_pass(scene, 1), scene_pass(scene, 2)};
}

bool load_particle_scene(const ParticlePasses* passes)
{
    release_particle_scene();
    if (!create_targets()) {
        std::fprintf(stderr, "krelan: the particle scene needs floating-point render targets\n");
        return false;
    }
    if (!passes) return true;
    // A loud frame lights many particles, so the sprite program draws.
    draw_particle_scene(0, *passes, 256.0f, 32768);
    glFinish();
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

void draw_particle_scene(GLuint framebuffer, const ParticlePasses& passes, float beat,
                         int32_t sound)
{
    draw_light(passes, beat, sound);
    draw_pass(framebuffer, particles.tex_light, passes.resolve, beat, sound);
}

void release_particle_scene()
{
    delete_render_target(&particles.fbo_state, &particles.tex_state);
    delete_render_target(&particles.fbo_light, &particles.tex_light);
}
