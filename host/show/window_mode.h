// The show's window mode: the window flags its options ask for and the keys
// that switch between window and fullscreen.
#pragma once

#include "show_options.h"

#include <SDL.h>

// Resizable, with the drawable at the screen's pixel size on HiDPI screens,
// and desktop fullscreen with --fullscreen.
Uint32 window_flags(const ShowOptions& options);

// Where the window opens: centred on the monitor --display names, or on the
// first when there is no such monitor (said on stderr); without --display
// wherever SDL puts it. SDL's video must be running.
int window_position(const ShowOptions& options);

// What the fullscreen keys remember from one key event to the next.
struct FullscreenKeys {
    bool alt_enter_down = false;  // Enter went down with Alt held
};

// Fed every key press and release: true on the release that toggles
// fullscreen, that of F11 or of an Enter pressed while Alt was held (Alt may
// be let go first).
bool is_fullscreen_toggle(FullscreenKeys* keys, const SDL_KeyboardEvent& key);
