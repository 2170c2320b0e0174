// The dotted-sphere, particle-ring and lattice scenes rendered at 1920x1080
// from their embedded texts, plus small probes built from the same pieces
// that report what the primary ray of each pixel hits.
#include "gl_harness.h"
#include "gpu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int W = 1920;
constexpr int H = 1080;

// The blank texture the host binds for these scenes: opaque black.
GLuint blank_texture()
{
    static GLuint texture = 0;
    if (!texture) {
        std::vector<unsigned char> pixels(64 * 64 * 4, 0);
        for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
        texture = create_texture(64, 64, pixels.data(), GL_CLAMP);
    }
    return texture;
}

// Draws only the pixels of the rectangle (x, y, w, h); the rest of the target
// keeps what it held.
void draw_region(const Target& target, GLuint program, float beat, int sound, int x, int y, int w,
                 int h)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, w, h);
    draw_to(target, program, beat, sound, blank_texture());
    glDisable(GL_SCISSOR_TEST);
}

const float* pixel(const std::vector<float>& image, int x, int y)
{
    return &image[(size_t(y) * W + x) * 4];
}

// Distance of a pixel centre from the frame centre (960, 540).
float centre_distance(int x, int y) { return std::hypot(x + 0.5f - 960.0f, y + 0.5f - 540.0f); }

// A probe main for a raymarched scene: (1 for a hit, the material id there,
// t, 1) for the primary ray of the scene's camera at co.
std::string probe_main(const char* setup, const char* co, const char* tmax)
{
    std::string code = "void main()\n{\n";
    code += std::string("    ") + setup + "();\n";
    code += "    vec2 uv = gl_FragCoord.xy / vec2(1920.0, 1080.0) - vec2(0.5);\n";
    code += "    uv.x *= 1920.0 / 1080.0;\n";
    code += std::string("    vec3 co = ") + co + ";\n";
    code += "    vec3 cd = normalize(vec3(uv, -1.0));\n";
    code += std::string("    float t = raymarch(co, cd, E, ") + tmax + ");\n";
    code += "    float id = t > -0.5 ? scene(co + t * cd).y : -1.0;\n";
    code += "    gl_FragColor = vec4(t > -0.5 ? 1.0 : 0.0, id, t, 1.0);\n";
    return code + "}\n";
}

GLuint scene_probe(const char* file, const std::string& main_code, const char* name)
{
    return test_program({"prelude.glsl", "toolkit.glsl@shapes", std::string(file) + "@scene",
                         "toolkit.glsl@marching"},
                        main_code, name);
}

// --- Dotted sphere ---------------------------------------------------------

class SphereScene : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        program_ = shipped_program("sphere");
        probe_ =
            scene_probe("sphere.glsl", probe_main("grid_setup", "vec3(0.0, 0.0, 2.0)", "100.0"),
                        "sphere probe");
    }
    static GLuint program_, probe_;
};
GLuint SphereScene::program_ = 0;
GLuint SphereScene::probe_ = 0;

// Half the width of the run of lit pixels through the frame centre's row.
float outline_radius(const std::vector<unsigned char>& image, int row)
{
    int left = -1, right = -1;
    for (int x = 0; x < W; ++x)
        if (image[(size_t(row) * W + x) * 4] > 40) {
            if (left < 0) left = x;
            right = x;
        }
    return left < 0 ? 0.0f : (right + 1 - left) / 2.0f;
}

TEST_F(SphereScene, OutlineFollowsTheSoundLevel)
{
    ASSERT_NE(program_, 0u);
    // Closed shell (beat above 128), background flash faded to 0.05.
    Target target = make_target(W, H, false);
    for (int sound : {0, 32768}) {
        draw_to(target, program_, 129.95f, sound, blank_texture());
        std::vector<unsigned char> image = read_bytes(target);
        // Shell radius R seen from distance 2: R / sqrt(4 - R^2) image-plane
        // units of 1080 px, widened a little by rays that pass within E.
        float r = 0.5f + 0.5f * sound / 32768.0f;
        float expected = r / std::sqrt(4.0f - r * r) * H;
        float measured = outline_radius(image, 540);
        EXPECT_GE(measured, expected) << "sound " << sound;
        EXPECT_LE(measured, expected + 6.0f) << "sound " << sound;
        // At full level the shell is taller than the frame.
        bool top_lit = image[(size_t(H - 1) * W + 960) * 4] > 40;
        EXPECT_EQ(top_lit, sound == 32768);
        size_t opaque = 0;
        for (size_t i = 3; i < image.size(); i += 4) opaque += image[i] == 255;
        EXPECT_EQ(opaque, size_t(W) * H) << "alpha 1 everywhere";
    }
}

