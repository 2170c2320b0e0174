// Particle sprite: one small quad per particle, drawn with additive blending
// into a floating-point target. The quad's texture coordinate s (sprite_coord,
// sprite_coord.glsl) addresses the particle's texel in the state image (tex);
// each covered pixel gets the particle's cone, cut by the ring test exactly
// as in the per-pixel scene.

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec4 state = texture(iChannel0, vec2(sprite_coord.s, 0.5));
    vec2 frag = fragCoord - iResolution / 2.0;
    float rho = polar(frag).x;
    float light = particle_in_reach(state.z, rho) ? particle_cone(frag, state.xy, state.w) : 0.0;
    fragColor = vec4(light);
}
