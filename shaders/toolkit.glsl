// Raymarching toolkit shared by the raymarched scenes (dotted sphere, sphere
// field, lattice). The build splices its two blocks into each scene's text:
//
//   prelude, the scene's own declarations, shapes, the scene's scene(p),
//   marching, the scene's shade(p, lp), the scene's mainImage.
//
// A scene supplies `vec2 scene(vec3 p)`: x the distance estimate (negative
// inside), y a material id that only its own shade() reads. Lines above the
// first block marker are not part of any program.

// @block shapes
// Surface threshold of the march, offset of the normal's differences and
// start distance of every ray.
const float E = 0.005;

// Sphere of radius r about the origin.
float s(vec3 p, float r)
{
    return length(p) - r;
}

// Plane through n.w along the unit normal n.xyz.
float sdPlane(vec3 p, vec4 n)
{
    return dot(p, n.xyz) + n.w;
}

// Cone about the z axis, apex at the origin; c is a unit vector.
float sdCone(vec3 p, vec2 c)
{
    return dot(c, vec2(length(p.xy), p.z));
}

// Box with half-extents b about the origin, exact inside and outside.
float sdBox(vec3 p, vec3 b)
{
    vec3 d = abs(p) - b;
    return min(max(d.x, max(d.y, d.z)), 0.0) + length(max(d, 0.0));
}

// One axis of opRep: folds x into [-c/2, c/2) with the floor-based mod, so
// cells run on evenly through negative coordinates. Period 0 repeats nothing.
float repAxis(float x, float c)
{
    if (c == 0.0) return x;
    return mod(x, c) - 0.5 * c;
}

// Repetition with period c per axis (0: no repetition along that axis).
vec3 opRep(vec3 p, vec3 c)
{
    return vec3(repAxis(p.x, c.x), repAxis(p.y, c.y), repAxis(p.z, c.z));
}

// Polynomial smooth minimum of width k: min(a, b) once |a - b| >= k, a - k/4
// where a = b.
float smin(float a, float b, float k)
{
    float h = clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
    return mix(b, a, h) - k * h * (1.0 - h);
}

// Height-field ground: the red channel of the input image, tiled every 128
// units in x and z, lifts the plane y = 0 by up to 3 units.
float mountains(vec3 p)
{
    float n = texture(iChannel0, fract(p.xz / 128.0)).r;
    return p.y - 3.0 * n;
}

// Rotations, built column by column and applied as matrix * vector.
// getRotX turns +y toward +z.
mat3 getRotX(float a)
{
    float c = cos(a);
    float sn = sin(a);
    return mat3(1.0, 0.0, 0.0,
                0.0, c, sn,
                0.0, -sn, c);
}

// getRotY turns +x toward +z (the inverse of the right-handed turn about y).
mat3 getRotY(float a)
{
    float c = cos(a);
    float sn = sin(a);
    return mat3(c, 0.0, sn,
                0.0, 1.0, 0.0,
                -sn, 0.0, c);
}

// getRotZ turns +x toward +y.
mat3 getRotZ(float a)
{
    float c = cos(a);
    float sn = sin(a);
    return mat3(c, sn, 0.0,
                -sn, c, 0.0,
                0.0, 0.0, 1.0);
}

// @block marching
// Unit surface normal from central differences of the distance (the missing
// 1/(2E) scale is removed by the normalisation).
vec3 est_n(vec3 p)
{
    vec3 dx = vec3(E, 0.0, 0.0);
    vec3 dy = vec3(0.0, E, 0.0);
    vec3 dz = vec3(0.0, 0.0, E);
    return normalize(vec3(scene(p + dx).x - scene(p - dx).x,
                          scene(p + dy).x - scene(p - dy).x,
                          scene(p + dz).x - scene(p - dz).x));
}

// The distance alone.
float map(vec3 p)
{
    return scene(p).x;
}

// Penumbra factor in [0, 1] of the march from ro toward a light along rd:
// 0 once a sample comes within 0.001 of a surface, otherwise the narrowest
// k * d / t seen. A step whose candidate would be undefined (its divisor
// t - y not positive, or h*h - y*y negative) is skipped rather than left to
// min(), which drivers treat differently when given a NaN.
float softshadow(vec3 ro, vec3 rd, float mint, float maxt, float k)
{
    float res = 1.0;
    float ph = 1e20;
    float t = mint;
    while (t < maxt) {
        float h = map(ro + rd * t);
        if (h < 0.001) return 0.0;
        float y = h * h / (2.0 * ph);
        float dd = h * h - y * y;
        float gap = max(0.0, t - y);
        if (dd >= 0.0 && gap > 0.0) {
            float c = k * sqrt(dd) / gap;
            if (c < res) res = c;
        }
        ph = h;
        t += h;
    }
    return res;
}

const int MAX_STEPS = 200;

// Sphere tracing from co along cd. Returns the t of the first sample within
// E of a surface (even one taken beyond tmax), -1 once the ray has left
// [tmin, tmax], or, when the steps run out inside the range, the t of the
// closest sample (the earliest of equals), which callers shade as a hit.
float raymarch(vec3 co, vec3 cd, float tmin, float tmax)
{
    float t = tmin;
    float d = 1e10;
    float dmin = 1e10;
    float dmint = tmin;
    for (int i = 0; i < MAX_STEPS; i++) {
        d = map(co + t * cd);
        if (d < E || t > tmax) break;
        if (d < dmin) {
            dmin = d;
            dmint = t;
        }
        t += d;
    }
    if (d < E) return t;
    if (t > tmax) return -1.0;
    return dmint;
}

// The common shading recipe: Lambert light from lp with a soft shadow, over
// an ambient floor, in the scene's colour for the point.
vec3 lit(vec3 p, vec3 lp, vec3 colour, float ambient, float diffuse)
{
    vec3 n = est_n(p);
    vec3 l = normalize(lp - p);
    float ld = clamp(dot(n, l), 0.0, 1.0);
    float shadow = softshadow(p, l, 1.0, 50.0, 4.0);
    return colour * (ambient + diffuse * ld * shadow);
}

// Pinhole camera on the +z axis looking down -z, image plane at distance 1:
// the primary ray's direction for this pixel.
vec3 camera_ray()
{
    float aspect = iResolution.x / iResolution.y;
    vec2 uv = fragCoord / iResolution - vec2(0.5);
    uv.x *= aspect;
    return normalize(vec3(uv, -1.0));
}
