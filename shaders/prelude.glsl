#define mainImage(X,Y) main()
#define fragColor gl_FragColor
#define iResolution vec2(1920, 1080)
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
#define iChannel0 tex
#define texture texture2D
uniform int sound;
uniform float beat;
uniform sampler2D tex;
vec2 iMouse = vec2(0., 0.);
