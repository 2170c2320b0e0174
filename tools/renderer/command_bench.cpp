// bench: what each program costs at 1080p on this machine, what the post
// chain costs against its three passes and against a chain that hands its
// images over through CPU read-backs, and what the letterbox's scaling pass
// costs against a textured quad.
#include "args.h"
#include "bench_paths.h"
#include "bench_report.h"
#include "commands.h"
#include "display_text.h"
#include "gpu.h"
#include "letterbox.h"
#include "letterbox_rect.h"
#include "live_overlay.h"
#include "media_store.h"
#include "program_table.h"
#include "programs.h"
#include "render_gl.h"
#include "scenes.h"
#include "shaders.h"
#include "show.h"
#include "sparse_glow.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

const char* const k_bench_help =
    "usage: krelan-render bench [--frames N] [--json | --report]\n"
    "\n"
    "For every program: the median time of a 1080p frame at a representative\n"
    "beat (in its part of the show, sound level 8000), and the time to compile\n"
    "and link it including its first draw\n"
    "(drivers such as Mesa compile at the first draw; the shader cache is\n"
    "disabled). Then the post chain at 1080p: a chain frame of the show's\n"
    "framebuffer-object chain and a read-back chain (each pass read back with\n"
    "glReadPixels and uploaded with glTexImage2D), each against the sum of its\n"
    "three passes drawn alone (the glow as the show draws it, of the show's\n"
    "automaton). Then the particle scene as the show draws it (sprites) against\n"
    "the per-pixel particles program, the show's sparse glow against the\n"
    "straight glow program at four beats of the chain (run there at 60 fps\n"
    "first), and from all of these an estimate of capturing the whole show at\n"
    "60 fps, both ways. Then the letterbox's scaling pass (the 1080p frame to\n"
    "1280x720 and 2560x1440, a blit with linear filtering) against a\n"
    "fixed-function textured quad doing the same. Then what krelan-demo --live\n"
    "draws over a frame: its on-screen display in play (its beat moving) and\n"
    "paused, and paused with a two-line error. Also the GL renderer.\n"
    "  --frames N  frames timed per measurement (default 10)\n"
    "  --json      one JSON object instead of the table\n"
    "  --report    instead of all that, whether this machine can show Krelan, in\n"
    "              plain words: the GL renderer and version, each feature the show\n"
    "              needs (tried on the driver), and each scene's frame time against\n"
    "              a 60 Hz (16.7 ms) and a 30 Hz (33.3 ms) screen. Status 1 when the\n"
    "              show cannot run here\n";

constexpr int32_t k_bench_sound = 8000;  // a middling level of the soundtrack
constexpr float k_chain_beat = 460.0f;   // in the post chain

struct ProgramTiming {
    const char* name;
    float beat;
    bool built;
    double compile_ms;
    double frame_ms;
};

// Median over `frames` runs of `draw` followed by glFinish, in milliseconds.
double time_frames(long frames, const std::function<void()>& draw)
{
    std::vector<double> times;
    for (long i = 0; i < frames; ++i) {
        const double start = now_seconds();
        draw();
        glFinish();
        times.push_back((now_seconds() - start) * 1000.0);
    }
    return median(times);
}

void draw_program(GLuint program, GLuint texture, float beat)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    use_program(program);
    set_frame_uniforms(beat, k_bench_sound);
    draw_fullscreen_quad();
}

// The baseline the framebuffer-object chain replaced: one texture, refilled
// from CPU buffers between the passes, each pass drawn to the back buffer and
// read back.
struct ReadbackChain {
    GLuint texture = 0;
    std::vector<unsigned char> readback_a, readback_b;
};

void draw_readback_chain_frame(ReadbackChain* chain, GLuint life, GLuint zoom, float beat)
{
    auto upload = [chain](const std::vector<unsigned char>& pixels) {
        glBindTexture(GL_TEXTURE_2D, chain->texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1920, 1080, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
    };
    auto pass = [beat](GLuint program) {
        use_program(program);
        set_frame_uniforms(beat, k_bench_sound);
        draw_fullscreen_quad();
    };
    auto read_back = [](std::vector<unsigned char>* pixels) {
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 1920, 1080, GL_RGBA, GL_UNSIGNED_BYTE, pixels->data());
    };
    upload(chain->readback_a);
    pass(life);
    read_back(&chain->readback_a);
    upload(chain->readback_a);
    pass(zoom);
    read_back(&chain->readback_b);
    upload(chain->readback_b);
    draw_sparse_glow(0, chain->texture, show_glow_passes(), beat, k_bench_sound);
}

