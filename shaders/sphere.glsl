// Dotted sphere: a shell about the origin whose radius follows the sound
// level, turning about z and x at one radian per beat. Up to beat 128 a grid
// of angular cells carves it into dots; after it the shell is closed and the
// grid shows as colour ramps. Missed pixels flash on the beat.

// @block scene
const float PI180 = 0.01745329251;  // degrees to radians
const float SWITCH_BEAT = 128.0;    // strictly above: closed, coloured shell

// What the field takes from the beat and the level alone, worked out once per
// pixel by grid_setup() before the first evaluation. (The turn stays in
// scene(): a precomputed matrix product rounds differently.)
float g_numpoints;   // angular period of the dot grid, radians, in [0, pi]
float g_pointsize;   // angular size of a dot within its cell
float g_radius;      // shell radius: 0.5 in silence, 1.0 at full level

void grid_setup()
{
    float b = iTime;
    // pi at beat 0, 0 at beat 32 pi.
    g_numpoints = PI180 * 180.0 * smoothstep(-1.0, 1.0, cos(b / 32.0));
    g_pointsize = b > SWITCH_BEAT ? g_numpoints : g_numpoints / 5.0;
    g_radius = 0.5 + 0.5 * float(sound) / 32768.0;
}

vec2 scene(vec3 p)
{
    float b = iTime;
    bool closed = b > SWITCH_BEAT;
    // Turned about z by the beat first, then about x.
    vec3 q = getRotX(b) * getRotZ(b) * p;
    float radius = sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    float phi = atan(q.y, q.x);
    float theta = acos(q.z / radius);
    float shell = abs(radius - g_radius);
    // A zero period leaves no cells to cut: the closed shell, as for the
    // tiny periods around it (and the ramp id's limit, 0, above the switch).
    if (g_numpoints == 0.0) return vec2(shell, closed ? 0.0 : 1.0);
    float dphi = mod(phi, g_numpoints);
    float dtheta = mod(theta, g_numpoints);
    float dist = max(max(dphi - g_pointsize, dtheta - g_pointsize), shell);
    float id = 1.0;
    if (closed) id = mod(dphi + mod(dtheta, 2.0), 2.0);
    return vec2(dist, id);
}

// @block image
// White to red by id, lit from lp with a soft shadow.
vec3 shade(vec3 p, vec3 lp)
{
    float id = scene(p).y;
    return lit(p, lp, vec3(1.0, id, id), 0.3, 0.7);
}

// Missed pixels flash white on each beat while the music drives them.
bool flashing(float b)
{
    return (b >= 32.0 && b < 64.0) || b >= 68.0;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    grid_setup();
    vec3 co = vec3(0.0, 0.0, 2.0);
    vec3 cd = camera_ray();
    fragColor = vec4(0.0, 0.0, 0.0, 1.0);
    float t = raymarch(co, cd, E, 100.0);
    if (t > -0.5) {
        vec3 p = co + t * cd;
        fragColor = vec4(shade(p, vec3(0.0, 0.0, 10.0)), 1.0);
    } else if (flashing(iTime)) {
        float beatFlash = 1.0 / (20.0 * fract(iTime) + 1.0);
        fragColor = vec4(beatFlash, beatFlash, beatFlash, 1.0);
    }
}
