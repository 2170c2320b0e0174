// The scroller's font: 85 glyph functions, each returning the distance from a
// cell-local point to the glyph's stroke centre-lines (the scroller inks what
// lies within about 0.05 units). Cell frame: origin at the cell's horizontal
// centre on the row's centre line; baseline -0.4, x-height 0.4, cap height
// 0.6, ascender 0.8, descender -0.8. Angles from +y toward +x: atan(dx, dy).

// --- Stroke notation ---------------------------------------------------

// Horizontal stroke y = c from x = a to x = b.
float bar(vec2 p, float c, float a, float b)
{
    return length(vec2(max(0.0, abs(p.x - (a + b) / 2.0) - (b - a) / 2.0), p.y - c));
}

// Vertical stroke x = c from y = a to y = b.
float stem(vec2 p, float c, float a, float b)
{
    return length(vec2(p.x - c, max(0.0, abs(p.y - (a + b) / 2.0) - (b - a) / 2.0)));
}

// Distance to a point: the rounded end of a cut stroke, or a dot.
float spot(vec2 p, vec2 c)
{
    return length(p - c);
}

// Circle outline of radius r about c.
float ring(vec2 p, vec2 c, float r)
{
    return abs(length(p - c) - r);
}

// Upright stadium outline: half circles of radius r about (c.x, c.y +- h)
// joined by the sides x = c.x +- r.
float vstad(vec2 p, vec2 c, float r, float h)
{
    return abs(length(vec2(p.x - c.x, max(0.0, abs(p.y - c.y) - h))) - r);
}

// The same stadium lying down.
float hstad(vec2 p, vec2 c, float r, float h)
{
    return abs(length(vec2(max(0.0, abs(p.x - c.x) - h), p.y - c.y)) - r);
}

// Direction of p seen from c, from +y toward +x, in (-pi, pi].
float ang(vec2 p, vec2 c)
{
    return atan(p.x - c.x, p.y - c.y);
}

// --- Shared building blocks --------------------------------------------

// Segment from a to b.
float line(vec2 p, vec2 a, vec2 b)
{
    vec2 pa = p - a;
    vec2 ba = b - a;
    float h = clamp(dot(pa, ba) / dot(ba, ba), 0.0, 1.0);
    return length(pa - ba * h);
}

// The x-height stem.
float _i(vec2 p)
{
    return length(vec2(p.x, max(0.0, abs(p.y) - 0.4)));
}

// The ascender stem, baseline to 0.8.
float _l(vec2 p)
{
    return length(vec2(p.x, max(0.0, abs(p.y - 0.2) - 0.6)));
}

// The o: half circles of radius 0.25 about (0, +-0.15), spanning -0.4..0.4.
float _o(vec2 p)
{
    return vstad(p, vec2(0.0, 0.0), 0.25, 0.15);
}

// The U: stems x = +-w from y = v - 0.4 up to 0.4, joined below by a half
// circle of radius w. Evaluated at (x, -y) it is an arch.
float _u(vec2 p, float w, float v)
{
    float c = v - 0.4;
    float k = length(vec2(p.x, max(0.0, c - p.y)));
    return length(vec2(abs(k - w), max(0.0, p.y - 0.4)));
}

// The j's stroke: stem x = 0.05 from 0.4 down to -0.55, hooking left through
// a quarter circle to a rounded end at (-0.2, -0.8).
float _j(vec2 p)
{
    vec2 q = vec2(p.x + 0.2, p.y + 0.55);
    if (q.x > 0.0 && q.y < 0.0) return ring(q, vec2(0.0, 0.0), 0.25);
    return min(spot(q, vec2(0.0, -0.25)), stem(q, 0.25, 0.0, 0.95));
}

// --- Lowercase ---------------------------------------------------------

float aa(vec2 p)
{
    // Drawn turned a half turn: bowl, right stem, then the o's shoulder cut
    // to end rounded at the upper left.
    vec2 u = -p;
    float bowl = hstad(u, vec2(0.0, 0.2), 0.2, 0.05);
    float st = stem(u, -0.25, 0.0, 0.4);
    vec2 e = vec2(0.22734, -0.254);
    float sh;
    if (u.x < 0.0) sh = u.y < 0.0 ? _o(u) : spot(u, e);
    else sh = atan(u.x, u.y + 0.15) > 2.0 ? _o(u) : spot(u, e);
    return min(min(bowl, st), sh);
}

