#include "font.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace krelan::cards {

namespace {

constexpr float kSpaceAdvance = 7.0f;
constexpr float kDegrees = 3.14159265358979f / 180.0f;

// Glyph outlines as small path programs, font units, y up:
//   Mx,y           start a new stroke at (x, y)
//   Lx,y           line to (x, y)
//   Acx,cy,rx,ry,a0,a1
//                  elliptic arc from angle a0 to a1 (degrees, counter-
//                  clockwise when a1 > a0); joins the current stroke
//   Dx,y           a dot
//   |              lift the pen
struct GlyphSource {
    char c;
    float width;
    const char* path;
};

const GlyphSource kSources[] = {
    {'A', 7.0f, "M0,0 L3.5,10 L7,0 M1.2,3.4 L5.8,3.4"},
    {'B', 6.4f, "M0,5.2 L3.6,5.2 A3.6,7.6,2.4,2.4,-90,90 L0,10 L0,0 L3.8,0 A3.8,2.6,2.6,2.6,-90,90 L0,5.2"},
    {'C', 6.2f, "A3.6,5,3.6,5,50,310"},
    {'D', 7.0f, "M0,0 L0,10 L2.2,10 A2.2,5,4.8,5,90,-90 L0,0"},
    {'E', 5.8f, "M5.8,10 L0,10 L0,0 L5.8,0 M0,5.2 L4.6,5.2"},
    {'F', 5.6f, "M5.6,10 L0,10 L0,0 M0,5.2 L4.4,5.2"},
    {'G', 7.2f, "A3.6,5,3.6,5,48,360 L4,5"},
    {'H', 6.8f, "M0,0 L0,10 M6.8,0 L6.8,10 M0,5.2 L6.8,5.2"},
    {'I', 0.0f, "M0,0 L0,10"},
    {'J', 5.0f, "M5,10 L5,3 A2.5,3,2.5,3,0,-160"},
    {'K', 6.4f, "M0,0 L0,10 M6.2,10 L0,3.6 M2.3,6 L6.4,0"},
    {'L', 5.6f, "M0,10 L0,0 L5.6,0"},
    {'M', 8.4f, "M0,0 L0,10 L4.2,3 L8.4,10 L8.4,0"},
    {'N', 7.0f, "M0,0 L0,10 L7,0 L7,10"},
    {'O', 7.6f, "A3.8,5,3.8,5,0,360"},
    {'P', 6.3f, "M0,0 L0,10 L3.6,10 A3.6,7.3,2.7,2.7,90,-90 L0,4.6"},
    {'Q', 7.8f, "A3.8,5,3.8,5,0,360 M4.6,2.4 L7.8,-0.6"},
    {'R', 6.6f, "M0,0 L0,10 L3.6,10 A3.6,7.3,2.7,2.7,90,-90 L0,4.6 M3.4,4.6 L6.6,0"},
    {'S', 6.4f, "A3.2,7.5,3.1,2.5,20,270 A3.2,2.5,3.2,2.5,90,-160"},
    {'T', 7.0f, "M0,10 L7,10 M3.5,10 L3.5,0"},
    {'U', 6.8f, "M0,10 L0,3.4 A3.4,3.4,3.4,3.4,180,360 L6.8,10"},
    {'V', 7.0f, "M0,10 L3.5,0 L7,10"},
    {'W', 9.6f, "M0,10 L2.4,0 L4.8,7.4 L7.2,0 L9.6,10"},
    {'X', 6.8f, "M0,0 L6.8,10 M0,10 L6.8,0"},
    {'Y', 7.0f, "M0,10 L3.5,4.8 L7,10 M3.5,4.8 L3.5,0"},
    {'Z', 6.6f, "M0,10 L6.6,10 L0,0 L6.6,0"},
    {'0', 6.4f, "A3.2,5,3.2,5,0,360"},
    {'1', 3.0f, "M0,7.8 L3,10 L3,0"},
    {'2', 6.4f, "A3.2,6.8,3.2,3.2,160,-40 L0,0 L6.4,0"},
    {'3', 6.2f, "A3.1,7.6,2.8,2.4,155,-90 A3.1,2.6,3.1,2.6,90,-155"},
    {'4', 6.8f, "M5,0 L5,10 L0,2.8 L6.8,2.8"},
    {'5', 6.4f, "M5.9,10 L0.8,10 L0.4,5.6 A3.2,3.3,3.2,3.3,135,-155"},
    {'6', 6.4f, "A3.2,3.2,3.2,3.2,0,360 | M5,10 L0.5,4.6"},
    {'7', 6.4f, "M0,10 L6.4,10 L2.4,0"},
    {'8', 6.2f, "A3.1,7.6,2.7,2.4,0,360 | A3.1,2.6,3.1,2.6,0,360"},
    {'9', 6.4f, "A3.2,6.8,3.2,3.2,0,360 | M5.9,5.4 L1.4,0"},
    {'.', 0.0f, "D0,0"},
    {',', 0.8f, "M0.6,0.4 L-0.2,-1.6"},
    {':', 0.0f, "D0,0 D0,6"},
    {'-', 4.0f, "M0,4.6 L4,4.6"},
    {'!', 0.0f, "M0,10 L0,3.2 D0,0"},
    {'?', 5.6f, "A2.8,7.2,2.8,2.8,160,-60 L2.8,3.2 D2.8,0"},
    {'\'', 0.0f, "M0,10 L0,7.4"},
    {'/', 5.0f, "M0,-0.5 L5,10.5"},
    {'(', 1.6f, "A3,5,3,6,118,242"},
    {')', 1.6f, "A-1.4,5,3,6,62,-62"},
    {'*', 1.0f, "A0.5,4.8,0.5,0.5,0,360"},
};

Glyph compile(const GlyphSource& src) {
    Glyph g;
    g.width = src.width;
    std::istringstream in(src.path);
    std::string token;
    bool pen = false;
    while (in >> token) {
        // Each token is a command letter followed directly by its comma-separated numbers.
        const char cmd = token[0];
        std::vector<float> v;
        std::istringstream args(token.substr(1));
        std::string item;
        while (std::getline(args, item, ',')) v.push_back(std::strtof(item.c_str(), nullptr));
        v.resize(6, 0.0f);
        switch (cmd) {
            case 'M':
                g.strokes.push_back({{v[0], v[1]}});
                pen = true;
                break;
            case 'L':
                if (!pen) g.strokes.emplace_back();
                g.strokes.back().push_back({v[0], v[1]});
                pen = true;
                break;
            case 'A': {
                if (!pen) g.strokes.emplace_back();
                float sweep = v[5] - v[4];
                int steps = std::max(4, int(std::ceil(std::fabs(sweep) / 6.0f)));
                for (int i = 0; i <= steps; ++i) {
                    float a = (v[4] + sweep * float(i) / float(steps)) * kDegrees;
                    g.strokes.back().push_back({v[0] + v[2] * std::cos(a), v[1] + v[3] * std::sin(a)});
                }
                pen = true;
                break;
            }
            case 'D':
                g.strokes.push_back({{v[0], v[1]}});
                pen = false;
                break;
            default:  // '|': lift the pen
                pen = false;
                break;
        }
    }
    return g;
}

const std::map<char, Glyph>& glyphs() {
    static const std::map<char, Glyph> table = [] {
        std::map<char, Glyph> t;
        for (const GlyphSource& s : kSources) t[s.c] = compile(s);
        return t;
    }();
    return table;
}

}  // namespace

