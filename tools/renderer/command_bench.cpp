// bench: what each program costs at 1080p on this machine, and what the post
// chain costs against its three passes and against a chain that hands its
// images over through CPU read-backs.
#include "args.h"
#include "commands.h"
#include "gpu.h"
#include "programs.h"
#include "render_gl.h"
#include "show.h"
#include "timeline.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

const char* const k_bench_help =
    "usage: krelan-render bench [--frames N] [--json]\n"
    "\n"
    "For every program: the median time of a 1080p frame at a representative\n"
    "beat (in its part of the show, sound level 8000), and the time to compile\n"
    "and link it including its first draw\n"
    "(drivers such as Mesa compile at the first draw; the shader cache is\n"
    "disabled). Then the post chain at 1080p: a chain frame of the show's\n"
    "framebuffer-object chain and a read-back chain (each pass read back with\n"
    "glReadPixels and uploaded with glTexImage2D), each against the sum of its\n"
    "three passes drawn alone. Also the GL renderer.\n"
    "  --frames N  frames timed per measurement (default 10)\n"
    "  --json      one JSON object instead of the table\n";

constexpr int32_t k_bench_sound = 8000;  // a middling level of the soundtrack

struct ProgramTiming {
    const char* name;
    float beat;
    bool built;
    double compile_ms;
    double frame_ms;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

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
    current_beat = beat;
    set_frame_uniforms();
    draw_fullscreen_quad();
}

// The baseline the framebuffer-object chain replaced: one texture, refilled
// from CPU buffers between the passes, each pass drawn to the back buffer and
// read back.
struct ReadbackChain {
    GLuint texture = 0;
    std::vector<unsigned char> readback_a, readback_b;
};

void draw_readback_chain_frame(ReadbackChain* chain, GLuint life, GLuint zoom, GLuint glow,
                               float beat)
{
    auto upload = [chain](const std::vector<unsigned char>& pixels) {
        glBindTexture(GL_TEXTURE_2D, chain->texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1920, 1080, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
    };
    auto pass = [beat](GLuint program) {
        use_program(program);
        current_beat = beat;
        set_frame_uniforms();
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
    pass(glow);
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

}  // namespace

int command_bench(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_args(argc, argv, 1, {{"frames", true}, {"json", false}}, &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_bench_help);
    if (!args.positional.empty())
        return report(k_status_usage, "unexpected argument '" + args.positional[0] + "'");
    long frames = 10;
    if (has_option(args, "frames") &&
        !parse_int(args.values["frames"], "--frames", 1, 10000, &frames, &error))
        return report(k_status_usage, error);
    const bool json = has_option(args, "json");

    // Compile times mean nothing when the driver serves programs from its cache.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    if (!open_render_window(&error)) return report(k_status_failed, error);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const GLuint warning =
        load_card_texture(asset_warning_card.bytes, asset_warning_card.length, "warning");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    // The scenes see the blank texture and the card a card, as in the show;
    // for the post-chain passes the content of `tex` does not change the cost.
    std::vector<ProgramTiming> timings;
    GLuint built[8] = {};
    for (int i = 0; i < 8; ++i) {
        const ProgramEntry& p = k_programs[i];
        ProgramTiming t{p.name, p.beat, false, 0, 0};
        if (p.text->length > 0) {
            const GLuint texture = std::string(p.name) == "card" ? warning : tex_blank;
            set_sound_level(k_bench_sound);
            const double start = now_seconds();
            built[i] = build_program(reinterpret_cast<const char*>(p.text->bytes),
                                     static_cast<int>(p.text->length), p.name);
            if (built[i]) {
                draw_program(built[i], texture, p.beat);
                glFinish();
                t.compile_ms = (now_seconds() - start) * 1000.0;
                t.frame_ms = time_frames(frames, [&] { draw_program(built[i], texture, p.beat); });
                t.built = true;
            }
        }
        timings.push_back(t);
        if (!json)
            std::fprintf(stderr, "krelan-render: measured %s\n", p.name);
    }
    const GLuint life = built[4], zoom = built[5], glow = built[6];
    if (!life || !zoom || !glow)
        return report(k_status_failed, "the post-chain programs do not build");
    if (!load_show_resources())
        return report(k_status_failed, "cannot prepare the show's GPU resources");

    // The chains and their passes are timed in turns, frame by frame, so that
    // a machine busy with other work slows them alike. One untimed round
    // first: drivers build a variant of a program for each kind of target.
    constexpr float k_chain_beat = 460.0f;
    ReadbackChain readback;
    readback.texture = create_texture(1920, 1080, nullptr, GL_CLAMP);
    readback.readback_a.assign(size_t(1920) * 1080 * 4, 0);
    readback.readback_b.assign(size_t(1920) * 1080 * 4, 0);
    const std::function<void()> rounds[] = {
        [&] { draw_program(life, tex_blank, k_chain_beat); },
        [&] { draw_program(zoom, tex_blank, k_chain_beat); },
        [&] { draw_program(glow, tex_blank, k_chain_beat); },
        [] {
            current_beat = k_chain_beat;
            draw_frame();
        },
        [&] { draw_readback_chain_frame(&readback, life, zoom, glow, k_chain_beat); },
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
    const double passes_ms = median(passes_times);
    const double chain_ms = median(chain_times);
    const double readback_ms = median(readback_times);
    glBindTexture(GL_TEXTURE_2D, tex_blank);

    if (json) {
        std::printf("{\"renderer\": \"%s\", \"frames\": %ld, \"programs\": [",
                    json_text(renderer ? renderer : "").c_str(), frames);
        for (size_t i = 0; i < timings.size(); ++i) {
            const ProgramTiming& t = timings[i];
            std::printf("%s{\"name\": \"%s\", \"beat\": %g, \"built\": %s", i ? ", " : "", t.name,
                        static_cast<double>(t.beat), t.built ? "true" : "false");
            if (t.built)
                std::printf(", \"frame_ms\": %.3f, \"compile_ms\": %.3f", t.frame_ms, t.compile_ms);
            std::printf("}");
        }
        std::printf("], \"post_chain\": {\"beat\": %g, \"fbo_chain_frame_ms\": %.3f, "
                    "\"readback_chain_frame_ms\": %.3f, \"passes_alone_ms\": %.3f}}\n",
                    static_cast<double>(k_chain_beat), chain_ms, readback_ms, passes_ms);
        return k_status_ok;
    }
    std::printf("GL renderer: %s\n", renderer ? renderer : "(unknown)");
    std::printf("1920x1080, median of %ld frames; compile = compile, link and first draw\n\n",
                frames);
    std::printf("%-10s %8s %12s %12s\n", "program", "beat", "frame ms", "compile ms");
    for (const ProgramTiming& t : timings) {
        if (t.built)
            std::printf("%-10s %8g %12.2f %12.2f\n", t.name, static_cast<double>(t.beat),
                        t.frame_ms, t.compile_ms);
        else
            std::printf("%-10s %8g %12s %12s\n", t.name, static_cast<double>(t.beat), "-",
                        "not built");
    }
    std::printf("\npost chain at beat %g (life, zoom, glow):\n", static_cast<double>(k_chain_beat));
    std::printf("  %-36s %10.2f ms\n", "three passes drawn alone, summed", passes_ms);
    std::printf("  %-36s %10.2f ms  (%.2fx the passes)\n", "framebuffer-object chain frame",
                chain_ms, chain_ms / passes_ms);
    std::printf("  %-36s %10.2f ms  (%.2fx the passes)\n", "read-back chain frame (baseline)",
                readback_ms, readback_ms / passes_ms);
    return k_status_ok;
}
