#include "window_mode.h"

#include <cstdio>

Uint32 window_flags(const ShowOptions& options)
{
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (options.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    return flags;
}

int window_position(const ShowOptions& options)
{
    if (!options.on_display) return SDL_WINDOWPOS_UNDEFINED;
    const int displays = SDL_GetNumVideoDisplays();
    if (options.display < displays) return SDL_WINDOWPOS_CENTERED_DISPLAY(options.display);
    std::fprintf(stderr, "krelan: there is no display %d (%d found); the show opens on display 0\n",
                 options.display, displays < 0 ? 0 : displays);
    return SDL_WINDOWPOS_CENTERED_DISPLAY(0);
}

bool is_fullscreen_toggle(FullscreenKeys* keys, const SDL_KeyboardEvent& key)
{
    const SDL_Keycode sym = key.keysym.sym;
    if (sym == SDLK_F11) return key.type == SDL_KEYUP;
    if (sym != SDLK_RETURN && sym != SDLK_KP_ENTER) return false;
    if (key.type == SDL_KEYDOWN) {
        if (!key.repeat) keys->alt_enter_down = (key.keysym.mod & KMOD_ALT) != 0;
        return false;
    }
    const bool toggle = keys->alt_enter_down;
    keys->alt_enter_down = false;
    return toggle;
}
