// The sprite quad's texture coordinate as the fragment stage sees it: the
// desktop's shared vertex stage passes it on in the fixed-function slot.
// (The browser's stand-in is shaders/es/sprite_coord.glsl.)
#define sprite_coord gl_TexCoord[0]
