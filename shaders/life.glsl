// Life pass: Conway's Game of Life on a 1920x1080 torus, one cell per pixel.
// The host hands back this pass's previous output as tex, so each frame is
// one generation. Before beat 450 the pass draws its 13-cell seed instead.
// A cell is live when its green exceeds 0.1.

const vec4 live = vec4(0.0, 1.0, 1.0, 1.0);  // cyan, opaque
const vec4 dead = vec4(0.0, 0.0, 0.0, 0.0);  // transparent black

// Whether offset r from the reference cell (959, 539) falls in cell (X, Y).
bool cell(vec2 r, float X, float Y)
{
    return X - 0.5 <= r.x && r.x < X + 0.5 && Y - 0.5 <= r.y && r.y < Y + 0.5;
}

bool seed(vec2 r)
{
    return cell(r, 2.0, 7.0) || cell(r, 3.0, 7.0) || cell(r, 4.0, 7.0) ||
           cell(r, 5.0, 5.0) || cell(r, 5.0, 6.0) || cell(r, 6.0, 5.0) ||
           cell(r, 8.0, 2.0) || cell(r, 8.0, 3.0) || cell(r, 9.0, 3.0) ||
           cell(r, 10.0, 3.0) || cell(r, 10.0, 5.0) || cell(r, 10.0, 6.0) ||
           cell(r, 10.0, 7.0);
}

// Green of the neighbour at whole-cell offset d, wrapped around the torus.
float neighbour(vec2 position, vec2 pixel, vec2 d)
{
    return texture(iChannel0, fract(position + pixel * d)).g;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 position = fragCoord / iResolution;
    vec2 pixel = vec2(1.0 / 1920.0, 1.0 / 1080.0);

    if (iTime < 450.0) {
        vec2 r = (position - vec2(0.5, 0.5)) * iResolution + vec2(0.5, 0.5);
        fragColor = seed(r) ? live : dead;
        return;
    }

    float n = neighbour(position, pixel, vec2(-1.0, -1.0))
            + neighbour(position, pixel, vec2(-1.0, 0.0))
            + neighbour(position, pixel, vec2(-1.0, 1.0))
            + neighbour(position, pixel, vec2(1.0, -1.0))
            + neighbour(position, pixel, vec2(1.0, 0.0))
            + neighbour(position, pixel, vec2(1.0, 1.0))
            + neighbour(position, pixel, vec2(0.0, -1.0))
            + neighbour(position, pixel, vec2(0.0, 1.0));
    vec4 me = texture(iChannel0, position);

    if (me.g <= 0.1)
        fragColor = (n >= 2.9 && n <= 3.1) ? live : dead;  // birth on exactly 3
    else
        fragColor = (n >= 1.9 && n <= 3.1) ? live : dead;  // survival on 2 or 3
}
