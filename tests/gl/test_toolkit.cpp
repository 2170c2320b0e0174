// The raymarching toolkit run on the GL driver: each test program puts one
// case per pixel of a one-row float target (the column picks the case) and
// writes the results the toolkit's functions give there.
#include "gl_harness.h"
#include "gpu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Renders `cases` pixels of `program` and returns their RGBA values.
std::vector<float> run_cases(GLuint program, int cases, GLuint texture)
{
    Target target = make_target(cases, 1, true);
    draw_to(target, program, 0.0f, 0, texture);
    return read_floats(target);
}

// A 64x64 texture of one colour with the host's texture parameters (GL_CLAMP
// with linear magnification: lookups within half a texel of an edge blend in
// the black border).
GLuint solid_texture(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
    std::vector<unsigned char> pixels;
    for (int i = 0; i < 64 * 64; ++i) pixels.insert(pixels.end(), {r, g, b, a});
    return create_texture(64, 64, pixels.data(), GL_CLAMP);
}

// prelude + shapes + `scene_code` + marching + `main_code`, the layout every
// raymarched scene uses.
GLuint marching_program(const std::string& scene_code, const std::string& main_code,
                        const char* name)
{
    std::string text = shader_piece("prelude.glsl") + shader_piece("toolkit.glsl@shapes") +
                       scene_code + shader_piece("toolkit.glsl@marching") + main_code;
    return test_program({}, text, name);
}

const char* k_shapes_main = R"(
vec4 run_case(int i)
{
    if (i == 0) return vec4(opRep(vec3(-1.0, 1.0, 7.0), vec3(4.0, 4.0, 0.0)), 0.0);
    if (i == 1) return vec4(opRep(vec3(5.0, -5.0, -3.25), vec3(4.0, 4.0, 0.0)), 0.0);
    if (i == 2) return vec4(smin(0.7, 0.7, 0.5), smin(0.0, 1.0, 0.5), smin(1.0, 0.0, 0.5),
                            smin(-2.0, 3.0, 0.5));
    if (i == 3) return vec4(sdBox(vec3(0.5, 0.0, 0.0), vec3(1.0)),
                            sdBox(vec3(2.0, 0.0, 0.0), vec3(1.0)),
                            sdBox(vec3(2.0, -2.0, 2.0), vec3(1.0)),
                            sdBox(vec3(0.0), vec3(1.0, 2.0, 3.0)));
    if (i == 4) return vec4(mountains(vec3(3.7, -2.25, 100.3)), mountains(vec3(-300.1, 1e-3, -7.5)),
                            mountains(vec3(0.0, 12.5, 0.0)), mountains(vec3(64.0, -0.0625, 128.0)));
    // Cases 5..13: the images of the unit axes under getRotX, getRotY, getRotZ.
    int m = (i - 5) / 3;
    int axis = i - 5 - 3 * m;
    vec3 v = axis == 0 ? vec3(1.0, 0.0, 0.0) : axis == 1 ? vec3(0.0, 1.0, 0.0) : vec3(0.0, 0.0, 1.0);
    mat3 r = m == 0 ? getRotX(0.5) : m == 1 ? getRotY(0.5) : getRotZ(0.5);
    return vec4(r * v, 0.0);
}
void main() { gl_FragColor = run_case(int(gl_FragCoord.x)); }
)";

