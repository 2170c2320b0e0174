// Particle resolve: the summed light of all particles (tex, a floating-point
// image of the frame), clamped to [0, 1] as grey on an opaque frame.

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    float presence = clamp(texture(iChannel0, fragCoord / iResolution).r, 0.0, 1.0);
    fragColor = vec4(presence, presence, presence, 1.0);
}