TEST_F(SphereScene, MissedPixelsFlashOnTheBeatOutsideTheQuietStretches)
{
    ASSERT_NE(program_, 0u);
    // The frame's bottom-left 16x16 corner, far outside the sphere.
    Target corner = make_target(16, 16, true);
    struct Case {
        float beat;
        float grey;
    };
    const float late = 1.0f / (20.0f * (63.99f - 63.0f) + 1.0f);  // just above 1/21
    const Case cases[] = {{31.99f, 0.0f}, {32.0f, 1.0f},  {63.99f, late}, {64.0f, 0.0f},
                          {66.0f, 0.0f},  {67.99f, 0.0f}, {68.0f, 1.0f},  {68.05f, 0.5f}};
    for (const Case& c : cases) {
        draw_to(corner, program_, c.beat, 0, blank_texture());
        std::vector<float> v = read_floats(corner);
        for (size_t i = 0; i < v.size(); i += 4) {
            ASSERT_NEAR(v[i], c.grey, 2e-4f) << "beat " << c.beat;
            ASSERT_EQ(v[i + 1], v[i]);
            ASSERT_EQ(v[i + 2], v[i]);
            ASSERT_EQ(v[i + 3], 1.0f);
        }
    }
}

TEST_F(SphereScene, DottedAndWhiteUpToBeat128ClosedAndColouredAbove)
{
    ASSERT_NE(program_, 0u);
    ASSERT_NE(probe_, 0u);
    // The central square well inside the silent shell's 280 px outline.
    const int x0 = 960 - 180, y0 = 540 - 180, side = 360;
    Target target = make_target(W, H, true);
    for (float beat : {128.0f, 128.01f, 420.5f}) {
        const bool closed = beat > 128.0f;
        draw_region(target, probe_, beat, 0, x0, y0, side, side);
        std::vector<float> probe = read_floats(target);
        draw_region(target, program_, beat, 0, x0, y0, side, side);
        std::vector<float> image = read_floats(target);
        size_t misses = 0, white_ids = 0, coloured = 0, grey = 0, inside = 0;
        for (int y = y0; y < y0 + side; ++y)
            for (int x = x0; x < x0 + side; ++x) {
                if (centre_distance(x, y) > 250.0f) continue;
                ++inside;
                const float* hit = pixel(probe, x, y);
                const float* c = pixel(image, x, y);
                misses += hit[0] == 0.0f;
                white_ids += hit[0] == 1.0f && hit[1] == 1.0f;
                coloured += c[1] < c[0] - 0.05f;
                grey += c[0] == c[1] && c[1] == c[2];
                ASSERT_EQ(c[3], 1.0f);
            }
        if (closed) {
            EXPECT_EQ(misses, 0u) << beat;
            EXPECT_GT(coloured, inside / 2) << beat;
        } else {
            // Dots with gaps between them, every dot white or grey, and
            // the gaps flash white.
            EXPECT_GT(misses, inside / 10) << beat;
            EXPECT_EQ(white_ids, inside - misses) << beat;
            EXPECT_EQ(grey, inside) << beat;
        }
    }
}

