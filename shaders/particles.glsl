// Particle rings: 1000 point particles in polar coordinates about the frame
// centre. Each lives 20 beats on a band picked by a hash of its life number,
// flies outward late in its life and brightens with the sound level.
//
// The program's text opens with two empty lines (block "lead") before the
// prelude. Block "particle" holds the rules of one particle, shared with the
// sprite programs that draw each particle only where it lands; block "scene"
// is the per-pixel loop over all of them.

// @block lead


// @block particle
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

// Brightness scale of this frame, and the radial reach (in pixels) of every
// particle: 0 in silence, 1 at sound level 1550.
float particle_max_size()
{
    return 20.0 * float(sound) / 31000.0;
}

// Half-diagonal of the frame, the unit of all radii.
float particle_len_center()
{
    return length(iResolution / 2.0);
}

// Clock of particle i: its fraction is the place in the current life, its
// floor numbers the life. The clocks of neighbouring indices are 1.441 apart.
float particle_clock(float i)
{
    float phase = i / particlesCount;
    return iTime / particleLifetime + timeDelta * (2.0 * phase - 1.0) + phase;
}

// Distance of particle i from the frame centre, in pixels: its base radius
// plus the late outward flight.
float particle_radius(float i, float localTime)
{
    float phase = i / particlesCount;
    float spaceTransform = flight(fract(localTime));
    return particle_len_center() * ((polarRadiusClip + polarRadiusDelta * phase) + spaceTransform);
}

// Centre of a particle relative to the frame centre: at its radius, on the
// band its life number hashes to.
vec2 particle_centre(float localTime, float radius)
{
    float particleTime = fract(localTime);
    float band = rand(vec2(floor(localTime), 1.0));
    return decart(vec2(radius, floor(particleTime + bandPass * band) * angleDisp));
}

// Peak brightness of a particle, growing with its flight.
float particle_size(float localTime)
{
    return particle_max_size() * flight(fract(localTime));
}

// Whether the ring test keeps a particle at `radius` for a pixel at distance
// rho from the centre. Below a reach of 1 px it cuts the cone to a ring.
bool particle_in_reach(float radius, float rho)
{
    return !(abs(radius - rho) > particle_max_size());
}

// Light of one particle's cone (radius 1 px, height `size`) at frag.
float particle_cone(vec2 frag, vec2 centre, float size)
{
    return size * (1.0 - clamp(length(centre - frag), 0.0, 1.0));
}

// @block scene
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 center = iResolution / 2.0;
    vec2 frag = fragCoord - center;
    float rho = polar(frag).x;
    float presence = 0.0;
    for (float i = 0.0; i < particlesCount; i += 1.0) {
        float localTime = particle_clock(i);
        float radius = particle_radius(i, localTime);
        // Particles on other rings cannot reach this pixel; the test comes
        // before the hash and the trigonometry.
        if (!particle_in_reach(radius, rho)) continue;
        presence += particle_cone(frag, particle_centre(localTime, radius),
                                  particle_size(localTime));
    }
    presence = clamp(presence, 0.0, 1.0);
    fragColor = vec4(presence, presence, presence, 1.0);
}
