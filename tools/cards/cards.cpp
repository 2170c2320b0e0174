#include "cards.h"

const char* const k_separator = " \xC2\xB7 ";  // a middle dot between single spaces

namespace {

constexpr float k_centre_x = k_card_width / 2.0f;
// Glyph units from the baseline up to the row's centre line, where a cell's
// origin lies.
constexpr float k_baseline_to_centre = 0.4f;

void add_rule(Drawing* drawing, int y, int half_length, int thickness)
{
    const int x = int(k_centre_x);
    drawing->rules.push_back({x - half_length, y, x + half_length, y + thickness});
}

// The emblem: a face of radius r about (cx, cy), pixels, y down.
void add_emblem(Drawing* drawing, float cx, float cy, float r)
{
    drawing->marks.push_back({k_emblem_ring, cx, cy, r, k_blue});
    drawing->marks.push_back({k_emblem_face, cx, cy, r, k_white});
}

// The four warning words in a row, alternating white and blue.
bool add_word_row(const Font& font, float baseline, Drawing* drawing, std::string* error)
{
    std::vector<Run> runs;
    const auto& words = warning_words();
    for (size_t i = 0; i < words.size(); ++i) {
        if (i) runs.push_back({k_separator, k_blue});
        runs.push_back({words[i], i % 2 ? k_blue : k_white});
    }
    return set_line(font, runs, k_centre_x, baseline, {58.0f}, drawing, error);
}

}  // namespace

bool set_line(const Font& font, const std::vector<Run>& runs, float centre_x, float baseline,
              const TextStyle& style, Drawing* drawing, std::string* error)
{
    std::vector<std::pair<CharGlyph, Color>> line;
    for (const Run& run : runs) {
        std::vector<CharGlyph> glyphs;
        if (!set_text(font, run.text, &glyphs, error)) return false;
        for (const CharGlyph& g : glyphs) line.push_back({g, run.ink});
    }
    float width = line.empty() ? 0 : style.tracking * float(line.size() - 1);
    for (const auto& [glyph, ink] : line) width += glyph.advance;
    // The cursor walks the line in glyph units; each cell is centred on the
    // middle of its advance, as in the scroller.
    float cursor = -width / 2.0f;
    for (const auto& [glyph, ink] : line) {
        if (!glyph.glyph.empty()) {
            const float x = centre_x + (cursor + glyph.advance / 2.0f) * style.scale;
            const float y = baseline - (k_baseline_to_centre + glyph.raise) * style.scale;
            drawing->marks.push_back({glyph.glyph, x, y, style.scale, ink});
        }
        cursor += glyph.advance + style.tracking;
    }
    return true;
}

const std::vector<std::string>& warning_words()
{
    static const std::vector<std::string> words = {"WARNING", "ACHTUNG", "ATTENTION", "ATTENZIONE"};
    return words;
}

const std::vector<std::string>& warning_paragraphs()
{
    static const std::vector<std::string> paragraphs = {
        "THIS PRODUCTION CONTAINS FAST FLASHING LIGHTS, STROBING WHITE SCREENS AND RAPID CUTS "
        "TIMED TO LOUD "
        "MUSIC. A SMALL NUMBER OF PEOPLE MAY HAVE A SEIZURE WHEN EXPOSED TO SUCH LIGHT PATTERNS.",
        "THIS CAN HAPPEN EVEN TO PEOPLE WHO HAVE NEVER HAD A SEIZURE OR EPILEPSY BEFORE. IF YOU OR "
        "ANYONE IN "
        "YOUR FAMILY HAS EVER HAD ONE, TALK TO A DOCTOR BEFORE WATCHING.",
        "STOP WATCHING AT ONCE IF YOU FEEL DIZZY, SEE BLURRED OR ALTERED VISION, NOTICE TWITCHING "
        "EYES OR "
        "MUSCLES, OR FEEL CONFUSED. WATCH FROM A DISTANCE IN A WELL LIT ROOM, AND TAKE A BREAK IF "
        "YOU ARE TIRED.",
    };
    return paragraphs;
}

const EndCardText& end_card_text()
{
    static const EndCardText text = {
        "A MIRRODAX RELEASE",
        "KRELAN",
        "SINEHOLM 2026",
        {{"CODE", "QUILLFEX"},
         {"TOOLS", "VEXKARN"},
         {"MUSIC", "TARNWAVE"},
         {"GRAPHICS", "OBVELIX"}},
    };
    return text;
}

bool draw_warning_card(const Font& font, Drawing* drawing, std::string* error)
{
    *drawing = {};
    if (!add_word_row(font, 112.0f, drawing, error)) return false;
    add_rule(drawing, 146, 800, 4);

    // The disclaimer, centred line by line in the space between the rules.
    const TextStyle body{28.0f};
    const float line_step = 2.0f * body.scale, paragraph_gap = 1.1f * body.scale;
    std::vector<std::vector<std::string>> blocks;
    float height = 0;
    for (const std::string& p : warning_paragraphs()) {
        blocks.push_back(wrap_text(font, p, 1560.0f / body.scale));
        height += float(blocks.back().size()) * line_step;
    }
    height += paragraph_gap * float(blocks.size() - 1);
    // The first line's capitals start half a line step's leading below the
    // block's top; the block is centred between the rules.
    const float top = 150.0f, bottom = 756.0f;
    float baseline = (top + bottom - height) / 2.0f + (line_step + body.scale) / 2.0f;
    for (const auto& lines : blocks) {
        for (const std::string& line : lines) {
            if (!set_line(font, {{line, k_white}}, k_centre_x, baseline, body, drawing, error))
                return false;
            baseline += line_step;
        }
        baseline += paragraph_gap;
    }

    add_rule(drawing, 756, 800, 4);
    if (!add_word_row(font, 842.0f, drawing, error)) return false;
    add_emblem(drawing, k_centre_x, 966.0f, 70.0f);
    return true;
}

bool draw_end_card(const Font& font, Drawing* drawing, std::string* error)
{
    *drawing = {};
    const EndCardText& text = end_card_text();
    const TextStyle small{40.0f};

    if (!set_line(font, {{text.label, k_blue}}, k_centre_x, 300.0f, small, drawing, error))
        return false;
    add_rule(drawing, 344, 600, 5);
    if (!set_line(font, {{text.title, k_white}}, k_centre_x, 610.0f, {220.0f, 0.15f}, drawing,
                  error))
        return false;
    add_rule(drawing, 650, 600, 5);
    if (!set_line(font, {{text.event, k_white}}, k_centre_x, 736.0f, small, drawing, error))
        return false;

    std::vector<Run> credits;
    for (size_t i = 0; i < text.credits.size(); ++i) {
        if (i) credits.push_back({k_separator, k_blue});
        credits.push_back({text.credits[i].first + " ", k_blue});
        credits.push_back({text.credits[i].second, k_white});
    }
    return set_line(font, credits, k_centre_x, 990.0f, {30.0f}, drawing, error);
}
