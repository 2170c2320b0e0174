#include "bench_paths.h"

#include "commands.h"
#include "gpu.h"
#include "particle_sprites.h"
#include "program_table.h"
#include "render_gl.h"
#include "show.h"
#include "sparse_glow.h"
#include "timeline.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <tuple>

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double time_once(const std::function<void()>& draw)
{
    const double start = now_seconds();
    draw();
    glFinish();
    return (now_seconds() - start) * 1000.0;
}

namespace {

constexpr float k_particle_beat = 256.0f;
constexpr int32_t k_particle_sound = 8000;
constexpr double k_fps = 60.0;
// From the seed to the end of the chain, where the automaton has spread.
constexpr float k_glow_beats[] = {452.0f, 470.0f, 490.0f, 508.0f};

// Medians of `a` and `b`, timed in turns so that a busy machine slows both alike.
std::pair<double, double> time_pair(long frames, const std::function<void()>& a,
                                    const std::function<void()>& b)
{
    std::vector<double> ta, tb;
    for (long i = 0; i < frames; ++i) {
        ta.push_back(time_once(a));
        tb.push_back(time_once(b));
    }
    return {median(ta), median(tb)};
}

// `program` over the window, reading `texture`.
void draw_program(ProgramId program, GLuint texture, float beat, int32_t sound)
{
    draw_pass(0, texture, program, beat, sound);
}

// Frames of the show at 60 fps whose beat lies in [from, to).
long frames_between(float from, float to)
{
    return long(first_frame_at_or_after(to, k_fps) - first_frame_at_or_after(from, k_fps));
}

GlowTiming measure_glow(long frames, ShowTimeline* timeline, float beat)
{
    draw_beat_frame(timeline, beat, k_particle_sound);  // leaves the zoom image of the frame
    const GLuint zoom = zoom_texture();
    GlowTiming g{beat, 0, 0};
    std::tie(g.straight_ms, g.sparse_ms) = time_pair(
        frames, [&] { draw_program(PROG_GLOW, zoom, beat, k_particle_sound); },
        [&] { draw_sparse_glow(0, zoom, show_glow_passes(), beat, k_particle_sound); });
    return g;
}

}  // namespace

PathTimings measure_paths(long frames)
{
    PathTimings t;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    std::tie(t.particles_pixel_ms, t.particles_sprite_ms) = time_pair(
        frames,
        [&] { draw_program(PROG_PARTICLES, blank_texture(), k_particle_beat, k_particle_sound); },
        [&] { draw_particle_scene(0, show_particle_passes(), k_particle_beat, k_particle_sound); });
    ShowTimeline timeline;
    timeline.fps = k_fps;
    timeline.fixed_sound = k_particle_sound;
    for (float beat : k_glow_beats) t.glow.push_back(measure_glow(frames, &timeline, beat));
    glBindTexture(GL_TEXTURE_2D, blank_texture());
    return t;
}

double measure_readback(long frames)
{
    std::vector<double> times;
    for (long i = 0; i < frames; ++i) times.push_back(time_once([] { read_frame(3); }));
    return median(times);
}

CaptureEstimate estimate_capture(const SceneCosts& c, const PathTimings& p)
{
    CaptureEstimate e;
    double straight = 0, sparse = 0;
    for (const GlowTiming& g : p.glow) {
        straight += g.straight_ms / p.glow.size();
        sparse += g.sparse_ms / p.glow.size();
    }
    // The recap gives each of its four scenes a quarter of its frames.
    const double recap = frames_between(416, 448) / 4.0;
    e.frames = long(show_last_frame(k_fps));
    const double cards =
        frames_between(-0.5f, 16) + (e.frames - first_frame_at_or_after(512, k_fps));
    const double common = cards * c.card + (frames_between(16, 160) + recap) * c.sphere +
                          (frames_between(160, 224) + recap) * c.field +
                          (frames_between(288, 416) + recap) * c.lattice +
                          frames_between(448, 512) * (c.life + c.zoom);
    const double particle_frames = frames_between(224, 288) + recap;
    const double chain_frames = frames_between(448, 512);
    const double readback = e.frames * c.readback;
    e.before_s =
        (common + readback + particle_frames * p.particles_pixel_ms + chain_frames * straight) /
        1000.0;
    e.after_s =
        (common + readback + particle_frames * p.particles_sprite_ms + chain_frames * sparse) /
        1000.0;
    return e;
}

void print_paths(const PathTimings& p, const CaptureEstimate& e)
{
    std::printf("\nparticles at beat %g, sound %d:\n", double(k_particle_beat), k_particle_sound);
    std::printf("  %-36s %10.2f ms\n", "per-pixel program (reference)", p.particles_pixel_ms);
    std::printf("  %-36s %10.2f ms  (%.1fx faster)\n", "sprites (state, quads, resolve)",
                p.particles_sprite_ms, p.particles_pixel_ms / p.particles_sprite_ms);
    std::printf("\nglow of the show's zoom image at 60 fps (straight / sparse):\n");
    for (const GlowTiming& g : p.glow)
        std::printf("  beat %-6g %10.2f ms %10.2f ms  (%.2fx the time)\n", double(g.beat),
                    g.straight_ms, g.sparse_ms, g.sparse_ms / g.straight_ms);
    std::printf(
        "\ncapture of the whole show at 60 fps (%ld frames, drawing and read-back,\n"
        "without the encoder), estimated from the frame costs above:\n",
        e.frames);
    std::printf("  %-36s %10.0f s\n", "per-pixel particles, straight glow", e.before_s);
    std::printf("  %-36s %10.0f s  (%.2fx the time)\n", "sprites, sparse glow", e.after_s,
                e.after_s / e.before_s);
}

void print_paths_json(const PathTimings& p, const CaptureEstimate& e)
{
    std::printf(
        ", \"particles\": {\"beat\": %g, \"sound\": %d, \"per_pixel_ms\": %.3f, "
        "\"sprites_ms\": %.3f}, \"glow\": [",
        double(k_particle_beat), k_particle_sound, p.particles_pixel_ms, p.particles_sprite_ms);
    for (size_t i = 0; i < p.glow.size(); ++i)
        std::printf("%s{\"beat\": %g, \"straight_ms\": %.3f, \"sparse_ms\": %.3f}", i ? ", " : "",
                    double(p.glow[i].beat), p.glow[i].straight_ms, p.glow[i].sparse_ms);
    std::printf("], \"capture_60fps\": {\"frames\": %ld, \"before_s\": %.1f, \"after_s\": %.1f}",
                e.frames, e.before_s, e.after_s);
}
