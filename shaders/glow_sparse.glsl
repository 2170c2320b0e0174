// Sparse glow: the glow pass's image without its work where it is black. The
// reach image (one texel per 8 x 8 block) is 0 where every tap of the bloom
// and the pixel itself read black in all channels; the glow there is
// exactly (0, 0, 0, 0), so those pixels skip the 121 taps.

uniform sampler2D reach;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    if (texture(reach, fragCoord / iResolution).r == 0.0)
        fragColor = vec4(0.0);
    else
        fragColor = glow_at(fragCoord);
}
