// Test harness for GL tests: one hidden 1920x1080 show window with its
// context (SDL's offscreen driver), programs assembled from the shipped GLSL
// pieces, and render targets read back as floats or bytes.
#pragma once

#include <GL/glew.h>

#include <string>
#include <vector>

// The show's own window and context, opened once by the test main.
bool gl_harness_open();

// Text of a shader piece ("file" or "file@block") from the source tree, as
// the build assembles it.
std::string shader_piece(const std::string& piece);

// The shipped program of that name from the program table, built; fails the
// current test and returns 0 if it does not build.
GLuint shipped_program(const char* name);

// The shipped program's assembled text.
std::string shipped_text(const char* name);

// A program from shader pieces followed by `code` (say, a main() of the
// test's own). Fails the current test and returns 0 if it does not build.
GLuint test_program(const std::vector<std::string>& pieces, const std::string& code,
                    const char* name);

// An offscreen target of w x h pixels: GL_RGBA32F for exact shader results,
// or GL_RGBA8 to see what the window would store.
struct Target {
    GLuint framebuffer = 0;
    GLuint texture = 0;
    int width = 0;
    int height = 0;
    bool is_float = true;
};
Target make_target(int width, int height, bool is_float = true);

// Draws `program` over the whole target with `beat`, `sound` and `texture` on
// unit 0 (0 leaves the bound texture), the way the host draws a frame.
void draw_to(const Target& target, GLuint program, float beat, int sound, GLuint texture = 0);

// RGBA values of the target, rows bottom-up, 4 per pixel.
std::vector<float> read_floats(const Target& target);
std::vector<unsigned char> read_bytes(const Target& target);

// RGBA 8-bit image of a texture owned by the host (rows as stored).
std::vector<unsigned char> read_texture(GLuint texture, int width, int height);

// A PNG decoded to RGBA bytes, rows top-down, with its size.
std::vector<unsigned char> load_png_rgba(const std::string& path, int* width, int* height);
