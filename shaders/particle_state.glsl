// Particle state pass: one pixel per particle (column i of a 1000 x 1
// target) holds what the frame needs of particle i at this beat and sound:
// its centre relative to the frame centre (x, y), its radius (z) and its peak
// brightness (w). The sprites read it instead of evaluating the particle at
// every pixel.

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    float i = floor(fragCoord.x);
    float localTime = particle_clock(i);
    float radius = particle_radius(i, localTime);
    fragColor = vec4(particle_centre(localTime, radius), radius, particle_size(localTime));
}
