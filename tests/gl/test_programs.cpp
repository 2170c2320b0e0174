// The embedded texts build into programs, building them again leaves no
// object behind, the cards decode into the card layout, and the captured
// start frame is opaque black; a render target made mid-frame leaves the
// frame's framebuffers bound.
#include "gl_harness.h"
#include "gpu.h"
#include "media_store.h"
#include "program_table.h"
#include "programs.h"
#include "shaders.h"
#include "show.h"

#include <gtest/gtest.h>

TEST(Programs, EveryEmbeddedTextBuildsWithItsExactLength)
{
    for (size_t i = 0; i < k_program_count; ++i) {
        const ProgramText& t = k_programs[i];
        // A copy with garbage after the text: nothing may read past the length.
        std::string padded(t.text, t.length);
        padded += "#error read past the end";
        EXPECT_NE(build_program(padded.data(), t.length, t.name), 0u) << t.name;
    }
}

TEST(Programs, BrokenShaderIsReportedAndYieldsNoProgram)
{
    const std::string text = "void main() { gl_FragColor = undefined_thing; }";
    testing::internal::CaptureStderr();
    GLuint program = build_program(text.data(), text.size(), "broken");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(program, 0u);
    EXPECT_NE(err.find("'broken'"), std::string::npos) << err;
    EXPECT_NE(err.find("fragment"), std::string::npos) << err;

    // A program that compiles but does not link is named too, with no program left.
    const std::string unlinked =
        "void helper_that_is_never_defined();\n"
        "void main() { helper_that_is_never_defined(); }";
    testing::internal::CaptureStderr();
    program = build_program(unlinked.data(), unlinked.size(), "unlinked");
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(program, 0u);
    EXPECT_NE(err.find("program 'unlinked' failed to link"), std::string::npos) << err;
}

namespace {

// How many GL objects of each kind exist among the first names.
struct ObjectCount {
    int programs = 0, shaders = 0, textures = 0, framebuffers = 0;
};

ObjectCount count_objects()
{
    ObjectCount c;
    for (GLuint name = 1; name < 2000; ++name) {
        c.programs += glIsProgram(name) == GL_TRUE;
        c.shaders += glIsShader(name) == GL_TRUE;
        c.textures += glIsTexture(name) == GL_TRUE;
        c.framebuffers += glIsFramebuffer(name) == GL_TRUE;
    }
    return c;
}

}  // namespace

// The tests and the tools start the show more than once in a process; each
// start replaces what the one before built instead of adding to it. The
// program table's programs keep no shader objects but the shared vertex stage.
TEST(Programs, StartingTheShowAgainLeavesNoObjectBehind)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    ASSERT_EQ(start_show(), SHOW_READY);
    const ObjectCount once = count_objects();
    ASSERT_EQ(start_show(), SHOW_READY);
    const ObjectCount twice = count_objects();
    EXPECT_EQ(twice.programs, once.programs);
    EXPECT_EQ(twice.shaders, once.shaders);
    EXPECT_EQ(twice.textures, once.textures);
    EXPECT_EQ(twice.framebuffers, once.framebuffers);
    EXPECT_GE(once.programs, int(k_program_count));
    EXPECT_EQ(once.shaders, 1) << "the shared vertex stage alone";

    GLint attached = -1;
    glGetProgramiv(table_program(PROG_SPHERE), GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 0);
    release_show_resources();
    glUseProgram(0);  // a deleted program goes once it is no longer current
    const ObjectCount released = count_objects();
    EXPECT_EQ(released.programs, once.programs - int(k_program_count));
    EXPECT_LT(released.textures, once.textures);
    EXPECT_EQ(released.framebuffers, 0);
    EXPECT_EQ(gl_error_text(), nullptr);
}

TEST(Cards, DecodeIntoTheCardLayout)
{
    struct Card {
        const EmbeddedAsset* asset;
        const char* file;
    };
    const Card cards[] = {{&asset_warning_card, KRELAN_ASSET_DIR "/warning.png"},
                          {&asset_end_card, KRELAN_ASSET_DIR "/end.png"}};
    for (const Card& c : cards) {
        GLuint texture = load_card_texture(c.asset->bytes, c.asset->length, c.file);
        ASSERT_NE(texture, 0u);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_EQ(w, 1920);
        ASSERT_EQ(h, 1080);
        int pw = 0, ph = 0;
        std::vector<unsigned char> png = load_png_rgba(c.file, &pw, &ph);
        std::vector<unsigned char> tex = read_texture(texture, w, h);
        // Texture row 0 is the image's top row; channels r, g, b, a = A, B, G, R.
        size_t mismatches = 0;
        for (size_t i = 0; i < png.size(); i += 4)
            if (tex[i] != 255 || tex[i + 1] != png[i + 2] || tex[i + 2] != png[i + 1] ||
                tex[i + 3] != png[i])
                ++mismatches;
        EXPECT_EQ(mismatches, 0u) << c.file;
    }
    std::string garbage = "not a png";
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_card_texture(reinterpret_cast<const unsigned char*>(garbage.data()),
                                garbage.size(), "broken"),
              0u);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("broken card"), std::string::npos);
}

TEST(Blank, CapturedStartFrameIsOpaqueBlack)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glClearColor(0, 0, 0, 1);
    draw_fullscreen_quad();
    GLuint blank = capture_screen_texture();
    std::vector<unsigned char> pixels = read_texture(blank, 1920, 1080);
    size_t wrong = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if (pixels[i] || pixels[i + 1] || pixels[i + 2] || pixels[i + 3] != 255) ++wrong;
    EXPECT_EQ(wrong, 0u);
    GLint wrap = 0, min = 0, mag = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    EXPECT_EQ(wrap, GL_CLAMP);
    EXPECT_EQ(min, GL_NEAREST);
    EXPECT_EQ(mag, GL_LINEAR);
}

// A render target made mid-frame (the on-screen display's cache, on first
// use) leaves the frame's framebuffers bound, so the rest of the frame does
// not go to the window.
TEST(RenderTarget, MakingOneLeavesTheCallersFramebuffersBound)
{
    const Target draw = make_target(16, 16, false), read = make_target(16, 16, false);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw.framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read.framebuffer);
    GLuint texture = create_texture(16, 16, nullptr, GL_CLAMP);
    GLuint made = create_render_target(texture, "mid-frame target");
    ASSERT_NE(made, 0u);
    GLint draw_bound = 0, read_bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_bound);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_bound);
    EXPECT_EQ(GLuint(draw_bound), draw.framebuffer);
    EXPECT_EQ(GLuint(read_bound), read.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    delete_render_target(&made, &texture);
    for (Target t : {draw, read}) delete_render_target(&t.framebuffer, &t.texture);
}
