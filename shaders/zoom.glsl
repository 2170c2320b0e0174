// Zoom pass: turns this frame's life image about the frame centre and
// enlarges its middle by 2 to 8, both following beat / 4.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution;
    float speed = 4.0;
    float interp = (sin(iTime / speed) + 1.0) / 4.0;
    float t2 = iTime / speed;
    float aspect = iResolution.x / iResolution.y;
    float zoom = 12.0 * interp;

    // Turn in square pixels, so the rotation has no shear.
    uv.x *= aspect;
    vec2 c = vec2(aspect / 2.0, 0.5);
    uv = c + mat2(cos(t2), sin(t2), -sin(t2), cos(t2)) * (uv - c);
    uv.x /= aspect;

    vec2 uvWindow = (uv - vec2(0.5, 0.5)) / (zoom + 2.0) + vec2(0.5, 0.5);
    fragColor = texture(iChannel0, uvWindow);
}
