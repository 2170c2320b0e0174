// Card pass: shows a title card upright in its true colours. The host uploads
// cards top row first with channels r, g, b, a = the image's A, B, G, R, so
// the lookup flips vertically and the swizzle a, b, g gives back R, G, B.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution;
    vec4 card = texture(iChannel0, vec2(uv.x, 1.0 - uv.y));
    fragColor = vec4(card.a, card.b, card.g, 1.0);
}
