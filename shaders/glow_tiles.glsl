// Glow tiles: one texel per 8 x 8 block of the image (tex), holding the
// largest value of any channel in the block. 0 means the block is black in
// every channel, alpha included.

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 corner = floor(fragCoord) * 8.0;
    vec4 m = vec4(0.0);
    for (float y = 0.5; y < 8.0; y += 1.0) {
        for (float x = 0.5; x < 8.0; x += 1.0)
            m = max(m, texture(iChannel0, (corner + vec2(x, y)) / iResolution));
    }
    fragColor = vec4(max(max(m.r, m.g), max(m.b, m.a)));
}
