// Helpers shared by the font, scroller and field tests: shader inputs handed
// in through a float texture (exact values, one texel per case) and frames
// written out as PNG pictures.
#pragma once

#include "gl_harness.h"
#include "gpu.h"
#include "scrolltext.h"
#include "shaders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A width x height RGBA32F texture holding `values` (4 floats per texel,
// rows bottom-up), sampled without filtering so the shader reads them exactly.
inline GLuint float_texture(const std::vector<float>& values, int width, int height)
{
    GLuint texture = create_float_texture(width, height, GL_RGBA32F);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_FLOAT, values.data());
    return texture;
}

// Runs `program` once per case: case i reads texel i of its input (four
// floats; the GLSL side fetches it with `probe_input()`) and writes four
// floats back. `beat` is passed through.
inline std::vector<float> run_cases(GLuint program, const std::vector<float>& inputs,
                                    float beat = 0.0f)
{
    const int width = 1024, rows = 64;  // the input's size, as probe_input() reads it
    const int count = int(inputs.size() / 4);
    const int height = (count + width - 1) / width;
    EXPECT_LE(height, rows) << "too many cases for one run";
    std::vector<float> padded(inputs);
    padded.resize(size_t(width) * rows * 4, 0.0f);
    GLuint input = float_texture(padded, width, rows);
    Target target = make_target(width, height, true);
    draw_to(target, program, beat, 0, input);
    std::vector<float> out = read_floats(target);
    out.resize(inputs.size());
    glDeleteTextures(1, &input);
    glDeleteTextures(1, &target.texture);
    glDeleteFramebuffers(1, &target.framebuffer);
    return out;
}

// GLSL for the probe programs: this pixel's case from the input texture.
inline const char* probe_input_glsl()
{
    return "vec4 probe_input()\n"
           "{\n"
           "    return texture2D(tex, gl_FragCoord.xy / vec2(1024.0, 64.0));\n"
           "}\n";
}

// The token macros of the shipped scroller.
inline const ScrollTokenTable& token_table()
{
    static ScrollTokenTable table = [] {
        ScrollTokenTable t;
        std::string error;
        if (!read_scroll_tokens(shader_piece("scroller.glsl"), &t, &error)) ADD_FAILURE() << error;
        return t;
    }();
    return table;
}

// The scroll text piece for a line of our own, as the build generates it.
inline std::string scrolltext_for(const std::string& line)
{
    std::vector<std::string> tokens;
    std::string error;
    if (!tokenize_scroll_line(line, token_table(), &tokens, &error)) ADD_FAILURE() << error;
    return scroll_text_piece(line, tokens, token_table(), "a test line");
}

// A program with the font and the scroller laid out over `scrolltext` (a
// generated piece), followed by `code`.
inline GLuint scroller_program(const std::string& scrolltext, const std::string& code,
                               const char* name)
{
    std::string text = shader_piece("prelude.glsl") + shader_piece("font.glsl") + scrolltext +
                       shader_piece("scroller.glsl") + code;
    GLuint program = build_program(text.c_str(), text.size(), name);
    if (!program) ADD_FAILURE() << "program '" << name << "' does not build";
    return program;
}