float bb(vec2 p)
{
    return min(_o(p), _l(vec2(p.x + 0.25, p.y)));
}

float cc(vec2 p)
{
    // An o open on the right, ends rounded at (0.22734, +-0.254).
    vec2 q = vec2(p.x, abs(p.y));
    if (p.x < 0.0 || ang(q, vec2(0.0, 0.15)) < 1.14) return _o(p);
    return min(stem(q, -0.25, -0.15, 0.15), spot(q, vec2(0.22734, 0.254)));
}

float dd(vec2 p)
{
    return bb(vec2(-p.x, p.y));
}

float ee(vec2 p)
{
    // An o cut away at the lower right below its bar.
    float cut;
    if (p.x < 0.0 || p.y > 0.05 || ang(p, vec2(0.0, -0.15)) > 2.0) cut = _o(p);
    else cut = spot(p, vec2(0.22734, -0.254));
    return min(bar(p, 0.05, -0.25, 0.25), cut);
}

float ff(vec2 p)
{
    return min(_j(vec2(0.05 - p.x, -p.y)), bar(p, 0.4, -0.25, 0.25));
}

float gg(vec2 p)
{
    // Right stem down into a bowl that ends rounded at the lower left.
    float tail;
    if (p.x > 0.0 || ang(p, vec2(0.0, -0.6)) < -2.0) tail = _u(p, 0.25, -0.2);
    else tail = spot(p, vec2(-0.23, -0.7));
    return min(_o(p), tail);
}

float hh(vec2 p)
{
    return min(_u(vec2(p.x, -p.y), 0.25, 0.25), _l(vec2(p.x + 0.25, p.y)));
}

float ii(vec2 p)
{
    return min(_i(p), spot(p, vec2(0.0, 0.6)));
}

float jj(vec2 p)
{
    return min(_j(vec2(p.x + 0.05, p.y)), spot(p, vec2(0.0, 0.6)));
}

float kk(vec2 p)
{
    float arm = line(p, vec2(-0.25, -0.1), vec2(0.25, 0.4));
    float leg = line(p, vec2(-0.15, 0.0), vec2(0.25, -0.4));
    return min(min(arm, leg), _l(vec2(p.x + 0.25, p.y)));
}

float ll(vec2 p)
{
    return _l(p);
}

float mm(vec2 p)
{
    float right = _u(vec2(p.x - 0.175, -p.y), 0.175, 0.175);
    float left = _u(vec2(p.x + 0.175, -p.y), 0.175, 0.175);
    return min(min(right, left), _i(vec2(p.x + 0.35, p.y)));
}

float nn(vec2 p)
{
    return min(_u(vec2(p.x, -p.y), 0.25, 0.25), _i(vec2(p.x + 0.25, p.y)));
}

float oo(vec2 p)
{
    return _o(p);
}

float pp(vec2 p)
{
    return min(_o(p), _l(vec2(p.x + 0.25, p.y + 0.4)));
}

float qq(vec2 p)
{
    return pp(vec2(-p.x, p.y));
}

float rr(vec2 p)
{
    // The top-left quarter of an o, from its left side over the top.
    vec2 q = vec2(p.x - 0.05, p.y);
    float arc;
    if (ang(q, vec2(0.0, 0.15)) < 1.14 && q.y > 0.0) arc = _o(q);
    else arc = spot(q, vec2(0.22734, 0.254));
    return min(arc, _i(vec2(q.x + 0.25, q.y)));
}

float ss(vec2 p)
{
    // Two halves of one loop, the lower a half turn of the upper; the two
    // slanted lines decide which half a point belongs to.
    if ((p.y < 0.225 - 0.5 * p.x && p.x > 0.0) || p.y < -0.225 - 0.5 * p.x) p = -p;
    if (ang(p, vec2(0.05, 0.2)) < 1.14) return hstad(p, vec2(0.0, 0.2), 0.2, 0.05);
    return spot(p, vec2(0.231505, 0.284));
}

float tt(vec2 p)
{
    return min(_j(vec2(0.05 - p.x, p.y - 0.4)), bar(p, 0.4, -0.25, 0.25));
}

float uu(vec2 p)
{
    return _u(p, 0.25, 0.25);
}