TEST(ToolkitShapes, RepetitionSmoothMinimumAndBox)
{
    GLuint program = test_program({"prelude.glsl", "toolkit.glsl@shapes"}, k_shapes_main, "shapes");
    ASSERT_NE(program, 0u);
    std::vector<float> v = run_cases(program, 5, solid_texture(0, 0, 0, 255));
    // Period 4: -1 -> 1 and 1 -> -1 (no mirroring at 0); period 0 keeps z.
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], -1.0f);
    EXPECT_EQ(v[2], 7.0f);
    EXPECT_EQ(v[4], -1.0f);
    EXPECT_EQ(v[5], 1.0f);
    EXPECT_EQ(v[6], -3.25f);
    // smin(a, a, k) = a - k/4; far apart it is the plain minimum.
    EXPECT_NEAR(v[8], 0.7f - 0.125f, 1e-6f);
    EXPECT_EQ(v[9], 0.0f);
    EXPECT_EQ(v[10], 0.0f);
    EXPECT_EQ(v[11], -2.0f);
    // Box: exact inside, on a face, and toward a corner.
    EXPECT_NEAR(v[12], -0.5f, 1e-6f);
    EXPECT_NEAR(v[13], 1.0f, 1e-6f);
    EXPECT_NEAR(v[14], std::sqrt(3.0f), 1e-6f);
    EXPECT_NEAR(v[15], -1.0f, 1e-6f);
}

TEST(ToolkitShapes, MountainsOverBlankIsFlatAndRedLiftsByThree)
{
    GLuint program = test_program({"prelude.glsl", "toolkit.glsl@shapes"}, k_shapes_main, "shapes");
    ASSERT_NE(program, 0u);
    std::vector<float> blank = run_cases(program, 5, solid_texture(0, 0, 0, 255));
    const float heights[4] = {-2.25f, 1e-3f, 12.5f, -0.0625f};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(blank[16 + k], heights[k]) << k;
    // Only the red channel lifts the ground (points 0 and 1 look up texels
    // away from the image's edges).
    std::vector<float> red = run_cases(program, 5, solid_texture(255, 0, 0, 0));
    for (int k = 0; k < 2; ++k) EXPECT_NEAR(red[16 + k], heights[k] - 3.0f, 1e-5f) << k;
    std::vector<float> others = run_cases(program, 5, solid_texture(0, 255, 255, 255));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(others[16 + k], heights[k]) << k;
}

TEST(ToolkitShapes, RotationsTurnTheUnitAxesAsTabled)
{
    GLuint program = test_program({"prelude.glsl", "toolkit.glsl@shapes"}, k_shapes_main, "shapes");
    ASSERT_NE(program, 0u);
    std::vector<float> v = run_cases(program, 14, 0);
    const float c = std::cos(0.5f), s = std::sin(0.5f);
    // [matrix][axis] = image of that unit axis.
    const float want[3][3][3] = {{{1, 0, 0}, {0, c, s}, {0, -s, c}},   // X: +y toward +z
                                 {{c, 0, s}, {0, 1, 0}, {-s, 0, c}},   // Y: +x toward +z
                                 {{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};  // Z: +x toward +y
    for (int m = 0; m < 3; ++m)
        for (int axis = 0; axis < 3; ++axis)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(v[(5 + 3 * m + axis) * 4 + k], want[m][axis][k], 1e-6f)
                    << "matrix " << m << " axis " << axis << " component " << k;
}

// Fields along the +x axis from the origin, one per case, so that each case's
// samples land at known distances (multiples of 1/512 add up exactly).
const char* k_marching_scene = R"(
int g_case;
vec2 scene(vec3 p)
{
    float x = p.x;
    if (g_case == 0) return vec2(0.001, 0.0);
    if (g_case == 1) return vec2(-1.0, 0.0);
    if (g_case == 2 || g_case == 3) return vec2(4.0 / 512.0, 0.0);
    if (g_case == 4) return vec2(x >= 1.0 && x < 1.02 ? 3.0 / 512.0 : 4.0 / 512.0, 0.0);
    if (g_case == 5) return vec2(x < 2.0 ? 0.5 : 0.001, 0.0);
    if (g_case == 6) return vec2(0.5, 0.0);
    if (g_case == 7 || g_case == 9 || g_case == 10) return vec2(0.0005, 0.0);
    if (g_case == 8) return vec2(x < 3.0 ? 0.5 : 0.0005, 0.0);
    if (g_case == 11) return vec2(x < 1.06 ? 0.125 : 0.6, 0.0);
    if (g_case == 12) return vec2(x < 1.0 ? 1.0 : 1.9, 0.0);
    return vec2(length(p - vec3(5.0, 0.0, 0.0)) - 1.0, 0.0);
}
)";

const char* k_marching_main = R"(
float run_case(int i)
{
    vec3 o = vec3(0.0);
    vec3 x = vec3(1.0, 0.0, 0.0);
    if (i == 0) return raymarch(o, x, 0.3, 100.0);
    if (i == 1) return raymarch(o, x, 0.3, 100.0);
    if (i == 2) return raymarch(o, x, 0.25, 1.8125);
    if (i == 3) return raymarch(o, x, 0.25, 1.81);
    if (i == 4) return raymarch(o, x, 0.0, 10.0);
    if (i == 5) return raymarch(o, x, 0.0, 1.8);
    if (i == 6) return raymarch(o, x, 0.0, 1.8);
    if (i == 7) return softshadow(o, x, 1.0, 50.0, 4.0);
    if (i == 8) return softshadow(o, x, 1.0, 50.0, 4.0);
    if (i == 9) return softshadow(o, x, 5.0, 5.0, 4.0);
    if (i == 10) return softshadow(o, x, 6.0, 5.0, 4.0);
    if (i == 11) return softshadow(o, x, 1.0, 1.7, 4.0);
    if (i == 12) return softshadow(o, x, 0.5, 3.0, 0.25);
    return dot(est_n(vec3(5.6, 0.8, 0.0)), vec3(0.6, 0.8, 0.0));
}
void main()
{
    g_case = int(gl_FragCoord.x);
    gl_FragColor = vec4(run_case(g_case), 0.0, 0.0, 1.0);
}
)";

