// Particle rings: 1000 point particles in polar coordinates about the frame
// centre. Each lives 20 beats on a band picked by a hash of its life number,
// flies outward late in its life and brightens with the sound level.
//
// The program's text opens with two empty lines (block "lead") before the
// prelude; the scene itself is block "scene".

// @block lead


// @block scene
#define M_2PI 6.28318530718

const float particlesCount = 1000.0;
const float particleLifetime = 20.0;   // beats per life
const float bandPass = 720.0;          // bands 0 .. 720
const float angleDisp = M_2PI / (bandPass + 1.0);
const float timeDelta = bandPass;      // spread of the particles' clocks
const float polarRadiusClip = 0.05;    // base radius of particle 0, in half-diagonals
const float polarRadiusMax = 0.75;
const float polarRadiusDelta = polarRadiusMax - polarRadiusClip;

// (radius, angle from +x toward +y) of v.
vec2 polar(vec2 v)
{
    return vec2(sqrt(v.x * v.x + v.y * v.y), atan(v.y, v.x));
}

// The point at radius p.x and angle p.y.
vec2 decart(vec2 p)
{
    return vec2(p.x * cos(p.y), p.x * sin(p.y));
}

// t to the 8th power by repeated squaring: near 0 for most of a life, 1 at
// its end.
float flight(float t)
{
    float t2 = t * t;
    float t4 = t2 * t2;
    return t4 * t4;
}

// Pseudo-random value in [0, 1) of a 2-vector.
float rand(vec2 co)
{
    return fract(sin(dot(co, vec2(12.9898, 78.233))) * 43758.5453);
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 center = iResolution / 2.0;
    vec2 frag = fragCoord - center;
    float rho = polar(frag).x;
    float lenCenter = length(center);
    // Brightness scale, and the radial reach (in pixels) of a particle.
    float particleMaxSize = 20.0 * float(sound) / 31000.0;
    float globTime = iTime / particleLifetime;
    float presence = 0.0;
    for (float i = 0.0; i < particlesCount; i += 1.0) {
        float phase = i / particlesCount;
        float localTime = globTime + timeDelta * (2.0 * phase - 1.0) + phase;
        float particleTime = fract(localTime);
        float spaceTransform = flight(particleTime);
        float radius = lenCenter * ((polarRadiusClip + polarRadiusDelta * phase) + spaceTransform);
        // Particles on other rings cannot reach this pixel.
        if (abs(radius - rho) > particleMaxSize) continue;
        float band = rand(vec2(floor(localTime), 1.0));
        vec2 pPoint = vec2(radius, floor(particleTime + bandPass * band) * angleDisp);
        vec2 dPoint = decart(pPoint);
        float particleSize = particleMaxSize * spaceTransform;
        presence += particleSize * (1.0 - clamp(length(dPoint - frag), 0.0, 1.0));
    }
    presence = clamp(presence, 0.0, 1.0);
    fragColor = vec4(presence, presence, presence, 1.0);
}
