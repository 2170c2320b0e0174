// The font's glyph distance functions, evaluated on the GPU from the shipped
// font.glsl and read back as floats: cut arcs, half-turn symmetries, the
// vertical metrics, centre-lines and the tapered stem of the exclamation mark.
#include "gl_harness.h"
#include "glyph_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

const char* const k_glyphs[] = {
    "aa",    "bb",     "cc",       "dd",    "ee",     "ff",     "gg",       "hh",     "ii",
    "jj",    "kk",     "ll",       "mm",    "nn",     "oo",     "pp",       "qq",     "rr",
    "ss",    "tt",     "uu",       "vv",    "ww",     "xx",     "yy",       "zz",     "AA",
    "BB",    "CC",     "DD",       "EE",    "FF",     "GG",     "HH",       "II",     "JJ",
    "KK",    "LL",     "MM",       "NN",    "OO",     "PP",     "QQ",       "RR",     "SS",
    "TT",    "UU",     "VV",       "WW",    "XX",     "YY",     "ZZ",       "_11",    "_22",
    "_33",   "_44",    "_55",      "_66",   "_77",    "_88",    "_99",      "_00",    "ddot",
    "comma", "exclam", "question", "open1", "close1", "dotdot", "dotcomma", "eequal", "aadd",
    "ssub",  "mmul",   "ddiv",     "lt",    "gt",     "hash",   "and",      "or",     "und",
    "open2", "close2", "open3",    "close3"};
const int k_glyph_count = int(sizeof(k_glyphs) / sizeof(k_glyphs[0]));

int glyph_index(const std::string& name)
{
    for (int i = 0; i < k_glyph_count; ++i)
        if (name == k_glyphs[i]) return i;
    ADD_FAILURE() << "no glyph " << name;
    return -1;
}

// One program for every glyph: case (glyph index, x, y) -> distance. The
// dispatch is a flat run of ifs: an else-if chain of 85 would nest deeper
// than llvmpipe's 80 levels of control flow.
GLuint glyph_program()
{
    static GLuint program = [] {
        std::string code = "float glyph(float g, vec2 p)\n{\n    float d = 100.0;\n";
        for (int i = 0; i < k_glyph_count; ++i)
            code += "    if (g == " + std::to_string(i) + ".0) d = " + k_glyphs[i] + "(p);\n";
        code += "    return d;\n}\n";
        code += probe_input_glsl();
        code +=
            "void main()\n{\n    vec4 c = probe_input();\n"
            "    gl_FragColor = vec4(glyph(c.x, c.yz), 0.0, 0.0, 0.0);\n}\n";
        return test_program({"prelude.glsl", "font.glsl"}, code, "glyph probe");
    }();
    return program;
}

struct Point {
    std::string glyph;
    float x, y;
};

std::vector<float> distances(const std::vector<Point>& points)
{
    std::vector<float> in;
    for (const Point& p : points)
        in.insert(in.end(), {float(glyph_index(p.glyph)), p.x, p.y, 0.0f});
    std::vector<float> out;
    // One run holds 65536 cases.
    for (size_t start = 0; start < in.size(); start += 4 * 65536) {
        std::vector<float> part(in.begin() + long(start),
                                in.begin() + long(std::min(in.size(), start + 4 * 65536)));
        std::vector<float> r = run_cases(glyph_program(), part);
        for (size_t i = 0; i < r.size(); i += 4) out.push_back(r[i]);
    }
    return out;
}

// The grid of sample points over a cell and a little beyond.
std::vector<std::pair<float, float>> cell_grid()
{
    std::vector<std::pair<float, float>> grid;
    for (int i = 0; i <= 60; ++i)
        for (int j = 0; j <= 100; ++j)
            grid.push_back(
                {-0.6f + 0.02f * float(i) + 0.0013f, -0.95f + 0.02f * float(j) + 0.0007f});
    return grid;
}