class ToolkitMarching : public testing::Test {
protected:
    void SetUp() override
    {
        program_ = marching_program(k_marching_scene, k_marching_main, "marching");
        ASSERT_NE(program_, 0u);
        std::vector<float> v = run_cases(program_, 14, 0);
        for (int i = 0; i < 14; ++i) result_.push_back(v[i * 4]);
    }
    GLuint program_ = 0;
    std::vector<float> result_;
};

TEST_F(ToolkitMarching, RaymarchHitsMissesAndClosestApproach)
{
    // First sample already within E (or inside a solid): tmin.
    EXPECT_EQ(result_[0], 0.3f);
    EXPECT_EQ(result_[1], 0.3f);
    // 200 equal steps ending exactly at tmax: the earliest of the equal
    // samples; one step past tmax instead: a miss.
    EXPECT_EQ(result_[2], 0.25f);
    EXPECT_EQ(result_[3], -1.0f);
    // 200 steps with a shallow dip at t = 1: the first sample of the dip.
    EXPECT_EQ(result_[4], 1.0f);
    // The first sample beyond tmax still counts when it is within E...
    EXPECT_EQ(result_[5], 2.0f);
    // ...and is a miss when it is not.
    EXPECT_EQ(result_[6], -1.0f);
}

TEST_F(ToolkitMarching, SoftShadowStopsAndSkipsUndefinedCandidates)
{
    // An occluder sample below 0.001 gives full shadow at once, also after
    // lighter samples.
    EXPECT_EQ(result_[7], 0.0f);
    EXPECT_EQ(result_[8], 0.0f);
    // An empty range never samples, so nothing is occluded.
    EXPECT_EQ(result_[9], 1.0f);
    EXPECT_EQ(result_[10], 1.0f);
    // 0.5 from the first step; the second step's candidate is 0/0 (case 11)
    // or k*d/0 (case 12) and must leave it alone.
    EXPECT_EQ(result_[11], 0.5f);
    EXPECT_EQ(result_[12], 0.5f);
}

TEST_F(ToolkitMarching, NormalPointsOutOfTheSurface) { EXPECT_NEAR(result_[13], 1.0f, 1e-4f); }

}  // namespace
