// The show's sound: the audio device opened in the mixer format, the
// embedded music, and the post-mix effect that feeds the show's level meter
// and stamps every chunk for the transport (when it was mixed, which music
// frame it starts with). It places the music where the transport asks,
// with the device locked so that a callback never sees half a move, and it
// brings the sound back when the device goes away: the picture runs on from
// the transport meanwhile, the device is opened again once a second, and the
// music resumes at the picture's position.
#pragma once

#include "level_meter.h"
#include "transport.h"

#include <cstdint>

// The monotonic clock the stamps, the transport and the beat log share.
int64_t monotonic_ns();

// Opens the audio device in the mixer format (open_show_mixer). False with
// SDL_mixer's reason (Mix_GetError).
bool open_audio_output();

// Decodes the embedded music and registers the post-mix effect with `meter`
// as its user data; a device opened again later gets the same meter, which
// must outlive the output. False with a message on stderr.
bool load_music(LevelMeter* meter);

// Waits until the device asks for its first chunk, two seconds at most: a
// fresh stream of a sound server can take most of a second to start, and
// the music should start with it rather than before.
void wait_for_audio_device();

// A click mixed in at the exact sample of every beat (calibration).
void set_beat_clicks(bool on);

// Starts the music, or moves it: its position `music_ms` (ms from the track's
// start) is the next the mixer hands over, and the transport follows from
// there (transport_seek). False with a message when the music cannot play.
bool place_music(Transport* transport, double music_ms);

// Pauses the music and holds the transport where it is; place_music at
// transport_resume_point goes on from there.
void pause_music(Transport* transport);

// Once a frame, before the transport's position is taken: hands it the
// callbacks since the last call, keeps its latency current and puts the
// music back when a device has opened again.
void update_audio_output(Transport* transport);

// Once a frame, after the transport's position is taken (so that it has
// judged whether the whole process stood still): gives up a device that
// went away, or that has fallen silent for half a second.
void watch_audio_device(Transport* transport);

// An output device went away (SDL_AUDIODEVICEREMOVED).
void audio_device_removed();

// Whether the music is being heard: false while the device is gone, when the
// level reads 0.
bool audio_playing();

// Stops the music and closes the device. False when a device that stopped
// answering cannot be closed; SDL's audio must then be left as it is.
bool close_audio_output();
