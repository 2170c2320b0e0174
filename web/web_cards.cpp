// The web's cards and media store (platform.h).
#include "web_cards.h"

#include "gpu.h"
#include "media_store.h"

#include <cstdio>
#include <vector>

namespace {

// The module's state: the two decoded cards the page fills in.
struct CardPixels {
    unsigned char warning[k_frame_bytes];
    unsigned char end[k_frame_bytes];
};
CardPixels cards;

}  // namespace

// In the browser the store holds the decoded cards; the page plays the music
// itself, so the store's music is empty.
const EmbeddedAsset asset_music = {nullptr, 0};
const EmbeddedAsset asset_warning_card = {cards.warning, k_frame_bytes};
const EmbeddedAsset asset_end_card = {cards.end, k_frame_bytes};

unsigned char* web_card_pixels(int card) { return card == 0 ? cards.warning : cards.end; }

// The card layout: texture channels r, g, b, a hold the image's A, B, G, R
// and texture row 0 its top row, so each pixel's four bytes are reversed.
// The page's buffer is left as it is.
GLuint load_card_texture(const unsigned char* pixels, size_t length, const char* name)
{
    if (length != k_frame_bytes) {
        std::fprintf(stderr, "krelan: the %s card is not a decoded 1920x1080 image\n", name);
        return 0;
    }
    std::vector<unsigned char> layout(length);
    for (size_t i = 0; i < length; ++i) layout[i] = pixels[i - i % 4 + 3 - i % 4];
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    return create_texture(k_frame_width, k_frame_height, layout.data(), GL_CLAMP);
}
