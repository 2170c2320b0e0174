#include "cards.hpp"

#include <cmath>

#include "font.hpp"

namespace krelan::cards {

namespace {

constexpr float kCentreX = kCardWidth / 2.0f;

struct Piece {
    std::string text;
    Color color;
};

// Draws pieces of text separated by single spaces as one centred line.
void draw_line(Canvas& canvas, const std::vector<Piece>& pieces, float baseline, const TextStyle& style) {
    std::string joined;
    std::vector<float> offsets;
    for (const Piece& p : pieces) {
        if (!joined.empty()) joined += ' ';
        offsets.push_back(text_width(joined, style));
        joined += p.text;
    }
    float x = kCentreX - text_width(joined, style) / 2.0f;
    for (size_t i = 0; i < pieces.size(); ++i)
        canvas.stroke(layout_text(pieces[i].text, x + offsets[i], baseline, style), style.stroke, pieces[i].color);
}

void draw_centred(Canvas& canvas, const std::string& text, float baseline, const TextStyle& style, Color color) {
    draw_line(canvas, {{text, color}}, baseline, style);
}

// The four warning words in a row, alternating white and blue.
void draw_word_row(Canvas& canvas, float baseline) {
    const TextStyle style{46.0f, 5.5f, 2.8f};
    std::vector<Piece> pieces;
    const auto& words = warning_words();
    for (size_t i = 0; i < words.size(); ++i) {
        if (i) pieces.push_back({"*", kBlue});
        pieces.push_back({words[i], i % 2 ? kBlue : kWhite});
    }
    draw_line(canvas, pieces, baseline, style);
}

void draw_rule(Canvas& canvas, float y, float half_length, float thickness) {
    canvas.fill_rect(kCentreX - half_length, y, kCentreX + half_length, y + thickness, kWhite);
}

std::vector<Polyline> ellipse_arc(float cx, float cy, float rx, float ry, float a0, float a1) {
    Polyline p;
    const int steps = 96;
    for (int i = 0; i <= steps; ++i) {
        float a = a0 + (a1 - a0) * float(i) / float(steps);
        p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return {p};
}

// A round smiling face: blue ring, white eyes and mouth.
void draw_smiley(Canvas& canvas, float cx, float cy, float r) {
    const float pi = 3.14159265f;
    canvas.stroke(ellipse_arc(cx, cy, r, r, 0.0f, 2.0f * pi), r * 0.1f, kBlue);
    std::vector<Polyline> eyes = {{{cx - r * 0.33f, cy - r * 0.42f}, {cx - r * 0.33f, cy - r * 0.18f}},
                                  {{cx + r * 0.33f, cy - r * 0.42f}, {cx + r * 0.33f, cy - r * 0.18f}}};
    canvas.stroke(eyes, r * 0.13f, kWhite);
    // y grows downwards on the canvas, so angles 0.15 pi .. 0.85 pi are the lower arc.
    canvas.stroke(ellipse_arc(cx, cy + r * 0.02f, r * 0.55f, r * 0.5f, 0.17f * pi, 0.83f * pi), r * 0.1f, kWhite);
}

}  // namespace

const std::vector<std::string>& warning_words() {
    static const std::vector<std::string> words = {"WARNING", "ACHTUNG", "ATTENTION", "ATTENZIONE"};
    return words;
}

const std::vector<std::string>& warning_paragraphs() {
    static const std::vector<std::string> paragraphs = {
        "THIS PRODUCTION CONTAINS FAST FLASHING LIGHTS, STROBING WHITE SCREENS AND RAPID CUTS TIMED TO LOUD "
        "MUSIC. A SMALL NUMBER OF PEOPLE MAY HAVE A SEIZURE WHEN EXPOSED TO SUCH LIGHT PATTERNS.",
        "THIS CAN HAPPEN EVEN TO PEOPLE WHO HAVE NEVER HAD A SEIZURE OR EPILEPSY BEFORE. IF YOU OR ANYONE IN "
        "YOUR FAMILY HAS EVER HAD ONE, TALK TO A DOCTOR BEFORE WATCHING.",
        "STOP WATCHING AT ONCE IF YOU FEEL DIZZY, SEE BLURRED OR ALTERED VISION, NOTICE TWITCHING EYES OR "
        "MUSCLES, OR FEEL CONFUSED. WATCH FROM A DISTANCE IN A WELL LIT ROOM, AND TAKE A BREAK IF YOU ARE TIRED.",
    };
    return paragraphs;
}

const EndCardText& end_card_text() {
    static const EndCardText text = {
        "A MIRRODAX RELEASE",
        "KRELAN",
        "SINEHOLM 2026",
        {{"CODE", "QUILLFEX"}, {"TOOLS", "VEXKARN"}, {"MUSIC", "TARNWAVE"}, {"GRAPHICS", "OBVELIX"}},
    };
    return text;
}

Canvas draw_warning_card() {
    Canvas canvas(kCardWidth, kCardHeight, kBlack);
    draw_word_row(canvas, 108.0f);
    draw_rule(canvas, 146.0f, 800.0f, 4.0f);

    // The disclaimer, centred line by line in the space between the rules.
    const TextStyle body{24.0f, 3.2f, 2.6f};
    const float line_step = 42.0f, paragraph_gap = 30.0f;
    std::vector<std::vector<std::string>> blocks;
    float height = 0.0f;
    for (const std::string& p : warning_paragraphs()) {
        blocks.push_back(wrap_text(p, 1560.0f, body));
        height += float(blocks.back().size()) * line_step;
    }
    height += paragraph_gap * float(blocks.size() - 1);
    const float top = 150.0f, bottom = 756.0f;
    float baseline = (top + bottom) / 2.0f - height / 2.0f + line_step - (line_step - body.cap_height) / 2.0f;
    for (const auto& lines : blocks) {
        for (const std::string& line : lines) {
            draw_centred(canvas, line, baseline, body, kWhite);
            baseline += line_step;
        }
        baseline += paragraph_gap;
    }

    draw_rule(canvas, 756.0f, 800.0f, 4.0f);
    draw_word_row(canvas, 846.0f);
    draw_smiley(canvas, kCentreX, 964.0f, 72.0f);
    return canvas;
}

Canvas draw_end_card() {
    Canvas canvas(kCardWidth, kCardHeight, kBlack);
    const EndCardText& text = end_card_text();

    draw_centred(canvas, text.label, 300.0f, {32.0f, 4.0f, 3.0f}, kBlue);
    draw_rule(canvas, 344.0f, 600.0f, 5.0f);
    draw_centred(canvas, text.title, 598.0f, {190.0f, 21.0f, 3.4f}, kWhite);
    draw_rule(canvas, 650.0f, 600.0f, 5.0f);
    draw_centred(canvas, text.event, 734.0f, {32.0f, 4.0f, 3.0f}, kWhite);

    std::vector<Piece> credits;
    for (size_t i = 0; i < text.credits.size(); ++i) {
        if (i) credits.push_back({"*", kBlue});
        credits.push_back({text.credits[i].first, kBlue});
        credits.push_back({text.credits[i].second, kWhite});
    }
    draw_line(canvas, credits, 990.0f, {24.0f, 3.2f, 2.6f});
    return canvas;
}

}  // namespace krelan::cards
