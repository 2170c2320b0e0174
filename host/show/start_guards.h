// Guards the show needs around start-up: standard streams that are closed or
// broken, a video driver that shows nothing, and a start wait that a window
// close, a signal or Escape must be able to end. The standard streams are
// the platform's: start_guards_posix.cpp, start_guards_windows.cpp.
#pragma once

#include <SDL.h>

#include <cstddef>

// Makes the standard streams usable before anything is printed (call it
// first in main). On POSIX systems: ignores SIGPIPE, so a closed reader is a
// failed write (EPIPE), not the show's silent end. On Windows, where the show
// is a GUI program: streams that the parent gave (a pipe, a file) are kept;
// otherwise the output goes to the console of the command prompt it was
// started from, and with no console at all (started from Explorer) to
// krelan-demo.log beside the executable, or in the temporary folder when
// that folder cannot be written.
void connect_standard_streams();

// Once the show is going to run, before anything opens a file: on POSIX
// systems opens /dev/null on any of standard input, output and error that is
// closed, so no later file (the X connection) takes its number. (Not earlier:
// --help or --version into a closed output is a failure to report.) On
// Windows connect_standard_streams has done all there is to do.
void guard_standard_streams();

// At exit with `status`: when the messages went to the log because nothing
// else could show them, a failure (any status but 0) is also shown in a
// message box with the end of the log (Windows). Elsewhere it does nothing.
void report_exit(int status);

// Writes "Sample: %d\nBeat: %f\n" to standard output without waiting: when
// the output cannot take it now (a full pipe) or fails, the line is dropped.
void print_debug_values(int sample, double beat);

// The platform's part of print_debug_values: writes `length` bytes to
// standard output at once if it can take them now, else drops them.
void write_output_now(const char* text, size_t length);

// False, with SDL's failure message, when SDL has fallen back to a video
// driver that shows nothing (offscreen, dummy) that SDL_VIDEODRIVER did not
// name. Call after SDL_Init.
bool video_driver_shows_picture();

// Waits `ms` milliseconds with events pumped; false as soon as a window
// close, SIGINT/SIGTERM or a released Escape asks the show to quit. Other
// keys stay queued for the frame loop.
bool wait_unless_quit(Uint32 ms);