// Checks glyph a at p against glyph b at turn(p) over the grid, skipping the
// points where `seam` says a test line of the glyph runs close by.
void expect_turned_equal(const std::string& a, const std::string& b,
                         const std::function<std::pair<float, float>(float, float)>& turn,
                         const std::function<bool(float, float)>& seam, float tolerance)
{
    std::vector<Point> points;
    for (auto [x, y] : cell_grid()) {
        if (seam(x, y)) continue;
        auto [tx, ty] = turn(x, y);
        points.push_back({a, x, y});
        points.push_back({b, tx, ty});
    }
    std::vector<float> d = distances(points);
    int bad = 0;
    for (size_t i = 0; i < d.size(); i += 2)
        if (std::fabs(d[i] - d[i + 1]) > tolerance && ++bad <= 5)
            ADD_FAILURE() << a << "(" << points[i].x << ", " << points[i].y << ") = " << d[i]
                          << " but " << b << "(" << points[i + 1].x << ", " << points[i + 1].y
                          << ") = " << d[i + 1];
    EXPECT_GT(d.size(), 4000u);
}

// Whether (x, y) lies near a line that decides which half of an s (c =
// 0.225) or S (c = 0.275, point taken relative to the S's centre) it is in.
bool near_half_seam(float x, float y, float c)
{
    auto turned = [c](float u, float v) {
        return (v < c - 0.5f * u && u > 0.0f) || v < -c - 0.5f * u;
    };
    const float e = 0.004f;
    bool here = turned(x, y);
    return turned(x + e, y) != here || turned(x - e, y) != here || turned(x, y + e) != here ||
           turned(x, y - e) != here;
}

// The lowest distance along a horizontal (or vertical) line through the cell.
float closest_along_row(const std::string& glyph, float y)
{
    std::vector<Point> row;
    for (int i = 0; i <= 700; ++i) row.push_back({glyph, -0.7f + 0.002f * float(i), y});
    std::vector<float> d = distances(row);
    return *std::min_element(d.begin(), d.end());
}

float closest_along_column(const std::string& glyph, float x)
{
    std::vector<Point> column;
    for (int i = 0; i <= 1000; ++i) column.push_back({glyph, x, -1.0f + 0.002f * float(i)});
    std::vector<float> d = distances(column);
    return *std::min_element(d.begin(), d.end());
}

}  // namespace

TEST(Font, CutArcsEndRounded)
{
    // Beyond the cut, cc measures to the end point (0.22734, 0.254), not to
    // the ring (which would give 0.0541); inside the sector, to the ring.
    std::vector<float> d = distances({{"cc", 0.3f, 0.2f}, {"cc", 0.3f, 0.3f}});
    EXPECT_NEAR(d[0], 0.0905f, 5e-5f);
    EXPECT_NEAR(d[1], 0.0854f, 5e-5f);
}

TEST(Font, HalfTurnSymmetries)
{
    // ss about (0, 0), SS about (0, 0.1); the slanted lines that pick a
    // point's half are seams where the halves meet unevenly.
    expect_turned_equal(
        "ss", "ss", [](float x, float y) { return std::make_pair(-x, -y); },
        [](float x, float y) { return near_half_seam(x, y, 0.225f); }, 1e-6f);
    expect_turned_equal(
        "SS", "SS", [](float x, float y) { return std::make_pair(-x, 0.2f - y); },
        [](float x, float y) { return near_half_seam(x, y - 0.1f, 0.275f); }, 2e-6f);
    // 6 is 9 turned about (0, 0.1).
    expect_turned_equal(
        "_66", "_99", [](float x, float y) { return std::make_pair(-x, 0.2f - y); },
        [](float, float) { return false; }, 1e-6f);
}

