// The calibration view (--calibrate): instead of the scenes, black frames
// that flash white at the start of every beat while the music plays with a
// click on every beat, and the offset in a corner. The arrow keys move the
// offset until flash and click coincide for the viewer; the value is then
// the one to pass to --av-offset.
#pragma once

#include <SDL.h>

// Milliseconds an arrow key moves the offset.
constexpr int k_calibration_step_ms = 5;

// Draws the calibration frame for `beat` into the bound framebuffer (the
// 1920x1080 viewport set): white for the first tenth of each beat, black
// otherwise, and the offset's line.
void draw_calibration_frame(float beat, int offset_ms);

// The offset after releasing `key`: Right and Up show the picture later,
// Left and Down earlier, by k_calibration_step_ms within the option's limits.
// False for any other key.
bool calibration_key(SDL_Keycode key, int* offset_ms);
