// Card lettering: the card tool draws each glyph of the show's font (or a
// part of the warning card's emblem) as one quad over its cell, with the
// scroller's stroke edge. The program is prelude.glsl, font.glsl, the
// `shapes` block below, the tool's generated `shape_distance` (one flat test
// per shape selecting one function) and the `image` block.

// @block shapes
uniform int shape;    // which glyph or emblem part, numbered by the card tool
uniform vec2 origin;  // cell origin in window pixels: cell centre on the row's centre line
uniform float scale;  // pixels per glyph unit
uniform vec3 ink;     // the mark's colour

// The emblem's face outline: a circle of radius 1.
float emblem_ring(vec2 p)
{
    return ring(p, vec2(0.0, 0.0), 1.0);
}

// The emblem's eyes and smile, folded about x = 0: an eye stem, and the
// lower part of a circle of radius 0.55, cut 2.1 from straight up to end
// rounded at its tip.
float emblem_face(vec2 p)
{
    vec2 q = vec2(abs(p.x), p.y);
    float eye = stem(q, 0.33, 0.18, 0.42);
    float smile;
    if (ang(q, vec2(0.0, 0.0)) > 2.1) smile = ring(q, vec2(0.0, 0.0), 0.55);
    else smile = spot(q, 0.55 * vec2(sin(2.1), cos(2.1)));
    return min(eye, smile);
}

// @block image
// Coverage of the pixel by the mark's strokes: full within 0.05 units of a
// centre-line, none beyond 0.05 plus one pixel, the scroller's smooth edge
// between. Colour is premultiplied, so the tool combines overlapping marks
// by taking the maximum.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (fragCoord - origin) / scale;
    float px = 1.0 / scale;
    float cover = 1.0 - smoothstep(0.05 - px, 0.05 + px, shape_distance(p));
    fragColor = vec4(ink * cover, cover);
}