TEST_F(SphereScene, ZeroGridPeriodGivesTheClosedShell)
{
    // The period is forced to 0 after the per-pixel setup: the field must
    // fall back to the plain shell (radius 0.5 in silence) with its id.
    const char* main_code = R"(
void main()
{
    grid_setup();
    g_numpoints = 0.0;
    vec3 p = gl_FragCoord.x < 1.0 ? vec3(0.0, 0.0, 0.8) : vec3(0.3, -0.4, 0.0);
    vec2 d = scene(p);
    gl_FragColor = vec4(d, 0.0, 1.0);
}
)";
    GLuint program = test_program(
        {"prelude.glsl", "toolkit.glsl@shapes", "sphere.glsl@scene", "toolkit.glsl@marching"},
        main_code, "sphere zero period");
    ASSERT_NE(program, 0u);
    Target target = make_target(2, 1, true);
    for (float beat : {100.5f, 130.5f}) {
        draw_to(target, program, beat, 0, blank_texture());
        std::vector<float> v = read_floats(target);
        const float id = beat > 128.0f ? 0.0f : 1.0f;
        EXPECT_NEAR(v[0], 0.3f, 1e-6f) << beat;
        EXPECT_EQ(v[1], id) << beat;
        EXPECT_NEAR(v[4], 0.0f, 1e-6f) << beat;
        EXPECT_EQ(v[5], id) << beat;
    }
}

// --- Particle rings -----------------------------------------------------------

class ParticleScene : public testing::Test {
protected:
    static void SetUpTestSuite() { program_ = shipped_program("particles"); }
    static GLuint program_;
};
GLuint ParticleScene::program_ = 0;

TEST_F(ParticleScene, TextOpensWithTwoEmptyLinesThenThePrelude)
{
    const std::string text = shipped_text("particles");
    EXPECT_EQ(text.rfind("\r\n\r\n#define mainImage(X,Y) main()\r\n", 0), 0u);
}

TEST_F(ParticleScene, SilenceGivesAnOpaqueBlackFrame)
{
    ASSERT_NE(program_, 0u);
    Target target = make_target(W, H, true);
    draw_to(target, program_, 250.3f, 0, blank_texture());
    std::vector<float> image = read_floats(target);
    size_t wrong = 0;
    for (size_t i = 0; i < image.size(); i += 4)
        wrong += image[i] != 0.0f || image[i + 1] != 0.0f || image[i + 2] != 0.0f ||
                 image[i + 3] != 1.0f;
    EXPECT_EQ(wrong, 0u);
}

TEST_F(ParticleScene, CentreStaysBlackAndBrightnessSaturatesAtOne)
{
    ASSERT_NE(program_, 0u);
    // The central 384x384 square: the empty disc and the innermost rings.
    const int x0 = 960 - 192, y0 = 540 - 192, side = 384;
    Target target = make_target(W, H, true);
    size_t lit = 0;
    for (float beat : {230.3f, 262.75f, 434.5f}) {
        draw_region(target, program_, beat, 32768, x0, y0, side, side);
        std::vector<float> image = read_floats(target);
        for (int y = y0; y < y0 + side; ++y)
            for (int x = x0; x < x0 + side; ++x) {
                const float* c = pixel(image, x, y);
                if (centre_distance(x, y) < 54.0f) {
                    ASSERT_EQ(c[0], 0.0f) << x << "," << y;
                }
                ASSERT_LE(c[0], 1.0f);
                ASSERT_GE(c[0], 0.0f);
                ASSERT_EQ(c[1], c[0]);
                ASSERT_EQ(c[2], c[0]);
                ASSERT_EQ(c[3], 1.0f);
                lit += c[0] > 0.0f;
            }
    }
    EXPECT_GT(lit, 0u) << "the rings around the empty disc show";
}

TEST_F(ParticleScene, SameBeatAndLevelGiveTheSameFrame)
{
    ASSERT_NE(program_, 0u);
    const int x0 = 960 - 256, y0 = 540 - 128, w = 512, h = 256;
    Target target = make_target(W, H, true);
    draw_region(target, program_, 250.3f, 12000, x0, y0, w, h);
    std::vector<float> first = read_floats(target);
    draw_region(target, program_, 251.7f, 30000, x0, y0, w, h);
    std::vector<float> other = read_floats(target);
    draw_region(target, program_, 250.3f, 12000, x0, y0, w, h);
    std::vector<float> again = read_floats(target);
    EXPECT_TRUE(first == again);
    EXPECT_FALSE(first == other);
}

// --- Lattice -------------------------------------------------------------------

