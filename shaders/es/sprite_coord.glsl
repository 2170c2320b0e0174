// The sprite quad's texture coordinate in the browser: ES has no
// gl_TexCoord, so the ES vertex stage passes attribute 1 on as
// krelan_tex_coord (shaders/es/vertex.glsl).
in vec4 krelan_tex_coord;
#define sprite_coord krelan_tex_coord
