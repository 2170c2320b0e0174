// Draws a card offscreen through the show's own GL code: the show's window
// and context, a program built from the show's prelude and font plus the
// card lettering piece, a 1920 x 1080 RGBA8 target, read back as RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cards.h"
#include "lettering.h"

// Where the shader sources live: the show's folder (prelude.glsl, font.glsl,
// scroller.glsl) and the folder holding card_lettering.glsl.
struct ShaderDirs {
    std::string show;
    std::string cards;
};

// Every shape the program can draw, in the order of its shape numbers: the
// font's glyph functions, then the emblem parts.
std::vector<std::string> shape_names(const Font& font);

// Starts SDL's video (the offscreen driver unless SDL_VIDEODRIVER names
// another), opens the show's window and context, builds the program and the
// target. False with the reason in `error`.
bool start_renderer(const Font& font, const ShaderDirs& dirs, std::string* error);

// Renders the drawing on black: rules first, then every mark over its cell,
// overlapping marks combined by their maximum. RGB, 3 bytes a pixel, top
// row first; empty (and `error` set) when a mark names an unknown shape.
std::vector<uint8_t> render_card(const Drawing& drawing, std::string* error);

// Releases the program, the target, the window and SDL.
void stop_renderer();
