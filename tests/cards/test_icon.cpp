// The application icon: the committed PNGs are what the card tool draws
// today, and each size shows the white letter inside the blue ring on black.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "card_renderer.h"
#include "icon.h"
#include "png_file.h"

TEST(Icon, CommittedIconsAreTheToolsDrawingAtEverySize)
{
    const ShaderDirs dirs{KRELAN_SHOW_SHADER_DIR, KRELAN_CARDS_SHADER_DIR};
    Font font;
    std::string error;
    ASSERT_TRUE(load_font(dirs.show, &font, &error)) << error;
    ASSERT_TRUE(start_renderer(font, dirs, &error)) << error;
    for (const int size : icon_sizes()) {
        const std::vector<uint8_t> drawn = render_icon(font, size, &error);
        ASSERT_EQ(drawn.size(), size_t(size) * size * 3) << size << ": " << error;
        Image committed;
        const std::string path =
            std::string(KRELAN_ASSET_DIR) + "/icons/krelan-" + std::to_string(size) + ".png";
        ASSERT_TRUE(read_png_rgba(path, &committed, &error, size, size)) << error;

        // Another Mesa may round an edge pixel differently; nothing more.
        int differing = 0, white = 0, blue = 0;
        for (size_t i = 0; i < size_t(size) * size; ++i) {
            const uint8_t* d = &drawn[i * 3];
            const uint8_t* c = &committed.pixels[i * 4];
            for (int k = 0; k < 3; ++k) differing += std::abs(d[k] - c[k]) > 2;
            white += d[0] == d[1] && d[1] == d[2] && d[0] > 128;
            blue += d[2] > 128 && d[0] < d[2] / 2;
        }
        EXPECT_EQ(differing, 0) << path << " is not what krelan-cards --icons draws";
        EXPECT_GT(white, size * size / 100) << size << ": no letter";
        EXPECT_GT(blue, size * size / 100) << size << ": no ring";
        for (const size_t corner :
             {size_t(0), size_t(size - 1), size_t(size) * (size - 1), size_t(size) * size - 1})
            EXPECT_EQ(drawn[corner * 3] + drawn[corner * 3 + 1] + drawn[corner * 3 + 2], 0)
                << size << ": a corner is not black";
    }
    EXPECT_TRUE(render_icon(font, 2000, &error).empty());  // larger than a card
    stop_renderer();
}
