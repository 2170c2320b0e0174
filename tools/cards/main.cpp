// krelan-cards: draws the warning card and the end card as PNG files, with
// the show's own font through its GL code (offscreen unless SDL_VIDEODRIVER
// names another video driver).
//
//   krelan-cards --warning assets/warning.png --end assets/end.png
//   krelan-cards --icons assets/icons

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "card_renderer.h"
#include "cards.h"
#include "files.h"
#include "icon.h"
#include "png_file.h"

namespace {

bool draw_card(const std::string& path, bool (*lay_out)(const Font&, Drawing*, std::string*),
               const Font& font)
{
    Drawing drawing;
    std::string error;
    std::vector<uint8_t> rgb;
    if (lay_out(font, &drawing, &error)) rgb = render_card(drawing, &error);
    if (rgb.empty()) {
        std::fprintf(stderr, "krelan-cards: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    Image card;
    card.width = k_card_width;
    card.height = k_card_height;
    card.channels = 3;
    card.pixels = std::move(rgb);
    if (!write_file(path, png_bytes(card, 9))) {
        std::fprintf(stderr, "krelan-cards: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string warning, end, icons;
    bool usage = argc < 3 || argc % 2 == 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--warning"))
            warning = argv[i + 1];
        else if (!std::strcmp(argv[i], "--end"))
            end = argv[i + 1];
        else if (!std::strcmp(argv[i], "--icons"))
            icons = argv[i + 1];
        else
            usage = true;
    }
    if (usage) {
        std::fprintf(stderr,
                     "usage: krelan-cards [--warning FILE.png] [--end FILE.png] [--icons DIR]\n");
        return 2;
    }
    const ShaderDirs dirs{KRELAN_SHOW_SHADER_DIR, KRELAN_CARDS_SHADER_DIR};
    Font font;
    std::string error;
    if (!load_font(dirs.show, &font, &error) || !start_renderer(font, dirs, &error)) {
        std::fprintf(stderr, "krelan-cards: %s\n", error.c_str());
        stop_renderer();
        return 1;
    }
    bool ok = (warning.empty() || draw_card(warning, draw_warning_card, font)) &&
              (end.empty() || draw_card(end, draw_end_card, font)) &&
              (icons.empty() || write_icons(icons, font));
    stop_renderer();
    return ok ? 0 : 1;
}
