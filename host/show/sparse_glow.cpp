#include "sparse_glow.h"

#include "gpu.h"
#include "shaders.h"
#include "show.h"

namespace {

constexpr int k_block = 8;  // pixels per side of a block
constexpr int k_blocks_x = k_frame_width / k_block;
constexpr int k_blocks_y = k_frame_height / k_block;

// Per block: the largest value of any channel in it (tiles), and the largest
// tile within two blocks either way (reach), 240 x 135 each.
GLuint tex_tiles, fbo_tiles;
GLuint tex_reach, fbo_reach;

// A block image: 8-bit holds the maxima of 8-bit images exactly; nearest
// filtering so that each pixel reads its own block.
GLuint create_block_texture()
{
    GLuint texture = create_texture(k_blocks_x, k_blocks_y, nullptr, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return texture;
}

bool create_targets()
{
    if (fbo_tiles && fbo_reach) return true;
    tex_tiles = create_block_texture();
    fbo_tiles = create_render_target(tex_tiles, "glow tiles");
    tex_reach = create_block_texture();
    fbo_reach = create_render_target(tex_reach, "glow reach");
    return fbo_tiles && fbo_reach;
}

// Draws `program` over a block target, reading `source` as tex.
void draw_blocks(GLuint framebuffer, const char* program, GLuint source)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, k_blocks_x, k_blocks_y);
    glBindTexture(GL_TEXTURE_2D, source);
    use_program(show_program(program));
    draw_fullscreen_quad();
    glViewport(0, 0, k_frame_width, k_frame_height);
}

}  // namespace

bool load_sparse_glow()
{
    if (!create_targets()) return false;
    // The block passes and the glow drawn once into one pixel of the window.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    const unsigned char white[4] = {255, 255, 255, 255};
    const GLuint lit = create_texture(1, 1, white, GL_CLAMP);
    draw_sparse_glow(0, lit, 0.0f, 0);
    glFinish();
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glDeleteTextures(1, &lit);
    return true;
}

void draw_sparse_glow(GLuint framebuffer, GLuint image, float beat, int32_t sound)
{
    draw_blocks(fbo_tiles, "glow_tiles", image);
    draw_blocks(fbo_reach, "glow_reach", tex_tiles);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, tex_reach);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, image);
    const GLuint program = show_program("glow_sparse");
    use_program(program);
    // The marks are sampled from unit 1 (unit 0 is the image, as in every pass).
    glUniform1i(glGetUniformLocation(program, "reach"), 1);
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
}
