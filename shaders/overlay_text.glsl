// Text over the frame in the show's own font: one line of printable ASCII
// in cells of equal width (figures stay put as they change), white strokes
// with a dark rim so that it reads over any scene. The host passes the
// character codes and the line's place; characters without a glyph stay blank.

uniform int overlay_codes[64];
uniform int overlay_length;
uniform vec2 overlay_origin;  // bottom-left corner of the line's box, pixels
uniform float overlay_unit;   // pixels per glyph unit; the box is 1.6 units tall

// The distance from p (in the cell's frame, font.glsl) to glyph c's strokes.
float glyph(int c, vec2 p)
{
    if (c < 65) {
        if (c == 33) return exclam(p);  // !
        if (c == 35) return hash(p);  // #
        if (c == 38) return and(p);  // &
        if (c == 40) return open1(p);  // (
        if (c == 41) return close1(p);  // )
        if (c == 42) return mmul(p);  // *
        if (c == 43) return aadd(p);  // +
        if (c == 44) return comma(p);  // ,
        if (c == 45) return ssub(p);  // -
        if (c == 46) return ddot(p);  // .
        if (c == 47) return ddiv(p);  // /
        if (c == 48) return _00(p);  // 0
        if (c == 49) return _11(p);  // 1
        if (c == 50) return _22(p);  // 2
        if (c == 51) return _33(p);  // 3
        if (c == 52) return _44(p);  // 4
        if (c == 53) return _55(p);  // 5
        if (c == 54) return _66(p);  // 6
        if (c == 55) return _77(p);  // 7
        if (c == 56) return _88(p);  // 8
        if (c == 57) return _99(p);  // 9
        if (c == 58) return dotdot(p);  // :
        if (c == 59) return dotcomma(p);  // ;
        if (c == 60) return lt(p);  // <
        if (c == 61) return eequal(p);  // =
        if (c == 62) return gt(p);  // >
        if (c == 63) return question(p);  // ?
    } else if (c < 97) {
        if (c == 65) return AA(p);  // A
        if (c == 66) return BB(p);  // B
        if (c == 67) return CC(p);  // C
        if (c == 68) return DD(p);  // D
        if (c == 69) return EE(p);  // E
        if (c == 70) return FF(p);  // F
        if (c == 71) return GG(p);  // G
        if (c == 72) return HH(p);  // H
        if (c == 73) return II(p);  // I
        if (c == 74) return JJ(p);  // J
        if (c == 75) return KK(p);  // K
        if (c == 76) return LL(p);  // L
        if (c == 77) return MM(p);  // M
        if (c == 78) return NN(p);  // N
        if (c == 79) return OO(p);  // O
        if (c == 80) return PP(p);  // P
        if (c == 81) return QQ(p);  // Q
        if (c == 82) return RR(p);  // R
        if (c == 83) return SS(p);  // S
        if (c == 84) return TT(p);  // T
        if (c == 85) return UU(p);  // U
        if (c == 86) return VV(p);  // V
        if (c == 87) return WW(p);  // W
        if (c == 88) return XX(p);  // X
        if (c == 89) return YY(p);  // Y
        if (c == 90) return ZZ(p);  // Z
        if (c == 91) return open2(p);  // [
        if (c == 93) return close2(p);  // ]
        if (c == 95) return und(p);  // _
    } else {
        if (c == 97) return aa(p);  // a
        if (c == 98) return bb(p);  // b
        if (c == 99) return cc(p);  // c
        if (c == 100) return dd(p);  // d
        if (c == 101) return ee(p);  // e
        if (c == 102) return ff(p);  // f
        if (c == 103) return gg(p);  // g
        if (c == 104) return hh(p);  // h
        if (c == 105) return ii(p);  // i
        if (c == 106) return jj(p);  // j
        if (c == 107) return kk(p);  // k
        if (c == 108) return ll(p);  // l
        if (c == 109) return mm(p);  // m
        if (c == 110) return nn(p);  // n
        if (c == 111) return oo(p);  // o
        if (c == 112) return pp(p);  // p
        if (c == 113) return qq(p);  // q
        if (c == 114) return rr(p);  // r
        if (c == 115) return ss(p);  // s
        if (c == 116) return tt(p);  // t
        if (c == 117) return uu(p);  // u
        if (c == 118) return vv(p);  // v
        if (c == 119) return ww(p);  // w
        if (c == 120) return xx(p);  // x
        if (c == 121) return yy(p);  // y
        if (c == 122) return zz(p);  // z
        if (c == 123) return open3(p);  // {
        if (c == 124) return or(p);  // |
        if (c == 125) return close3(p);  // }
    }
    return 100.0;
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    // Cells 0.9 units wide: the widest glyphs (m, w, M, W, &) fit.
    vec2 u = (fragCoord - overlay_origin) / overlay_unit;
    float cell = floor(u.x / 0.9);
    if (cell < 0.0 || cell >= float(overlay_length)) discard;
    vec2 p = vec2(u.x - (cell + 0.5) * 0.9, u.y - 0.8);
    float d = glyph(overlay_codes[int(cell)], p);
    float px = 1.0 / overlay_unit;
    float ink = 1.0 - smoothstep(0.07 - px, 0.07 + px, d);
    float rim = 1.0 - smoothstep(0.16 - px, 0.16 + px, d);
    if (rim <= 0.0) discard;
    fragColor = vec4(ink, ink, ink, rim);
}