const Glyph* find_glyph(char c) {
    auto it = glyphs().find(c);
    return it == glyphs().end() ? nullptr : &it->second;
}

bool can_draw(const std::string& text) {
    for (char c : text)
        if (c != ' ' && !find_glyph(c)) return false;
    return true;
}

float text_width(const std::string& text, const TextStyle& style) {
    float units = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') {
            units += kSpaceAdvance;
            continue;
        }
        const Glyph* g = find_glyph(text[i]);
        units += g ? g->width : 0.0f;
        if (i + 1 < text.size() && text[i + 1] != ' ') units += style.tracking;
    }
    return units * style.cap_height / kCapHeight;
}

std::vector<Polyline> layout_text(const std::string& text, float x, float y, const TextStyle& style) {
    const float s = style.cap_height / kCapHeight;
    std::vector<Polyline> out;
    float pen = 0.0f;  // same advance rules as text_width
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') {
            pen += kSpaceAdvance;
            continue;
        }
        const Glyph* g = find_glyph(text[i]);
        if (!g) continue;
        for (const Polyline& stroke : g->strokes) {
            Polyline p;
            for (const Point& pt : stroke) p.push_back({x + (pen + pt.x) * s, y - pt.y * s});
            out.push_back(std::move(p));
        }
        pen += g->width;
        if (i + 1 < text.size() && text[i + 1] != ' ') pen += style.tracking;
    }
    return out;
}

std::vector<std::string> wrap_text(const std::string& text, float max_width, const TextStyle& style) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string word, line;
    while (in >> word) {
        std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && text_width(candidate, style) > max_width) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace krelan::cards
