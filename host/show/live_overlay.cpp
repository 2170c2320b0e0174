#include "live_overlay.h"

#include "gpu.h"
#include "overlay_text.h"
#include "program_table.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float k_margin = 24.0f;
constexpr float k_line_step = k_live_text_height * 1.25f;
// An error takes at most this many lines at the bottom; the frame stays
// visible above them.
constexpr size_t k_error_lines = 8;

// A line of text at its place in the frame (its box's bottom-left corner).
struct PlacedLine {
    std::string text;
    float x = 0, y = 0;
};

bool operator==(const PlacedLine& a, const PlacedLine& b)
{
    return a.text == b.text && a.x == b.x && a.y == b.y;
}

// The module's state: the cache's image and target, and the lines it holds
// (made on first use; when it cannot be, the lines are drawn straight over
// each frame).
struct OverlayCache {
    GLuint texture = 0, framebuffer = 0;
    bool failed = false;
    bool blank = false;  // cleared since it was made
    std::vector<PlacedLine> lines;
};
OverlayCache cache;

std::vector<PlacedLine> place_lines(const std::vector<std::string>& display,
                                    const std::vector<std::string>& errors)
{
    std::vector<PlacedLine> placed;
    float y = k_frame_height - k_margin - k_live_text_height;
    for (const std::string& line : display) {
        placed.push_back({line, k_margin, y});
        y -= k_line_step;
    }
    std::vector<std::string> lines;
    for (const std::string& error : errors)
        for (const std::string& line : overlay_lines(error))
            if (lines.size() < k_error_lines) lines.push_back(line);
    y = k_margin + k_line_step * (float(lines.size()) - 1);
    for (const std::string& line : lines) {
        placed.push_back({line, k_margin, y});
        y -= k_line_step;
    }
    return placed;
}

// The pixels a line's box covers, rounded outwards.
void line_box(const PlacedLine& line, GLint box[4])
{
    box[0] = static_cast<GLint>(line.x);
    box[1] = static_cast<GLint>(line.y);
    box[2] = static_cast<GLint>(overlay_text_width(line.text.c_str(), k_live_text_height)) + 2;
    box[3] = static_cast<GLint>(k_live_text_height) + 2;
}

bool cache_ready()
{
    if (cache.framebuffer || cache.failed) return cache.framebuffer != 0;
    cache.texture = create_texture(k_frame_width, k_frame_height, nullptr, GL_CLAMP_TO_EDGE);
    cache.framebuffer = create_render_target(cache.texture, "on-screen display cache");
    cache.failed = !cache.framebuffer;
    if (cache.failed) {
        delete_render_target(&cache.framebuffer, &cache.texture);
        return false;
    }
    cache.blank = false;
    return true;
}

// The first pixel column whose centre lies at or right of `x`.
GLint first_column(float x) { return static_cast<GLint>(std::ceil(x - 0.5f)); }

// Draws cells [from, to) of `line` into the bound cache, over what cells
// [from, to) held. The font's cells are of equal width and a fragment draws
// its own cell's glyph alone, so a part of a line drawn at its cells' place
// gives the pixels the whole line would.
void redraw_cells(const PlacedLine& line, size_t from, size_t to)
{
    const float cell = overlay_text_width("x", k_live_text_height);
    const GLint left = first_column(line.x + from * cell);
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, static_cast<GLint>(line.y), first_column(line.x + to * cell) - left,
              static_cast<GLint>(k_live_text_height) + 2);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    if (from < line.text.size()) {
        const std::string part = line.text.substr(from, to - from);
        draw_overlay_text(part.c_str(), line.x + from * cell, line.y, k_live_text_height, false);
    }
}

// Draws `line` into the bound cache where it held `old` (same place): the
// runs of cells whose characters differ. A line as a display's beat line
// changes a few figures a frame.
void update_line(const PlacedLine& line, const std::string& old)
{
    const size_t length = std::max(line.text.size(), old.size());
    auto at = [](const std::string& text, size_t i) { return i < text.size() ? text[i] : ' '; };
    for (size_t i = 0; i < length;) {
        if (at(line.text, i) == at(old, i)) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < length && at(line.text, end) != at(old, end)) ++end;
        redraw_cells(line, i, end);
        i = end;
    }
}

// Draws into the cache the lines that differ from those it holds, and wipes
// those it no longer needs. Leaves the cache's target bound.
void update_cache(const std::vector<PlacedLine>& lines)
{
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glBindFramebuffer(GL_FRAMEBUFFER, cache.framebuffer);
    glClearColor(0, 0, 0, 0);
    // Transparent throughout at first: only the lines drawn into it show.
    if (!cache.blank) glClear(GL_COLOR_BUFFER_BIT);
    cache.blank = true;
    const size_t count = std::max(lines.size(), cache.lines.size());
    for (size_t i = 0; i < count; ++i) {
        const PlacedLine none;
        const PlacedLine& had = i < cache.lines.size() ? cache.lines[i] : none;
        const PlacedLine& has = i < lines.size() ? lines[i] : none;
        if (had.x == has.x && had.y == has.y) {
            update_line(has, had.text);
            continue;
        }
        if (!had.text.empty()) redraw_cells({"", had.x, had.y}, 0, had.text.size());
        if (!has.text.empty()) update_line(has, "");
    }
    cache.lines = lines;
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
}

// Blends the cache's line boxes over the bound framebuffer.
void show_cache()
{
    std::vector<SpriteQuad> quads;
    auto clip_x = [](GLint x) { return 2.0f * x / k_frame_width - 1.0f; };
    auto clip_y = [](GLint y) { return 2.0f * y / k_frame_height - 1.0f; };
    for (const PlacedLine& line : cache.lines) {
        GLint box[4];
        line_box(line, box);
        quads.push_back({clip_x(box[0]), clip_y(box[1]), clip_x(box[0] + box[2]),
                         clip_y(box[1] + box[3]), 0.0f});
    }
    if (quads.empty()) return;
    use_program(PROG_OVERLAY_CACHE);
    glBindTexture(GL_TEXTURE_2D, cache.texture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    draw_sprite_quads(quads.data(), quads.size());
    glDisable(GL_BLEND);
}

}  // namespace

std::vector<std::string> overlay_lines(const std::string& message)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < message.size()) {
        size_t length = std::min<size_t>(k_overlay_max_chars, message.size() - at);
        if (at + length < message.size()) {
            // Break after the last space of the piece's last quarter, if any.
            const size_t space = message.rfind(' ', at + length - 1);
            if (space != std::string::npos && space >= at + length * 3 / 4) length = space + 1 - at;
        }
        lines.push_back(message.substr(at, length));
        at += length;
    }
    return lines;
}

void draw_live_overlay(const std::vector<std::string>& display,
                       const std::vector<std::string>& errors)
{
    const std::vector<PlacedLine> lines = place_lines(display, errors);
    GLint framebuffer = 0;  // the frame's (updating the cache binds its own)
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    if (!cache_ready()) {
        for (const PlacedLine& line : lines)
            draw_overlay_text(line.text.c_str(), line.x, line.y, k_live_text_height);
        return;
    }
    if (lines != cache.lines) {
        update_cache(lines);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    }
    show_cache();
}

void release_live_overlay()
{
    delete_render_target(&cache.framebuffer, &cache.texture);
    cache = OverlayCache();
}
