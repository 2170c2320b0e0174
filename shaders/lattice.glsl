// Lattice: one endless layer of objects morphing between spheres and spinning
// cubes, blended into a rolling ground plane. Every hit is mixed with what two
// rays cast along the surface normals see, so objects and ground pick up each
// other's colours.

// @block scene
const float GRID = 4.0;            // cell period in the turned frame's x and y
const float BLEND = 0.5;           // smooth-minimum width between objects and ground
const float DISTANCE_CAP = 100000.0;

// What the field takes from the beat alone, worked out once per pixel by
// morph_setup() before the first evaluation. (The turns stay in scene(): a
// precomputed matrix product rounds differently.)
float g_morph;       // sphere (0) to cube (1) once every pi beats
vec3 g_ground_shift; // moves the ground's height-map lookup with the beat

void morph_setup()
{
    float b = iTime;
    g_morph = smoothstep(-1.0, 1.0, sin(2.0 * b));
    g_ground_shift = vec3(0.0, -4.0, 32.0 * b);
}

vec2 scene(vec3 p)
{
    float b = iTime;
    mat3 rotX = getRotX(b / 8.0);
    mat3 rotY = getRotY(b / 8.0);
    mat3 rotZ = getRotZ(b / 2.0);
    // The world rolls about z, then the grid tilts about x; the cubes spin
    // about x, then about y.
    vec3 pr = opRep(rotX * rotZ * p, vec3(GRID, GRID, 0.0));
    float balls = mix(s(pr, 1.0), sdBox(rotY * rotX * pr, vec3(1.0)), g_morph);
    // The ground rolls with the world; the shift only moves its height map.
    float plane = mountains(rotZ * p - g_ground_shift);
    float id = plane < E ? 1.0 : 0.0;
    return vec2(min(DISTANCE_CAP, smin(balls, plane, BLEND)), id);
}

// @block image
// White objects, sky-blue ground, lit from lp with a soft shadow.
vec3 shade(vec3 p, vec3 lp)
{
    float id = scene(p).y;
    vec3 colour = id == 0.0 ? vec3(1.0, 1.0, 1.0) : vec3(0.0, 0.5, 1.0);
    return lit(p, lp, colour, 0.2, 0.8);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    morph_setup();
    vec3 co = vec3(0.0, 0.0, 10.0);
    vec3 lp = vec3(0.0, 0.0, 10.0);
    vec3 cd = camera_ray();
    fragColor = vec4(0.0, 0.0, 0.0, 1.0);
    float t = raymarch(co, cd, E, 200.0);
    if (t > -0.5) {
        vec3 p = co + t * cd;
        vec3 n = est_n(p);
        vec3 color1 = shade(p, lp);
        vec3 color2 = vec3(0.0);
        vec3 color3 = vec3(0.0);
        // Two bounces along the surface normals, the second only after a hit.
        float rt = raymarch(p, n, E, 30.0);
        if (rt > -0.5) {
            vec3 rp = p + rt * n;
            color2 = shade(rp, lp);
            vec3 rn = est_n(rp);
            float rrt = raymarch(rp, rn, E, 30.0);
            if (rrt > -0.5) color3 = shade(rp + rrt * rn, lp);
        }
        fragColor = vec4(0.5 * color1 + 0.25 * color2 + 0.25 * color3, 1.0);
    }
}
