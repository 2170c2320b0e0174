#include "canvas.hpp"

#include <algorithm>
#include <cmath>

namespace krelan::cards {

float stroke_coverage(float d, float width) {
    float c = width * 0.5f + 0.5f - d;
    return c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c);
}

float segment_distance(Point p, Point a, Point b) {
    float dx = b.x - a.x, dy = b.y - a.y;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0.0f ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0f;
    t = std::max(0.0f, std::min(1.0f, t));
    float ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

Canvas::Canvas(int width, int height, Color background)
    : width_(width), height_(height), rgb_(size_t(width) * size_t(height) * 3), mask_(size_t(width) * size_t(height)) {
    for (size_t i = 0; i < rgb_.size(); i += 3) {
        rgb_[i] = background.r;
        rgb_[i + 1] = background.g;
        rgb_[i + 2] = background.b;
    }
}

void Canvas::stroke(const std::vector<Polyline>& shape, float width, Color color) {
    const float reach = width * 0.5f + 1.0f;
    int bx0 = width_, by0 = height_, bx1 = -1, by1 = -1;
    auto segment = [&](Point a, Point b) {
        int x0 = std::max(0, int(std::floor(std::min(a.x, b.x) - reach)));
        int x1 = std::min(width_ - 1, int(std::ceil(std::max(a.x, b.x) + reach)));
        int y0 = std::max(0, int(std::floor(std::min(a.y, b.y) - reach)));
        int y1 = std::min(height_ - 1, int(std::ceil(std::max(a.y, b.y) + reach)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float c = stroke_coverage(segment_distance({float(x) + 0.5f, float(y) + 0.5f}, a, b), width);
                float& m = mask_[size_t(y) * size_t(width_) + size_t(x)];
                m = std::max(m, c);
            }
        bx0 = std::min(bx0, x0);
        by0 = std::min(by0, y0);
        bx1 = std::max(bx1, x1);
        by1 = std::max(by1, y1);
    };
    for (const Polyline& line : shape) {
        if (line.size() == 1) segment(line[0], line[0]);
        for (size_t i = 1; i < line.size(); ++i) segment(line[i - 1], line[i]);
    }
    // Composite the coverage mask once, then clear the touched area.
    for (int y = by0; y <= by1; ++y)
        for (int x = bx0; x <= bx1; ++x) {
            size_t i = size_t(y) * size_t(width_) + size_t(x);
            float m = mask_[i];
            if (m <= 0.0f) continue;
            float* px = &rgb_[i * 3];
            px[0] += (color.r - px[0]) * m;
            px[1] += (color.g - px[1]) * m;
            px[2] += (color.b - px[2]) * m;
            mask_[i] = 0.0f;
        }
}

void Canvas::fill_rect(float x0, float y0, float x1, float y1, Color color) {
    int ix0 = std::max(0, int(std::lround(x0))), ix1 = std::min(width_, int(std::lround(x1)));
    int iy0 = std::max(0, int(std::lround(y0))), iy1 = std::min(height_, int(std::lround(y1)));
    for (int y = iy0; y < iy1; ++y)
        for (int x = ix0; x < ix1; ++x) {
            float* px = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
            px[0] = color.r;
            px[1] = color.g;
            px[2] = color.b;
        }
}

Color Canvas::pixel(int x, int y) const {
    const float* px = &rgb_[(size_t(y) * size_t(width_) + size_t(x)) * 3];
    return {px[0], px[1], px[2]};
}

std::vector<uint8_t> Canvas::to_rgb8() const {
    std::vector<uint8_t> out(rgb_.size());
    for (size_t i = 0; i < rgb_.size(); ++i) {
        float v = std::max(0.0f, std::min(1.0f, rgb_[i]));
        out[i] = uint8_t(std::lround(v * 255.0f));
    }
    return out;
}

}  // namespace krelan::cards
