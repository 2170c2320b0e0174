// The desktop's cards as textures (platform.h): SDL_image decodes the PNG
// from the media store, and a blit puts it in the card layout.
#include "gpu.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>

GLuint load_card_texture(const unsigned char* png, size_t length, const char* name)
{
    SDL_RWops* stream = SDL_RWFromConstMem(png, static_cast<int>(length));
    SDL_Surface* decoded = stream ? IMG_LoadPNG_RW(stream) : nullptr;
    if (stream) SDL_RWclose(stream);
    if (!decoded) {
        std::fprintf(stderr, "krelan: the %s card failed to decode: %s\n", name, IMG_GetError());
        return 0;
    }
    // The card program reads each texel back to front: it takes the image's red
    // from the texture's alpha and so on. Channel masks R 0xFF000000 ...
    // A 0x000000FF put the bytes A, B, G, R in memory, which GL uploads as
    // texture r, g, b, a.
    SDL_Surface* card = SDL_CreateRGBSurface(0, decoded->w, decoded->h, 32, 0xFF000000, 0x00FF0000,
                                             0x0000FF00, 0x000000FF);
    if (!card) {
        std::fprintf(stderr, "krelan: no surface for the %s card: %s\n", name, SDL_GetError());
        SDL_FreeSurface(decoded);
        return 0;
    }
    SDL_UpperBlit(decoded, nullptr, card, nullptr);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, card->pitch / 4);
    GLuint texture = create_texture(card->w, card->h, card->pixels, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    SDL_FreeSurface(card);
    SDL_FreeSurface(decoded);
    return texture;
}