std::string json_text(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out;
}

// Builds every program of the program table, timing its compile, link and
// first draw, then its frames at its representative beat. The scenes see the
// blank texture and the card a card, as in the show; for the post-chain
// passes the content of `tex` does not change the cost.
std::vector<ProgramTiming> measure_programs(long frames, bool quiet)
{
    const GLuint warning =
        load_card_texture(asset_warning_card.bytes, asset_warning_card.length, "warning");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    std::vector<ProgramTiming> timings;
    for (size_t i = 0; i < k_program_count; ++i) {
        const ProgramText& p = k_programs[i];
        ProgramTiming t{p.name, program_sample_beat(show_schedule(), ProgramId(i)), false, 0, 0};
        const GLuint texture = std::string(p.name) == "card" ? warning : blank_texture();
        const double start = now_seconds();
        const GLuint program = build_program(p.text, p.length, p.name);
        if (program) {
            draw_program(program, texture, t.beat);
            glFinish();
            t.compile_ms = (now_seconds() - start) * 1000.0;
            t.frame_ms = time_frames(frames, [&] { draw_program(program, texture, t.beat); });
            t.built = true;
        }
        timings.push_back(t);
        if (!quiet) std::fprintf(stderr, "krelan-render: measured %s\n", p.name);
    }
    return timings;
}

struct ChainTiming {
    double passes_ms, chain_ms, readback_ms;
};

// The chains and their passes are timed in turns, frame by frame, so that a
// machine busy with other work slows them alike. One untimed round first:
// drivers build a variant of a program for each kind of target. The glow's
// cost follows the lit area, so the read-back chain starts from the show's
// automaton and the glow alone reads the show's latest zoom image.
ChainTiming measure_post_chain(long frames)
{
    const GLuint life = table_program(PROG_LIFE), zoom = table_program(PROG_ZOOM);
    ReadbackChain readback;
    readback.texture = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP);
    readback.readback_a.assign(k_frame_bytes, 0);
    readback.readback_b.assign(k_frame_bytes, 0);
    glBindTexture(GL_TEXTURE_2D, life_state_texture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, readback.readback_a.data());
    const std::function<void()> rounds[] = {
        [&] { draw_program(life, blank_texture(), k_chain_beat); },
        [&] { draw_program(zoom, blank_texture(), k_chain_beat); },
        [&] {
            draw_sparse_glow(0, zoom_texture(), show_glow_passes(), k_chain_beat, k_bench_sound);
        },
        [] { draw_frame(k_chain_beat, k_bench_sound); },
        [&] { draw_readback_chain_frame(&readback, life, zoom, k_chain_beat); },
    };
    std::vector<double> passes_times, chain_times, readback_times;
    for (long i = 0; i <= frames; ++i) {
        double ms[5];
        for (int k = 0; k < 5; ++k) ms[k] = time_frames(1, rounds[k]);
        if (i == 0) continue;
        passes_times.push_back(ms[0] + ms[1] + ms[2]);
        chain_times.push_back(ms[3]);
        readback_times.push_back(ms[4]);
    }
    glBindTexture(GL_TEXTURE_2D, blank_texture());
    return {median(passes_times), median(chain_times), median(readback_times)};
}

struct LetterboxTiming {
    int width, height;
    double blit_ms, quad_ms;
};

