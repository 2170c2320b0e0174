// The show's mixer on SDL_mixer, opened in the format every front-end shares
// (mixer_format.h): the show plays through it, the renderer's soundtrack
// mixes through it.
#pragma once

// Opens SDL_mixer's audio device in the show's format; SDL's audio must be
// running. False with SDL_mixer's reason (Mix_GetError) otherwise.
bool open_show_mixer();

// Whether the opened device has the show's format exactly: SDL_mixer accepts
// another rate or channel count when the device offers only that.
bool mixer_has_show_format();
