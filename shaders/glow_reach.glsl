// Glow reach: for each 8 x 8 block, the largest tile value (tex, the glow
// tiles) within two blocks either way. The glow taps reach 15 px, so a pixel
// whose block reads 0 here sees black at every tap and its own pixel.

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 tiles = iResolution / 8.0;
    float m = 0.0;
    for (float dy = -2.0; dy <= 2.0; dy += 1.0) {
        for (float dx = -2.0; dx <= 2.0; dx += 1.0)
            m = max(m, texture(iChannel0, (fragCoord + vec2(dx, dy)) / tiles).r);
    }
    fragColor = vec4(m);
}
