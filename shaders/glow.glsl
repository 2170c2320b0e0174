// Glow pass: a soft bloom over this frame's zoom image. 11 x 11 taps 3 px
// apart, weighted by distance down to a floor of 0.01, scaled, square-rooted
// and averaged with the sharp image.
//
// Block "bloom" is the glow of one pixel, shared with the sparse glow; block
// "image" is the straight pass over every pixel.

// @block bloom
#pragma optionNV (unroll all)

vec4 glow_at(vec2 pixel)
{
    const float size = 15.0;  // half-width of the tap grid, px
    const float res = 3.0;    // tap spacing, px
    vec4 color = vec4(0.0);

    for (float x = 0.0; x <= size * 2.0; x += res) {
        for (float y = 0.0; y <= size * 2.0; y += res) {
            vec2 d = vec2(x - size, y - size);
            float w = clamp(1.0 - length(d) / size, 0.01, 1.0);
            color += w * texture(iChannel0, (pixel + d) / iResolution);
        }
    }
    color /= (size / res) * (size / res);
    color = sqrt(color);
    color += clamp(texture(iChannel0, pixel / iResolution), 0.0, 1.0);
    color /= 2.0;
    return color;
}

// @block image
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    fragColor = glow_at(fragCoord);
}
