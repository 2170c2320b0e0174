#include "card_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "gl_window.h"
#include "gpu.h"
#include "shader_assembly.h"
#include "shaders.h"

namespace {

GLuint lettering_program = 0;
GLuint target_texture = 0, target_fbo = 0;
GLint loc_shape = -1, loc_origin = -1, loc_scale = -1, loc_ink = -1;
std::map<std::string, int> shape_numbers;

// Half the side of the square drawn about a cell origin, in glyph units: the
// font's ink stays within 0.5 of the cell centre across and 0.9 up and down
// (stroke half-width included), the emblem within 1.05 of its centre.
constexpr float k_mark_reach = 1.1f;

// One flat test per shape: llvmpipe miscompiles long else-if chains, and a
// single call site per glyph keeps the compiled code to one copy of the font.
std::string shape_dispatch(const std::vector<std::string>& shapes)
{
    std::ostringstream g;
    g << "// Distance to the shape the tool selects with `shape`.\n"
      << "float shape_distance(vec2 p)\n{\n    float d = 100.0;\n";
    for (size_t i = 0; i < shapes.size(); ++i)
        g << "    if (shape == " << i << ") d = " << shapes[i] << "(p);\n";
    g << "    return d;\n}\n\n";
    return g.str();
}

void draw_cell_quad()
{
    glBegin(GL_QUADS);
    glVertex2i(-1, -1);
    glVertex2i(1, -1);
    glVertex2i(1, 1);
    glVertex2i(-1, 1);
    glEnd();
}

// Pixel box [x0, x1) x [y0, y1) in GL window coordinates (y up) about a
// mark, clipped to the card.
void scissor_mark(const Mark& m)
{
    const float reach = k_mark_reach * m.scale + 2.0f;
    const float gl_y = float(k_card_height) - m.y;
    const int x0 = std::max(0, int(std::floor(m.x - reach)));
    const int x1 = std::min(k_card_width, int(std::ceil(m.x + reach)));
    const int y0 = std::max(0, int(std::floor(gl_y - reach)));
    const int y1 = std::min(k_card_height, int(std::ceil(gl_y + reach)));
    glScissor(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

// The program's fragment text: the prelude, the font, the shapes block, the
// dispatch over every shape and the image block, CR LF like the show's texts.
bool lettering_program_text(const Font& font, const ShaderDirs& dirs, std::string* text,
                            std::string* error)
{
    std::string prelude, glyphs, shapes, image;
    if (!load_shader_piece("prelude.glsl", {dirs.show}, &prelude, error) ||
        !load_shader_piece("font.glsl", {dirs.show}, &glyphs, error) ||
        !load_shader_piece("card_lettering.glsl@shapes", {dirs.cards}, &shapes, error) ||
        !load_shader_piece("card_lettering.glsl@image", {dirs.cards}, &image, error))
        return false;
    *text = to_crlf(prelude + glyphs + shapes + shape_dispatch(shape_names(font)) + image);
    return true;
}

}  // namespace

std::vector<std::string> shape_names(const Font& font)
{
    std::vector<std::string> names = glyph_names(font);
    names.push_back(k_emblem_ring);
    names.push_back(k_emblem_face);
    return names;
}

bool start_renderer(const Font& font, const ShaderDirs& dirs, std::string* error)
{
    std::string text;
    if (!lettering_program_text(font, dirs, &text, error)) return false;
    if (!open_headless_gl_window(error)) return false;
    lettering_program = build_program(text.data(), text.size(), "card lettering");
    if (!lettering_program) {
        *error = "the card lettering program does not build";
        return false;
    }
    loc_shape = glGetUniformLocation(lettering_program, "shape");
    loc_origin = glGetUniformLocation(lettering_program, "origin");
    loc_scale = glGetUniformLocation(lettering_program, "scale");
    loc_ink = glGetUniformLocation(lettering_program, "ink");
    const std::vector<std::string> names = shape_names(font);
    shape_numbers.clear();
    for (size_t i = 0; i < names.size(); ++i) shape_numbers[names[i]] = int(i);

    target_texture = create_texture(k_card_width, k_card_height, nullptr, GL_CLAMP_TO_EDGE);
    target_fbo = create_render_target(target_texture, "card");
    if (!target_fbo) {
        *error = "cannot make the card's render target";
        return false;
    }
    return true;
}

std::vector<uint8_t> render_card(const Drawing& drawing, std::string* error)
{
    for (const Mark& m : drawing.marks)
        if (!shape_numbers.count(m.shape)) {
            *error = "no shape named " + m.shape;
            return {};
        }
    while (gl_error_text()) {
    }  // errors from before this card are not its own
    glBindFramebuffer(GL_FRAMEBUFFER, target_fbo);
    glViewport(0, 0, k_card_width, k_card_height);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    glEnable(GL_SCISSOR_TEST);
    glClearColor(1, 1, 1, 1);
    for (const Rule& r : drawing.rules) {
        glScissor(r.x0, k_card_height - r.y1, r.x1 - r.x0, r.y1 - r.y0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glClearColor(0, 0, 0, 1);

    use_program(lettering_program);
    glEnable(GL_BLEND);
    glBlendEquation(GL_MAX);
    for (const Mark& m : drawing.marks) {
        glUniform1i(loc_shape, shape_numbers.at(m.shape));
        glUniform2f(loc_origin, m.x, float(k_card_height) - m.y);
        glUniform1f(loc_scale, m.scale);
        glUniform3f(loc_ink, m.ink.r, m.ink.g, m.ink.b);
        scissor_mark(m);
        draw_cell_quad();
    }
    glDisable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glDisable(GL_SCISSOR_TEST);

    std::vector<uint8_t> rgba(size_t(k_card_width) * k_card_height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, k_card_width, k_card_height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (const char* gl_error = gl_error_text()) {
        *error = std::string("GL error while drawing the card: ") + gl_error;
        return {};
    }

    // GL rows run bottom-up; the card's rows top-down.
    std::vector<uint8_t> rgb(size_t(k_card_width) * k_card_height * 3);
    for (int y = 0; y < k_card_height; ++y) {
        const uint8_t* from = &rgba[size_t(k_card_height - 1 - y) * k_card_width * 4];
        uint8_t* to = &rgb[size_t(y) * k_card_width * 3];
        for (int x = 0; x < k_card_width; ++x)
            for (int c = 0; c < 3; ++c) to[x * 3 + c] = from[x * 4 + c];
    }
    return rgb;
}

void stop_renderer()
{
    if (lettering_program) glDeleteProgram(lettering_program);
    if (target_fbo) glDeleteFramebuffers(1, &target_fbo);
    if (target_texture) glDeleteTextures(1, &target_texture);
    lettering_program = target_fbo = target_texture = 0;
    shape_numbers.clear();
    close_gl_window();
    SDL_Quit();
}
