#version 300 es
// The browser's vertex stage (GLSL ES 3.00): ES has no fixed-function
// transform, so the quad's clip-space corners arrive on attribute 0 and pass
// straight through. No fragment text reads a texture coordinate.
layout(location = 0) in vec4 corner;
void main()
{
    gl_Position = corner;
}