float vv(vec2 p)
{
    return line(vec2(abs(p.x), p.y), vec2(0.25, 0.4), vec2(0.0, -0.4));
}

float ww(vec2 p)
{
    vec2 a = vec2(abs(p.x), p.y);
    return min(line(a, vec2(0.3, 0.4), vec2(0.2, -0.4)), line(a, vec2(0.2, -0.4), vec2(0.0, 0.1)));
}

float xx(vec2 p)
{
    return line(abs(p), vec2(0.0, 0.0), vec2(0.3, 0.4));
}

float yy(vec2 p)
{
    return min(line(p, vec2(0.0, -0.2), vec2(-0.3, 0.4)), line(p, vec2(0.3, 0.4), vec2(-0.3, -0.8)));
}

float zz(vec2 p)
{
    float diag = line(p, vec2(0.25, 0.4), vec2(-0.25, -0.4));
    return min(diag, min(bar(p, 0.4, -0.25, 0.25), bar(p, -0.4, -0.25, 0.25)));
}

// --- Capitals ----------------------------------------------------------

// Stem x = -0.25 from the baseline to the cap height.
float leftstem(vec2 p)
{
    return stem(p, -0.25, -0.4, 0.6);
}

float AA(vec2 p)
{
    // An arched A: stems up to 0.35 under a half circle, and a crossbar.
    float arch = length(vec2(abs(length(vec2(p.x, max(0.0, p.y - 0.35))) - 0.25), min(0.0, p.y + 0.4)));
    return min(arch, bar(p, 0.1, -0.25, 0.25));
}

float BB(vec2 p)
{
    // One lobe, folded about y = 0.1 to make both.
    vec2 q = vec2(p.x, abs(p.y - 0.1));
    float lobe = length(vec2(abs(length(vec2(max(0.0, q.x), q.y - 0.25)) - 0.25), min(0.0, q.x + 0.25)));
    return min(lobe, leftstem(p));
}

float CC(vec2 p)
{
    vec2 q = vec2(p.x, abs(p.y - 0.1));
    if (p.x < 0.0 || ang(q, vec2(0.0, 0.25)) < 1.14) return vstad(p, vec2(0.0, 0.1), 0.25, 0.25);
    return min(stem(q, -0.25, -0.25, 0.25), spot(q, vec2(0.22734, 0.354)));
}

float DD(vec2 p)
{
    vec2 q = vec2(p.x, p.y - 0.1);
    float bow = length(vec2(abs(length(vec2(max(0.0, q.x), max(0.0, abs(q.y) - 0.25))) - 0.25), min(0.0, q.x + 0.25)));
    return min(bow, leftstem(p));
}

float EE(vec2 p)
{
    float bars = min(min(bar(p, 0.6, -0.25, 0.25), bar(p, 0.1, -0.25, 0.25)), bar(p, -0.4, -0.25, 0.25));
    return min(bars, leftstem(p));
}

float FF(vec2 p)
{
    return min(min(bar(p, 0.6, -0.25, 0.25), bar(p, 0.1, -0.25, 0.25)), leftstem(p));
}

float GG(vec2 p)
{
    // The C's outline with a spur in at the lower right.
    vec2 q = vec2(p.x, p.y - 0.1);
    float c;
    if (p.x < 0.0 || atan(q.x, max(0.0, abs(q.y) - 0.25)) < 1.14) c = vstad(p, vec2(0.0, 0.1), 0.25, 0.25);
    else c = min(stem(q, -0.25, -0.25, 0.25), spot(q, vec2(0.22734, 0.354)));
    float spur = min(stem(p, 0.22734, -0.254, 0.0), bar(p, 0.0, 0.05, 0.22734));
    return min(c, spur);
}

float HH(vec2 p)
{
    return min(stem(vec2(abs(p.x), p.y), 0.25, -0.4, 0.6), bar(p, 0.1, -0.25, 0.25));
}

float II(vec2 p)
{
    float serifs = min(bar(p, 0.6, -0.1, 0.1), bar(p, -0.4, -0.1, 0.1));
    return min(stem(p, 0.0, -0.4, 0.6), serifs);
}

float JJ(vec2 p)
{
    vec2 q = vec2(p.x + 0.125, p.y);
    float hook = length(vec2(abs(length(vec2(q.x, min(0.0, q.y + 0.15))) - 0.25),
                             max(0.0, max(-q.x, q.y - 0.6))));
    return min(hook, bar(p, 0.6, -0.125, 0.125));
}