class LatticeScene : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        program_ = shipped_program("lattice");
        probe_ =
            scene_probe("lattice.glsl", probe_main("morph_setup", "vec3(0.0, 0.0, 10.0)", "200.0"),
                        "lattice probe");
    }
    static GLuint program_, probe_;
};
GLuint LatticeScene::program_ = 0;
GLuint LatticeScene::probe_ = 0;

TEST_F(LatticeScene, PrimaryMissesAreOpaqueBlackAndHitsAreLit)
{
    ASSERT_NE(program_, 0u);
    ASSERT_NE(probe_, 0u);
    Target target = make_target(W, H, true);
    draw_to(target, probe_, 300.3f, 0, blank_texture());
    std::vector<float> probe = read_floats(target);
    draw_to(target, program_, 300.3f, 0, blank_texture());
    std::vector<float> image = read_floats(target);
    size_t misses = 0, hits = 0, wrong_miss = 0, dark_hit = 0, wrong_alpha = 0;
    for (size_t i = 0; i < image.size(); i += 4) {
        const bool black = image[i] == 0.0f && image[i + 1] == 0.0f && image[i + 2] == 0.0f;
        wrong_alpha += image[i + 3] != 1.0f;
        if (probe[i] == 0.0f) {
            ++misses;
            wrong_miss += !black;
        } else {
            ++hits;
            dark_hit += black;  // even a shadowed hit keeps 0.5 x ambient 0.2
        }
    }
    EXPECT_GT(misses, size_t(W) * H / 10);
    EXPECT_GT(hits, size_t(W) * H / 10);
    EXPECT_EQ(wrong_miss, 0u);
    EXPECT_EQ(dark_hit, 0u);
    EXPECT_EQ(wrong_alpha, 0u);
}

TEST_F(LatticeScene, ObjectsArePureCubesOrPureSpheresAtTheMorphExtremes)
{
    // Two probe points in the object of the cell whose centre is q = (2, 2, 0),
    // given in the cube's own frame and carried back to world coordinates:
    // along the cube's diagonal at radius 1.212 (inside the cube, outside
    // the sphere) and along a face normal at 1.5 (the same for both).
    const char* main_code = R"(
mat3 tr(mat3 m)
{
    return mat3(m[0][0], m[1][0], m[2][0], m[0][1], m[1][1], m[2][1], m[0][2], m[1][2], m[2][2]);
}
void main()
{
    morph_setup();
    float b = beat;
    mat3 rotX = getRotX(b / 8.0);
    mat3 rotY = getRotY(b / 8.0);
    mat3 rotZ = getRotZ(b / 2.0);
    vec3 local = gl_FragCoord.x < 1.0 ? vec3(0.7) : vec3(0.0, 0.0, 1.5);
    vec3 q = vec3(2.0, 2.0, 0.0) + tr(rotX) * tr(rotY) * local;
    vec3 p = tr(rotZ) * tr(rotX) * q;
    gl_FragColor = vec4(scene(p), 0.0, 1.0);
}
)";
    GLuint program = test_program(
        {"prelude.glsl", "toolkit.glsl@shapes", "lattice.glsl@scene", "toolkit.glsl@marching"},
        main_code, "lattice morph");
    ASSERT_NE(program, 0u);
    Target target = make_target(2, 1, true);
    const float diagonal = std::sqrt(3.0f) * 0.7f;
    draw_to(target, program, 289.81f, 0, blank_texture());
    std::vector<float> cubes = read_floats(target);
    EXPECT_NEAR(cubes[0], -0.3f, 1e-4f);
    EXPECT_NEAR(cubes[4], 0.5f, 1e-4f);
    draw_to(target, program, 288.24f, 0, blank_texture());
    std::vector<float> spheres = read_floats(target);
    EXPECT_NEAR(spheres[0], diagonal - 1.0f, 1e-4f);
    EXPECT_NEAR(spheres[4], 0.5f, 1e-4f);
    // Objects, not ground.
    for (float id : {cubes[1], cubes[5], spheres[1], spheres[5]}) EXPECT_EQ(id, 0.0f);
}

}  // namespace