// The alternative to the blit: the frame's texture on a fixed-function quad
// in the letterbox rectangle, linear filtering, after clearing the bars.
void draw_textured_quad(GLuint framebuffer, int width, int height, GLuint texture)
{
    const PixelRect r = letterbox_rect(width, height, k_frame_width, k_frame_height);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(r.x, r.y, r.width, r.height);
    glUseProgram(0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2i(-1, -1);
    glTexCoord2f(1, 0), glVertex2i(1, -1);
    glTexCoord2f(1, 1), glVertex2i(1, 1);
    glTexCoord2f(0, 1), glVertex2i(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

// The scaling pass into a target of each screen size, the blit and the quad
// timed in turns. The frame is the warning card's (the content does not
// change the cost).
std::vector<LetterboxTiming> measure_letterbox(long frames)
{
    const GLuint frame = letterbox_target();
    if (!frame) return {};
    glBindFramebuffer(GL_FRAMEBUFFER, frame);
    draw_frame(0.0f, k_bench_sound);
    const GLuint copy = capture_screen_texture();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    std::vector<LetterboxTiming> timings;
    for (auto [w, h] : {std::pair{1280, 720}, std::pair{2560, 1440}}) {
        const GLuint screen =
            create_render_target(create_texture(w, h, nullptr, GL_CLAMP), "screen");
        if (!screen) return {};
        std::vector<double> blit, quad;
        for (long i = 0; i <= frames; ++i) {
            const double b = time_frames(1, [&] { scale_letterbox_frame(screen, w, h); });
            const double q = time_frames(1, [&] { draw_textured_quad(screen, w, h, copy); });
            if (i == 0) continue;  // the first round builds the driver's variants
            blit.push_back(b);
            quad.push_back(q);
        }
        timings.push_back({w, h, median(blit), median(quad)});
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, k_frame_width, k_frame_height);
    glBindTexture(GL_TEXTURE_2D, blank_texture());
    return timings;
}

// What krelan-demo --live adds to a frame: its display in play (the beat's
// line drawn anew each frame, the rest from the display's cache), paused
// (all from the cache), and paused with a two-line error beneath.
struct DisplayTiming {
    double playing_ms;
    double paused_ms;
    double with_error_ms;
};

DisplayTiming measure_display(long frames)
{
    DisplayFacts facts;
    facts.beat = 101.25f;
    facts.frame_ms = 16.7;
    facts.level = k_bench_sound;
    facts.loop = {true, true, 100.0f, 104.0f, true};
    const std::vector<std::string> error = {
        "sphere.glsl:61: error: syntax error, unexpected ERROR_TOK, expecting end of file"};
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    draw_frame(facts.beat, k_bench_sound);
    draw_live_overlay(display_lines(show_schedule(), facts), error);  // the driver's variants
    glFinish();
    DisplayTiming timing;
    timing.playing_ms = time_frames(frames, [&] {
        facts.beat += 0.02f;  // about a frame at 60 fps
        draw_live_overlay(display_lines(show_schedule(), facts), {});
    });
    facts.paused = true;
    const std::vector<std::string> paused = display_lines(show_schedule(), facts);
    timing.paused_ms = time_frames(frames, [&] { draw_live_overlay(paused, {}); });
    timing.with_error_ms = time_frames(frames, [&] { draw_live_overlay(paused, error); });
    release_live_overlay();
    glBindTexture(GL_TEXTURE_2D, blank_texture());
    return timing;
}

// Everything the bench measures, for the two ways of printing it.
struct BenchResults {
    const char* renderer;
    long frames;
    std::vector<ProgramTiming> programs;
    ChainTiming chain;
    PathTimings paths;
    CaptureEstimate estimate;
    std::vector<LetterboxTiming> letterbox;
    DisplayTiming display;
};

void print_json(const BenchResults& r)
{
    std::printf("{\"renderer\": \"%s\", \"frames\": %ld, \"programs\": [",
                json_text(r.renderer ? r.renderer : "").c_str(), r.frames);
    for (size_t i = 0; i < r.programs.size(); ++i) {
        const ProgramTiming& t = r.programs[i];
        std::printf(
            "%s{\"name\": \"%s\", \"beat\": %g, \"built\": true, \"frame_ms\": %.3f, "
            "\"compile_ms\": %.3f}",
            i ? ", " : "", t.name, static_cast<double>(t.beat), t.frame_ms, t.compile_ms);
    }
    std::printf(
        "], \"post_chain\": {\"beat\": %g, \"fbo_chain_frame_ms\": %.3f, "
        "\"readback_chain_frame_ms\": %.3f, \"passes_alone_ms\": %.3f}, \"letterbox\": [",
        static_cast<double>(k_chain_beat), r.chain.chain_ms, r.chain.readback_ms,
        r.chain.passes_ms);
    for (size_t i = 0; i < r.letterbox.size(); ++i) {
        const LetterboxTiming& t = r.letterbox[i];
        std::printf("%s{\"width\": %d, \"height\": %d, \"blit_ms\": %.3f, \"quad_ms\": %.3f}",
                    i ? ", " : "", t.width, t.height, t.blit_ms, t.quad_ms);
    }
    std::printf(
        "], \"live_display\": {\"playing_ms\": %.3f, \"paused_ms\": %.3f, "
        "\"with_error_ms\": %.3f}",
        r.display.playing_ms, r.display.paused_ms, r.display.with_error_ms);
    print_paths_json(r.paths, r.estimate);
    std::printf("}\n");
}

void print_table(const BenchResults& r)
{
    std::printf("GL renderer: %s\n", r.renderer ? r.renderer : "(unknown)");
    std::printf("1920x1080, median of %ld frames; compile = compile, link and first draw\n\n",
                r.frames);
    std::printf("%-16s %8s %12s %12s\n", "program", "beat", "frame ms", "compile ms");
    for (const ProgramTiming& t : r.programs) {
        std::printf("%-16s %8g %12.2f %12.2f\n", t.name, static_cast<double>(t.beat), t.frame_ms,
                    t.compile_ms);
    }
    std::printf("\npost chain at beat %g (life, zoom, glow):\n", static_cast<double>(k_chain_beat));
    std::printf("  %-36s %10.2f ms\n", "three passes drawn alone, summed", r.chain.passes_ms);
    std::printf("  %-36s %10.2f ms  (%.2fx the passes)\n", "framebuffer-object chain frame",
                r.chain.chain_ms, r.chain.chain_ms / r.chain.passes_ms);
    std::printf("  %-36s %10.2f ms  (%.2fx the passes)\n", "read-back chain frame (baseline)",
                r.chain.readback_ms, r.chain.readback_ms / r.chain.passes_ms);
    std::printf("\nletterbox: the 1920x1080 frame scaled to fit a screen:\n");
    for (const LetterboxTiming& t : r.letterbox) {
        std::printf("  letterbox to %dx%d: blit %.2f ms (the show's), textured quad %.2f ms\n",
                    t.width, t.height, t.blit_ms, t.quad_ms);
    }
    std::printf("\nkrelan-demo --live over a frame:\n");
    std::printf("  %-36s %10.2f ms\n", "on-screen display in play", r.display.playing_ms);
    std::printf("  %-36s %10.2f ms\n", "on-screen display paused", r.display.paused_ms);
    std::printf("  %-36s %10.2f ms\n", "paused, with a two-line error", r.display.with_error_ms);
    print_paths(r.paths, r.estimate);
}

double frame_ms_of(const std::vector<ProgramTiming>& timings, const char* name)
{
    for (const ProgramTiming& t : timings)
        if (std::string(t.name) == name) return t.frame_ms;
    return 0;
}

SceneCosts scene_costs(const std::vector<ProgramTiming>& timings, long frames)
{
    return {frame_ms_of(timings, "card"),  frame_ms_of(timings, "sphere"),
            frame_ms_of(timings, "field"), frame_ms_of(timings, "lattice"),
            frame_ms_of(timings, "life"),  frame_ms_of(timings, "zoom"),
            measure_readback(frames)};
}

}  // namespace

int command_bench(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv, {{"frames", true}, {"json", false}, {"report", false}}, &args,
                       &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_bench_help);
    long frames = 10;
    if (has_option(args, "frames") &&
        !parse_int(args.values["frames"], "--frames", 1, 10000, &frames, &error))
        return report(k_status_usage, error);
    const bool json = has_option(args, "json");
    if (has_option(args, "report")) {
        if (json) return report(k_status_usage, "--report is words for people: not with --json");
        return print_compatibility_report(frames);
    }

    // Compile times mean nothing when the driver serves programs from its cache.
    SDL_setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    if (!open_render_window(&error)) return report(k_status_failed, error);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::vector<ProgramTiming> timings = measure_programs(frames, json);
    for (const ProgramTiming& t : timings)
        if (!t.built)
            return report(k_status_failed,
                          std::string("the ") + t.name + " program does not build");
    if (!load_show_resources())
        return report(k_status_failed, "cannot prepare the show's GPU resources");
    // The paths first: their glow moments need the automaton from its seed.
    const PathTimings paths = measure_paths(frames);
    const ChainTiming chain = measure_post_chain(frames);
    const CaptureEstimate estimate = estimate_capture(scene_costs(timings, frames), paths);
    const std::vector<LetterboxTiming> letterbox = measure_letterbox(frames);
    if (letterbox.empty()) return report(k_status_failed, "cannot create the letterbox targets");
    const DisplayTiming display = measure_display(frames);
    const BenchResults results{renderer, frames,   timings,   chain,
                               paths,    estimate, letterbox, display};
    if (json)
        print_json(results);
    else
        print_table(results);
    return k_status_ok;
}