TEST(Font, VerticalMetrics)
{
    struct Extent {
        std::string glyph;
        float bottom, top;
    };
    std::vector<Extent> extents = {{"gg", -0.85f, 0.4f}, {"yy", -0.8f, 0.4f},   {"jj", -0.8f, 0.6f},
                                   {"pp", -0.8f, 0.4f},  {"qq", -0.8f, 0.4f},   {"ll", -0.4f, 0.8f},
                                   {"oo", -0.4f, 0.4f},  {"_22", -0.4f, 0.625f}};
    for (char c = 'A'; c <= 'Z'; ++c) extents.push_back({std::string(2, c), -0.4f, 0.6f});
    for (const char* digit : {"_11", "_33", "_44", "_55", "_66", "_88", "_99", "_00"})
        extents.push_back({digit, -0.4f, 0.6f});
    extents.push_back({"_77", -0.39f, 0.6f});  // the diagonal ends just above the baseline
    for (const Extent& e : extents) {
        // A centre-line reaches each line, and nothing lies beyond it.
        EXPECT_LT(closest_along_row(e.glyph, e.top), 2e-3f) << e.glyph << " top";
        EXPECT_LT(closest_along_row(e.glyph, e.bottom), 2e-3f) << e.glyph << " bottom";
        EXPECT_GT(closest_along_row(e.glyph, e.top + 0.02f), 0.0199f) << e.glyph << " above";
        EXPECT_GT(closest_along_row(e.glyph, e.bottom - 0.02f), 0.0199f) << e.glyph << " below";
    }
    // And sideways: ww and xx reach x = +-0.3, MM and mm +-0.35.
    for (auto [glyph, side] : {std::make_pair("ww", 0.3f), std::make_pair("xx", 0.3f),
                               std::make_pair("MM", 0.35f), std::make_pair("mm", 0.35f)}) {
        for (float s : {side, -side}) {
            EXPECT_LT(closest_along_column(glyph, s), 2e-3f) << glyph << " at " << s;
            EXPECT_GT(closest_along_column(glyph, s * (1.0f + 0.02f / side)), 0.0199f)
                << glyph << " beyond " << s;
        }
    }
}

TEST(Font, ZeroOnCentreLines)
{
    // One point on each kind of stroke: stems, bars, segments, stadiums,
    // rings, dots, cut ends, folded and mirrored figures.
    const std::vector<Point> on = {
        {"ll", 0.0f, 0.5f},       {"oo", 0.25f, 0.1f},      {"hh", 0.25f, -0.2f},
        {"kk", 0.0f, 0.15f},      {"aa", 0.25f, -0.2f},     {"ee", 0.0f, 0.05f},
        {"cc", 0.22734f, 0.254f}, {"ii", 0.0f, 0.6f},       {"AA", 0.0f, 0.6f},
        {"BB", -0.25f, 0.3f},     {"JJ", 0.125f, 0.2f},     {"XX", 0.15f, 0.35f},
        {"_88", 0.0f, 0.6f},      {"ddot", 0.0f, -0.4f},    {"hash", 0.125f, 0.1f},
        {"open3", -0.2f, 0.1f},   {"close2", 0.125f, 0.1f}, {"dd", 0.25f, 0.7f}};
    std::vector<float> d = distances(on);
    for (size_t i = 0; i < on.size(); ++i)
        EXPECT_NEAR(d[i], 0.0f, 2e-6f) << on[i].glyph << "(" << on[i].x << ", " << on[i].y << ")";
}

TEST(Font, ExclamationStemWidensUpward)
{
    // On the stem the distance is -0.06 y; the ink's edge (distance 0.05)
    // moves out to x = 0.05 + 0.06 y.
    std::vector<Point> points;
    for (float y : {-0.2f, 0.0f, 0.3f, 0.6f}) {
        points.push_back({"exclam", 0.0f, y});
        points.push_back({"exclam", 0.05f + 0.06f * y, y});
    }
    std::vector<float> d = distances(points);
    for (size_t i = 0; i < points.size(); i += 2) {
        EXPECT_NEAR(d[i], -0.06f * points[i].y, 1e-6f) << "y = " << points[i].y;
        EXPECT_NEAR(d[i + 1], 0.05f, 1e-6f) << "y = " << points[i].y;
    }
}
