// krelan-cards: draws the warning card and the end card as PNG files.
//
//   krelan-cards --warning assets/warning.png --end assets/end.png

#include <cstdio>
#include <cstring>
#include <string>

#include "cards.hpp"
#include "png_writer.hpp"

using namespace krelan::cards;

int main(int argc, char** argv) {
    std::string warning, end;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--warning"))
            warning = argv[i + 1];
        else if (!std::strcmp(argv[i], "--end"))
            end = argv[i + 1];
    }
    if (warning.empty() && end.empty()) {
        std::fprintf(stderr, "usage: krelan-cards [--warning FILE.png] [--end FILE.png]\n");
        return 2;
    }
    if (!warning.empty() && !write_png(warning, draw_warning_card())) {
        std::fprintf(stderr, "cannot write %s\n", warning.c_str());
        return 1;
    }
    if (!end.empty() && !write_png(end, draw_end_card())) {
        std::fprintf(stderr, "cannot write %s\n", end.c_str());
        return 1;
    }
    return 0;
}