float KK(vec2 p)
{
    float arm = line(p, vec2(-0.25, -0.1), vec2(0.25, 0.6));
    float leg = line(p, vec2(-0.1, 0.1), vec2(0.25, -0.4));
    return min(min(arm, leg), leftstem(p));
}

float LL(vec2 p)
{
    return min(stem(p, -0.2, -0.4, 0.6), bar(p, -0.4, -0.2, 0.2));
}

float MM(vec2 p)
{
    float stems = min(stem(p, -0.35, -0.4, 0.6), stem(p, 0.35, -0.4, 0.6));
    float vee = min(line(p, vec2(-0.35, 0.6), vec2(0.0, 0.0)), line(p, vec2(0.0, 0.0), vec2(0.35, 0.6)));
    return min(stems, vee);
}

float NN(vec2 p)
{
    float stems = min(stem(p, -0.25, -0.4, 0.6), stem(p, 0.25, -0.4, 0.6));
    return min(stems, line(p, vec2(-0.25, 0.6), vec2(0.25, -0.4)));
}

float OO(vec2 p)
{
    return vstad(p, vec2(0.0, 0.1), 0.25, 0.25);
}

float PP(vec2 p)
{
    float bow = length(vec2(abs(length(vec2(max(0.0, p.x), p.y - 0.35)) - 0.25), min(0.0, p.x + 0.25)));
    return min(bow, leftstem(p));
}

float QQ(vec2 p)
{
    // Tail: the segment (0.1, -0.2)-(0.3, -0.4), measured across and along
    // its diagonal.
    float a = p.x - 0.2;
    float b = p.y + 0.3;
    float tail = length(vec2(abs(a + b), max(0.0, abs(a - b) - 0.2))) / sqrt(2.0);
    return min(vstad(p, vec2(0.0, 0.1), 0.25, 0.25), tail);
}

float RR(vec2 p)
{
    return min(PP(p), line(p, vec2(0.0, 0.1), vec2(0.25, -0.4)));
}

float SS(vec2 p)
{
    // As ss: one arc and its half turn about (0, 0.1).
    vec2 q = vec2(p.x, p.y - 0.1);
    if ((q.y < 0.275 - 0.5 * q.x && q.x > 0.0) || q.y < -0.275 - 0.5 * q.x) q = -q;
    if (ang(q, vec2(0.05, 0.25)) < 1.14) return ring(q, vec2(0.0, 0.25), 0.25);
    return spot(q, vec2(0.236, 0.332));
}

float TT(vec2 p)
{
    return min(stem(p, 0.0, -0.4, 0.6), bar(p, 0.6, -0.25, 0.25));
}

float UU(vec2 p)
{
    return length(vec2(abs(length(vec2(p.x, min(0.0, p.y + 0.15))) - 0.25), max(0.0, p.y - 0.6)));
}

float VV(vec2 p)
{
    return line(vec2(abs(p.x), p.y), vec2(0.25, 0.6), vec2(0.0, -0.4));
}

float WW(vec2 p)
{
    vec2 a = vec2(abs(p.x), p.y);
    return min(line(a, vec2(0.3, 0.6), vec2(0.2, -0.4)), line(a, vec2(0.2, -0.4), vec2(0.0, 0.2)));
}

float XX(vec2 p)
{
    return line(vec2(abs(p.x), abs(p.y - 0.1)), vec2(0.0, 0.0), vec2(0.3, 0.5));
}

float YY(vec2 p)
{
    float arms = min(line(p, vec2(0.0, 0.1), vec2(-0.3, 0.6)), line(p, vec2(0.0, 0.1), vec2(0.3, 0.6)));
    return min(arms, stem(p, 0.0, -0.4, 0.1));
}

float ZZ(vec2 p)
{
    float diag = line(p, vec2(0.25, 0.6), vec2(-0.25, -0.4));
    return min(diag, min(bar(p, 0.6, -0.25, 0.25), bar(p, -0.4, -0.25, 0.25)));
}

// --- Digits ------------------------------------------------------------

float _11(vec2 p)
{
    float flag = line(p, vec2(-0.2, 0.45), vec2(0.0, 0.6));
    return min(min(flag, stem(p, 0.0, -0.4, 0.6)), bar(p, -0.4, -0.2, 0.2));
}

