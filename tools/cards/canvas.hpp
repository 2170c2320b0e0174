// An RGB canvas that takes anti-aliased strokes: every shape is a set of
// polylines drawn with round ends and joins at a fixed width.
#pragma once

#include <cstdint>
#include <vector>

namespace krelan::cards {

struct Color {
    float r, g, b;  // 0..1
};

struct Point {
    float x, y;  // pixels, y down
};
using Polyline = std::vector<Point>;

// Coverage of a pixel centre at distance `d` from a stroke's centre line,
// for a stroke `width` pixels wide: 1 inside, 0 outside, a one-pixel ramp
// across the edge.
float stroke_coverage(float d, float width);

// Distance from p to the segment a-b.
float segment_distance(Point p, Point a, Point b);

class Canvas {
public:
    Canvas(int width, int height, Color background);
    int width() const { return width_; }
    int height() const { return height_; }

    // Draws all polylines as one shape in one colour: overlapping strokes
    // (joins, crossings) do not darken or brighten each other's edges.
    void stroke(const std::vector<Polyline>& shape, float width, Color color);
    // Axis-aligned filled rectangle with exact pixel edges (rules).
    void fill_rect(float x0, float y0, float x1, float y1, Color color);

    Color pixel(int x, int y) const;
    // Rows top-down, 3 bytes per pixel.
    std::vector<uint8_t> to_rgb8() const;

private:
    int width_, height_;
    std::vector<float> rgb_;
    std::vector<float> mask_;
};

}  // namespace krelan::cards
