#version 300 es
// The browser's prelude (GLSL ES 3.00, WebGL 2), standing in for prelude.glsl
// when the browser's programs are assembled: the same scene-facing names,
// with ES's explicit precision and colour output. ES 3.00 samples with
// texture() itself, so no name maps to texture2D.
precision highp float;
precision highp int;
precision highp sampler2D;
out vec4 krelan_frag_color;
#define mainImage(X,Y) main()
#define fragColor krelan_frag_color
#define iResolution vec2(1920, 1080)
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
#define iChannel0 tex
uniform int sound;
uniform float beat;
uniform sampler2D tex;
vec2 iMouse = vec2(0., 0.);