float _22(vec2 p)
{
    // Head arc from a rounded end at the upper left over the top, reaching
    // 0.625, down to where the diagonal meets it.
    vec2 q = vec2(p.x + 0.025, p.y - 0.35);
    float head;
    if (abs(atan(q.x, q.y) - 0.63) < 1.64) head = ring(q, vec2(0.0, 0.0), 0.275);
    else head = spot(q, vec2(-0.23, 0.15));
    float diag = line(p, vec2(0.185, 0.17), vec2(-0.25, -0.4));
    return min(min(diag, bar(p, -0.4, -0.25, 0.25)), head);
}

float _33(vec2 p)
{
    // Two bowls open to the left, folded about the waist at y = 0.1.
    vec2 q = vec2(p.x, abs(p.y - 0.1) - 0.25);
    if (atan(q.x, q.y) > -1.0) return ring(q, vec2(0.0, 0.0), 0.25);
    return min(spot(q, vec2(-0.211, 0.134)), spot(q, vec2(0.0, -0.25)));
}

float _44(vec2 p)
{
    float diag = line(p, vec2(0.15, 0.6), vec2(-0.25, -0.1));
    return min(min(stem(p, 0.15, -0.4, 0.6), diag), bar(p, -0.1, -0.25, 0.25));
}

float _55(vec2 p)
{
    // A circle about (-0.05, -0.1) left open on its left side.
    vec2 q = vec2(p.x + 0.05, p.y + 0.1);
    float bowl;
    if (abs(atan(q.x, q.y) + 1.57) < 0.86 && q.x < 0.0) bowl = spot(q, vec2(-0.2, -0.224));
    else bowl = ring(q, vec2(0.0, 0.0), 0.3);
    return min(min(bar(p, 0.6, -0.25, 0.25), stem(p, -0.25, 0.124, 0.596)), bowl);
}

float _99(vec2 p)
{
    // A closed head; its right side runs on down and round the bottom to a
    // rounded end at (-0.2, -0.3).
    vec2 r = vec2(p.x, p.y - 0.125);
    vec2 h = r - vec2(0.0, 0.175);
    float head = vstad(h, vec2(0.0, 0.0), 0.25, 0.05);
    float tail;
    if (cos(atan(h.x, h.y + 0.45) + 0.65) < 0.0 || (h.x > 0.0 && h.y < 0.0))
        tail = vstad(r, vec2(0.0, 0.0), 0.25, 0.275);
    else
        tail = spot(h, vec2(-0.2, -0.6));
    return min(head, tail);
}

float _66(vec2 p)
{
    return _99(vec2(-p.x, 0.2 - p.y));
}

float _77(vec2 p)
{
    return min(bar(p, 0.6, -0.25, 0.25), line(p, vec2(-0.25, -0.39), vec2(0.25, 0.6)));
}

float _88(vec2 p)
{
    // Two circles and a waist stroke slanted by offsetting y.
    vec2 q = vec2(p.x, abs(p.y - 0.1) - 0.245);
    float waist = length(vec2(max(0.0, abs(p.x) - 0.08), p.y - 0.1 + 0.07 * p.x));
    return min(ring(q, vec2(0.0, 0.0), 0.255), waist);
}

float _00(vec2 p)
{
    return vstad(p, vec2(0.0, 0.1), 0.25, 0.25);
}

// --- Symbols -----------------------------------------------------------

float ddot(vec2 p)
{
    return 0.97 * spot(p, vec2(0.0, -0.4));
}

float comma(vec2 p)
{
    return min(ddot(p), line(p, vec2(0.031, -0.405), vec2(-0.029, -0.52)));
}

float exclam(vec2 p)
{
    // The stem's distance lessened by 0.06 y, so the stroke widens upward.
    return min(ddot(p), stem(p, 0.0, -0.2, 0.6) - 0.06 * p.y);
}

float question(vec2 p)
{
    vec2 q = vec2(p.x + 0.025, p.y - 0.35);
    float hook;
    if (abs(atan(q.x, q.y) - 1.05) < 2.0) hook = ring(q, vec2(0.0, 0.0), 0.275);
    else hook = spot(q, vec2(-0.225, 0.16));
    return min(min(ddot(p), stem(p, 0.0, -0.1475, 0.0775)), hook);
}

