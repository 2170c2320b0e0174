#include "sparse_glow.h"

#include "gpu.h"
#include "program_table.h"
#include "shaders.h"

namespace {

constexpr int k_block = 8;  // pixels per side of a block
constexpr int k_blocks_x = k_frame_width / k_block;
constexpr int k_blocks_y = k_frame_height / k_block;

// The module's state: per block, the largest value of any channel in it
// (tiles), and the largest tile within two blocks either way (reach),
// 240 x 135 each. Created by load_sparse_glow, deleted by release_sparse_glow.
struct GlowTargets {
    GLuint tex_tiles = 0, fbo_tiles = 0;
    GLuint tex_reach = 0, fbo_reach = 0;
};
GlowTargets glow;

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
    glow.tex_tiles = create_block_texture();
    glow.fbo_tiles = create_render_target(glow.tex_tiles, "glow tiles");
    glow.tex_reach = create_block_texture();
    glow.fbo_reach = create_render_target(glow.tex_reach, "glow reach");
    return glow.fbo_tiles && glow.fbo_reach;
}

// A block pass: `program` over a block target, reading `source`. The block
// programs read neither the beat nor the sound.
void draw_blocks(GLuint framebuffer, ProgramId program, GLuint source)
{
    glViewport(0, 0, k_blocks_x, k_blocks_y);
    draw_pass(framebuffer, source, program, 0.0f, 0);
    glViewport(0, 0, k_frame_width, k_frame_height);
}

}  // namespace

GlowPasses glow_passes(const Scene& post_chain)
{
    return {scene_pass(post_chain, 2), scene_pass(post_chain, 3), scene_pass(post_chain, 4)};
}

bool load_sparse_glow(const GlowPasses* passes)
{
    release_sparse_glow();
    if (!create_targets()) return false;
    if (!passes) return true;
    // The block passes and the glow drawn once into one pixel of the window.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    const unsigned char white[4] = {255, 255, 255, 255};
    const GLuint lit = create_texture(1, 1, white, GL_CLAMP);
    draw_sparse_glow(0, lit, *passes, 0.0f, 0);
    glFinish();
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glDeleteTextures(1, &lit);
    return true;
}

void draw_sparse_glow(GLuint framebuffer, GLuint image, const GlowPasses& passes, float beat,
                      int32_t sound)
{
    draw_blocks(glow.fbo_tiles, passes.tiles, image);
    draw_blocks(glow.fbo_reach, passes.reach, glow.tex_tiles);
    // The glow samples its marks from unit 1 (bound to `reach` when it was
    // built) and the image from unit 0, as every pass does.
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, glow.tex_reach);
    glActiveTexture(GL_TEXTURE0);
    draw_pass(framebuffer, image, passes.glow, beat, sound);
}

void release_sparse_glow()
{
    delete_render_target(&glow.fbo_tiles, &glow.tex_tiles);
    delete_render_target(&glow.fbo_reach, &glow.tex_reach);
}
