// The show's mixer on SDL_mixer, opened in the format every front-end shares
// (mixer_format.h): the show plays through it, the renderer's soundtrack
// mixes through it.
#pragma once

// Opens SDL_mixer's audio device in the show's format exactly: where the
// device wants another rate, format or channel count, SDL converts the
// mixer's output for it, so the mixer's chunks, the level meter and the
// transport always count in the show's format. SDL's audio must be running.
// False with SDL_mixer's reason (Mix_GetError) otherwise.
bool open_show_mixer();
