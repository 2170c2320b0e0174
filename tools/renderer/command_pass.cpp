// pass: one program on its own, drawn into an RGBA8 target so that the
// output is exactly what the program wrote, alpha included.
#include "args.h"
#include "commands.h"
#include "files.h"
#include "gpu.h"
#include "media_store.h"
#include "output_file.h"
#include "programs.h"
#include "render_gl.h"
#include "shaders.h"
#include "show.h"

#include <cstring>

namespace {

// The help names the programs of the program table.
std::string pass_help()
{
    return "usage: krelan-render pass PROGRAM --beat B [--sound S] [--input IN.png] [--steps N]\n"
           "                          --out OUT.png\n"
           "\n"
           "One program on its own: PROGRAM is one of\n"
           "  " +
           program_names() +
           "\n"
           "OUT is a 1920x1080 RGBA PNG of exactly what the program wrote, alpha included.\n"
           "  --beat B      the `beat` uniform\n"
           "  --sound S     the `sound` uniform, 0..32768 (default 0)\n"
           "  --input IN    a 1920x1080 PNG the program sees as `tex`, addressed like the\n"
           "                window (the PNG's top row is the window's top row; an image\n"
           "                without alpha has alpha 1). For card, IN is loaded the way the\n"
           "                show loads a card. Default: the opaque black blank texture, and\n"
           "                for card the warning card.\n"
           "  --steps N     life only: run the pass N times (default 1), each output the\n"
           "                next input, all at beat B\n"
           "  --out OUT     the PNG to write\n";
}

}  // namespace

int command_pass(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_args(
            argc, argv, 1,
            {{"beat", true}, {"sound", true}, {"input", true}, {"steps", true}, {"out", true}},
            &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(pass_help().c_str());
    if (args.positional.size() != 1)
        return report(k_status_usage, "name one program: " + program_names());
    const ProgramText* program = find_program(args.positional[0].c_str());
    if (!program)
        return report(k_status_usage, "unknown program '" + args.positional[0] +
                                          "' (one of: " + program_names() + ")");
    const bool is_card = std::strcmp(program->name, "card") == 0;
    float beat = 0;
    long sound = 0, steps = 1;
    if (!has_option(args, "beat") || !has_option(args, "out"))
        return report(k_status_usage, "--beat and --out are required");
    if (!parse_float(args.values["beat"], "--beat", &beat, &error) ||
        (has_option(args, "sound") &&
         !parse_int(args.values["sound"], "--sound", 0, 32768, &sound, &error)) ||
        (has_option(args, "steps") &&
         !parse_int(args.values["steps"], "--steps", 1, 100000, &steps, &error)))
        return report(k_status_usage, error);
    if (has_option(args, "steps") && std::strcmp(program->name, "life") != 0)
        return report(k_status_usage, "--steps applies to the life pass only");

    // The input is checked before anything is drawn.
    Image input;
    std::string input_bytes;
    const bool has_input = has_option(args, "input");
    if (has_input) {
        // Read once and bounded; the size in the header is checked before
        // any pixel is decoded. The card pass decodes the same bytes again
        // the way the show loads a card.
        const std::string path = args.values["input"];
        if (!read_file_limited(path, k_max_png_bytes, &input_bytes, &error) ||
            !decode_png_rgba(input_bytes, path, &input, &error, k_frame_width, k_frame_height))
            return report(k_status_failed, error);
    }
    const std::string out = args.values["out"];
    const std::string temp = reserve_output(out, &error);
    if (temp.empty()) return report(k_status_failed, error);

    if (!open_render_window(&error)) return report(k_status_failed, error);
    const GLuint prog = build_program(program->text, program->length, program->name);
    if (!prog)
        return report(k_status_failed,
                      std::string("the ") + program->name + " program does not build");
    GLuint source = blank_texture();
    if (is_card) {
        const unsigned char* png = has_input
                                       ? reinterpret_cast<const unsigned char*>(input_bytes.data())
                                       : asset_warning_card.bytes;
        const size_t length = has_input ? input_bytes.size() : asset_warning_card.length;
        source = load_card_texture(png, length, has_input ? "input" : "warning");
    } else if (has_input) {
        flip_rows(&input);  // GL's rows run bottom-up, like the window's
        source = create_texture(k_frame_width, k_frame_height, input.pixels.data(), GL_CLAMP);
    }
    GLuint targets[2], framebuffers[2];
    for (int i = 0; i < 2; ++i) {
        targets[i] = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP);
        framebuffers[i] = create_render_target(targets[i], "pass output");
    }
    if (!source || !framebuffers[0] || !framebuffers[1])
        return report(k_status_failed, "cannot prepare the pass's textures");

    // Each step draws into one target from the other, so no pass reads the
    // texture it writes.
    for (long step = 0; step < steps; ++step) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[step % 2]);
        glBindTexture(GL_TEXTURE_2D, step == 0 ? source : targets[(step - 1) % 2]);
        use_program(prog);
        set_frame_uniforms(beat, static_cast<int32_t>(sound));
        draw_fullscreen_quad();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[(steps - 1) % 2]);
    const Image result = read_frame(4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (const char* gl_error = gl_error_text())
        return report(k_status_failed, std::string("drawing the pass raised ") + gl_error);
    if (!commit_output_bytes(temp, out, png_bytes(result), &error))
        return report(k_status_failed, error);
    return k_status_ok;
}
