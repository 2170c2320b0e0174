#version 300 es
// The browser's vertex stage (GLSL ES 3.00): ES has no fixed-function
// transform, so the quad's clip-space corners arrive on attribute 0 and pass
// straight through. Attribute 1 carries the particle sprites' texture
// coordinate (the desktop's gl_MultiTexCoord0); only the sprite program
// reads it, the full-screen quad leaves it at its default.
layout(location = 0) in vec4 corner;
layout(location = 1) in vec4 coord;
out vec4 krelan_tex_coord;
void main()
{
    gl_Position = corner;
    krelan_tex_coord = coord;
}