float open1(vec2 p)
{
    // A shallow arc of radius 0.8 about a centre far to the right.
    vec2 q = vec2(p.x - 0.62, p.y);
    if (abs(atan(q.x, q.y) + 1.57) < 1.0) return ring(q, vec2(0.0, 0.0), 0.8);
    return length(vec2(q.x + 0.435, abs(q.y) - 0.672));
}

float close1(vec2 p)
{
    return open1(vec2(-p.x, p.y));
}

float dotdot(vec2 p)
{
    return min(spot(p, vec2(0.0, 0.35)), spot(p, vec2(0.0, -0.15)));
}

float dotcomma(vec2 p)
{
    return min(dotdot(p), line(p, vec2(0.0, -0.18), vec2(-0.029, -0.22)));
}

float eequal(vec2 p)
{
    return min(bar(p, 0.25, -0.25, 0.25), bar(p, -0.05, -0.25, 0.25));
}

float aadd(vec2 p)
{
    return min(bar(p, 0.1, -0.25, 0.25), stem(p, 0.0, -0.15, 0.35));
}

float ssub(vec2 p)
{
    return bar(p, 0.1, -0.25, 0.25);
}

float mmul(vec2 p)
{
    // Six arms of 0.25 from (0, 0.1): one quarter, folded about both axes.
    vec2 a = vec2(abs(p.x), abs(p.y - 0.1));
    return min(line(a, vec2(0.0, 0.0), vec2(0.2165, 0.125)), stem(a, 0.0, 0.0, 0.25));
}

float ddiv(vec2 p)
{
    return line(p, vec2(-0.25, -0.4), vec2(0.25, 0.6));
}

float lt(vec2 p)
{
    return line(vec2(p.x, abs(p.y - 0.1)), vec2(0.25, 0.25), vec2(-0.25, 0.0));
}

float gt(vec2 p)
{
    return lt(vec2(-p.x, p.y));
}

float hash(vec2 p)
{
    // Slanted forward by 0.1 per unit of height, folded about its centre.
    vec2 q = vec2(p.x - 0.1 * (p.y - 0.1), p.y - 0.1);
    vec2 a = abs(q);
    return min(stem(a, 0.125, -0.3, 0.3), bar(a, 0.125, -0.25, 0.25));
}

float and(vec2 p)
{
    // A small loop open at the bottom, its legs crossing down to a bowl open
    // toward the upper right, and a short up-stroke.
    vec2 q = vec2(p.x + 0.05, p.y - 0.44);
    float loop = abs(atan(q.x, q.y)) < 2.356 ? ring(q, vec2(0.0, 0.0), 0.15) : 1.0;
    float legs = min(line(q, vec2(-0.106, -0.106), vec2(0.4, -0.712)),
                     line(q, vec2(0.106, -0.106), vec2(-0.116, -0.397)));
    vec2 t = q - vec2(0.025, -0.54);
    float bowl = abs(atan(t.x, t.y) - 0.785) > 1.57 ? ring(t, vec2(0.0, 0.0), 0.2) : 1.0;
    float tick = line(t, vec2(0.141, -0.141), vec2(0.377, 0.177));
    return min(min(loop, legs), min(bowl, tick));
}

float or(vec2 p)
{
    return stem(p, 0.0, -0.4, 0.6);
}

float und(vec2 p)
{
    return bar(p, -0.4, -0.25, 0.25);
}

float open2(vec2 p)
{
    // Folded about y = 0.1: the stem from -0.4 to 0.6 and the bars at 0.6
    // and -0.4 become one half-stem and one bar.
    vec2 a = vec2(p.x, abs(p.y - 0.1));
    return min(stem(a, -0.125, -0.5, 0.5), bar(a, 0.5, -0.125, 0.125));
}

float close2(vec2 p)
{
    return open2(vec2(-p.x, p.y));
}

float open3(vec2 p)
{
    // A brace: tips at (0.2, 0.6) and (0.2, -0.4), point at (-0.2, 0.1).
    vec2 q = vec2(p.x, abs(p.y - 0.1));
    float side = sign(q.y - 0.25);
    float arc = length(vec2(side * p.x - 0.2, max(0.0, abs(q.y - 0.25) - 0.05)));
    return length(vec2(abs(arc - 0.2), max(0.0, abs(p.x) - 0.2)));
}

float close3(vec2 p)
{
    return open3(vec2(-p.x, p.y));
}
