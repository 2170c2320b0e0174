// The on-screen display's text as krelan-demo --live keeps it: a frame-sized
// image of the lines, drawn by the text's program only when a line changes.
// Each frame shows the cache's pixel under each fragment of a line's box,
// blended over the frame as the text itself would be.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    fragColor = texture(iChannel0, fragCoord / iResolution);
}
