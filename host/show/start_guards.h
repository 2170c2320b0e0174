// Guards the show needs around start-up: standard streams that are closed or
// broken, a video driver that shows nothing, and a start wait that a window
// close, a signal or Escape must be able to end.
#pragma once

#include <SDL.h>

// Opens /dev/null on any of standard input, output and error that is closed,
// so no later file (the X connection) takes its number, and ignores SIGPIPE
// so a closed reader cannot end the show. Call before anything opens a file.
void guard_standard_streams();

// Writes "Sample: %d\nBeat: %f\n" to standard output without waiting: when
// the output cannot take it now (a full pipe) or fails, the line is dropped.
void print_debug_values(int sample, double beat);

// False, with SDL's failure message, when SDL has fallen back to a video
// driver that shows nothing (offscreen, dummy) that SDL_VIDEODRIVER did not
// name. Call after SDL_Init.
bool video_driver_shows_picture();

// Waits `ms` milliseconds with events pumped; false as soon as a window
// close, SIGINT/SIGTERM or a released Escape asks the show to quit. Other
// keys stay queued for the frame loop.
bool wait_unless_quit(Uint32 ms);
