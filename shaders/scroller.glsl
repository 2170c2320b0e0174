// The greetings scroller: one line of text laid out in glyph space by a
// cursor, each character a glyph distance function from font.glsl, inked as
// strokes of half-width 0.05 around the glyphs' centre-lines. The line is the
// token sequence `scrolltext` (generated into scrolltext.glsl, which comes
// first in the program text), expanded in place: straight-line code, one
// window test per token and one glyph evaluation per character near the pixel.
//
// The build's scrolltext generator reads the character tokens' glyphs and
// advances from the "#define X_ ch(glyph, advance)" lines below.

// Advances the cursor past a cell of width w and says whether the pixel lies
// in the character's window, which reaches 0.2 beyond the cell on the left
// and w + 0.2 on the right. px is part of the step's signature, not used.
bool hit(vec2 uv, inout float cp, float w, float px)
{
    cp = cp + w;
    return abs(cp - uv.x) < w + 0.2;
}

// Cell-local point for the cell that ends at the cursor cp, slanted by ital.
vec2 clc(vec2 uv, float cp, float w, float ital)
{
    return vec2(uv.x - (cp - w / 2.0 + uv.y * ital), uv.y);
}

// One character token: its glyph joins the minimum when the window holds the
// pixel, and the pixel takes the current style.
#define ch(glyph, w) if (hit(uv, cp, w, px)) { x = min(x, glyph(clc(uv, cp, w, ital))); us = cur; }

// Space, and the markup tokens (each its own inverse).
#define _ cp = cp + 0.5;
#define BOLD cur.w = 1.5 - cur.w;
#define ITAL ital = 0.15 - ital;
#define RED cur.r = 0.8 - cur.r;
#define GREEN cur.g = 0.6 - cur.g;
#define BLUE cur.b = 1.0 - cur.b;
#define crlf uv.y = uv.y + 2.0; cp = 0.0;

#define a_ ch(aa, 0.7)
#define b_ ch(bb, 0.7)
#define c_ ch(cc, 0.7)
#define d_ ch(dd, 0.7)
#define e_ ch(ee, 0.7)
#define f_ ch(ff, 0.6)
#define g_ ch(gg, 0.7)
#define h_ ch(hh, 0.7)
#define i_ ch(ii, 0.3)
#define j_ ch(jj, 0.3)
#define k_ ch(kk, 0.7)
#define l_ ch(ll, 0.3)
#define m_ ch(mm, 0.9)
#define n_ ch(nn, 0.7)
#define o_ ch(oo, 0.7)
#define p_ ch(pp, 0.7)
#define q_ ch(qq, 0.7)
#define r_ ch(rr, 0.7)
#define s_ ch(ss, 0.7)
#define t_ ch(tt, 0.7)
#define u_ ch(uu, 0.7)
#define v_ ch(vv, 0.7)
#define w_ ch(ww, 0.9)
#define x_ ch(xx, 0.8)
#define y_ ch(yy, 0.8)
#define z_ ch(zz, 0.7)

#define A_ ch(AA, 0.7)
#define B_ ch(BB, 0.7)
#define C_ ch(CC, 0.7)
#define D_ ch(DD, 0.7)
#define E_ ch(EE, 0.7)
#define F_ ch(FF, 0.7)
#define G_ ch(GG, 0.7)
#define H_ ch(HH, 0.7)
#define I_ ch(II, 0.5)
#define J_ ch(JJ, 0.5)
#define K_ ch(KK, 0.7)
#define L_ ch(LL, 0.5)
#define M_ ch(MM, 0.9)
#define N_ ch(NN, 0.7)
#define O_ ch(OO, 0.7)
#define P_ ch(PP, 0.7)
#define Q_ ch(QQ, 0.7)
#define R_ ch(RR, 0.7)
#define S_ ch(SS, 0.7)
#define T_ ch(TT, 0.7)
#define U_ ch(UU, 0.7)
#define V_ ch(VV, 0.7)
#define W_ ch(WW, 0.9)
#define X_ ch(XX, 0.8)
#define Y_ ch(YY, 0.8)
#define Z_ ch(ZZ, 0.7)

#define _1 ch(_11, 0.7)
#define _2 ch(_22, 0.7)
#define _3 ch(_33, 0.7)
#define _4 ch(_44, 0.7)
#define _5 ch(_55, 0.7)
#define _6 ch(_66, 0.7)
#define _7 ch(_77, 0.7)
#define _8 ch(_88, 0.7)
#define _9 ch(_99, 0.7)
#define _0 ch(_00, 0.7)

#define _dot ch(ddot, 0.3)
#define _comma ch(comma, 0.3)
#define _exclam ch(exclam, 0.3)
#define _question ch(question, 0.8)
#define _open1 ch(open1, 0.7)
#define _close1 ch(close1, 0.7)
#define _dotdot ch(dotdot, 0.3)
#define _dotcomma ch(dotcomma, 0.3)
#define _equal ch(eequal, 0.7)
#define _add ch(aadd, 0.7)
#define _sub ch(ssub, 0.7)
#define _mul ch(mmul, 0.7)
#define _div ch(ddiv, 0.7)
#define _lt ch(lt, 0.7)
#define _gt ch(gt, 0.7)
#define _hash ch(hash, 0.7)
#define _and ch(and, 0.9)
#define _or ch(or, 0.3)
#define _und ch(und, 0.7)
#define _open2 ch(open2, 0.6)
#define _close2 ch(close2, 0.6)
#define _open3 ch(open3, 0.7)
#define _close3 ch(close3, 0.7)

// The pixel's place in glyph space: 33 units across the screen, centred; the
// text moves left 4 units a beat from beat 160 and wraps every 1000 units
// (floor-based mod, so negative positions wrap too); rows repeat every 2
// units, row-local y in [-1, 1).
vec2 scroll_uv(vec2 fc)
{
    vec2 uv = (fc - 0.5 * iResolution) / iResolution.x * 22.0 * 1.5;
    uv.x = uv.x + 4.0 * (iTime - 160.0);
    uv.x = uv.x - 500.0;
    uv.y = uv.y - 0.55;
    uv.x = mod(uv.x, 1000.0) - 500.0;
    uv.x = uv.x + 10.1;
    uv.y = mod(uv.y, 2.0) - 1.0;
    return uv;
}

// Stroke of half-width 0.05 with a one-pixel soft edge: the ink colour on
// the centre-line, exactly grey 0.5 from 0.05 + px on.
vec3 scroll_stroke(float x, vec3 ink, float px)
{
    float weight = 0.05;
    float soft = smoothstep(weight - px, weight + px, x);
    return mix(ink, vec3(0.5, 0.5, 0.5), soft);
}

// The scroller's colour at pixel fc: grey 0.5 away from the text, toward the
// ink colour on its strokes.
vec3 Scroller(vec2 fc)
{
    vec2 uv = scroll_uv(fc);
    float px = 22.0 / iResolution.x * 1.5;
    float x = 100.0;
    float cp = 0.0;
    vec4 cur = vec4(0.0, 0.0, 0.0, 0.5);
    vec4 us = cur;
    float ital = 0.0;
    scrolltext
    return scroll_stroke(x, us.rgb, px);
}
