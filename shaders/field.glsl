// Sphere field: a flight through an endless lattice of tiny spheres that
// turns about the line of sight, flat white dots on black, with the
// greetings line stamped in opaque white across a band below the middle.
// Its text carries the font and the scroller ahead of the toolkit.

// @block scene
// One sphere of radius 0.1 in every cell of a (2, 3, zperiod) lattice. The
// lattice turns 0.5 rad a beat about z and slides toward +z at 32 units a
// beat; its z period swells between 6 and 106, applied to the shifted
// coordinate, so the layers surge as it changes.
vec2 scene(vec3 p)
{
    vec3 q = getRotZ(iTime / 2.0) * p;
    q.z = q.z - 32.0 * iTime;
    float zperiod = 6.0 + 100.0 * smoothstep(-1.0, 1.0, sin((iTime - 160.0) / 32.0));
    vec3 c = opRep(q, vec3(2.0, 3.0, zperiod));
    return vec2(s(c, 0.1), 1.0);
}

// @block image
// Scroller band: inside 0.42 < y < 0.53 of the screen every pixel that the
// text inks (any colour but the scroller's exact grey) becomes opaque white.
vec4 band(vec4 colour)
{
    vec2 kp = fragCoord / iResolution;
    if (kp.y > 0.42 && kp.y < 0.53) {
        vec3 cc = Scroller(fragCoord);
        if (cc != vec3(0.5, 0.5, 0.5)) return vec4(1.0, 1.0, 1.0, 1.0);
    }
    return colour;
}

// Hits are flat white with alpha 0, misses opaque black; then the band.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec3 co = vec3(0.0, 0.0, 10.0);
    vec3 cd = camera_ray();
    fragColor = vec4(0.0, 0.0, 0.0, 1.0);
    float t = raymarch(co, cd, E, 200.0);
    if (t > -0.5) fragColor = vec4(1.0, 1.0, 1.0, 0.0);
    fragColor = band(fragColor);
}
