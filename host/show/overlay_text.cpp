#include "overlay_text.h"

#include "gpu.h"
#include "program_table.h"

#include <algorithm>
#include <cstring>

namespace {

// The font's row is 1.6 glyph units tall (descender -0.8 to ascender 0.8)
// and the program's cells 0.9 units wide.
constexpr float k_box_units = 1.6f;
constexpr float k_cell_units = 0.9f;

// The module's state: the text's uniforms of the table's overlay program,
// looked up once for each program the table has built.
struct OverlayProgram {
    GLuint program = 0;
    GLint codes = -1, length = -1, origin = -1, unit = -1;
};
OverlayProgram overlay;

const OverlayProgram& overlay_program()
{
    const GLuint program = table_program(PROG_OVERLAY_TEXT);
    if (program != overlay.program) {
        overlay.program = program;
        overlay.codes = glGetUniformLocation(program, "overlay_codes");
        overlay.length = glGetUniformLocation(program, "overlay_length");
        overlay.origin = glGetUniformLocation(program, "overlay_origin");
        overlay.unit = glGetUniformLocation(program, "overlay_unit");
    }
    return overlay;
}

int text_length(const char* text)
{
    return static_cast<int>(std::min<size_t>(std::strlen(text), k_overlay_max_chars));
}

}  // namespace

float overlay_text_width(const char* text, float height)
{
    return text_length(text) * k_cell_units * height / k_box_units;
}

void draw_overlay_text(const char* text, float x, float y, float height, bool blend)
{
    const OverlayProgram& p = overlay_program();
    const int length = text_length(text);
    if (!p.program || length == 0 || height <= 0) return;
    GLint codes[k_overlay_max_chars];
    for (int i = 0; i < length; ++i) codes[i] = static_cast<unsigned char>(text[i]);

    use_program(PROG_OVERLAY_TEXT);
    glUniform1iv(p.codes, length, codes);
    glUniform1i(p.length, length);
    glUniform2f(p.origin, x, y);
    glUniform1f(p.unit, height / k_box_units);

    // One quad over the line's box, in clip coordinates of the viewport.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float width = overlay_text_width(text, height);
    auto clip = [](float pixel, GLint origin, GLint size) {
        return 2.0f * (pixel - origin) / size - 1.0f;
    };
    const SpriteQuad box = {clip(x, viewport[0], viewport[2]), clip(y, viewport[1], viewport[3]),
                            clip(x + width, viewport[0], viewport[2]),
                            clip(y + height, viewport[1], viewport[3]), 0.0f};
    if (blend) glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    draw_sprite_quads(&box, 1);
    glDisable(GL_BLEND);
}
