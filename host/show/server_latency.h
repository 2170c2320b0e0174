// The sound server's latency for the show's own stream, where SDL plays
// through PulseAudio (or PipeWire's PulseAudio server): how long the audio
// the show has handed over waits in the server's queue and its sink before
// it is heard. SDL 2 does not report it, so a thread asks the server about
// twenty times a second through libpulse's introspection, for the playback
// stream of this process. libpulse is loaded at run time: the show does not
// depend on it, and elsewhere the latency is simply unknown. PipeWire's
// PulseAudio server (0.3) reports no latency for a stream: unknown there too.
#pragma once

// Starts watching when SDL's current audio driver is "pulseaudio" and
// libpulse loads; otherwise does nothing.
void start_server_latency_watch();

// The server's queue plus its sink's latency for the show's stream, in ms,
// from the latest twenty seconds of readings. False while unknown (no
// server, the stream not found yet or only just, or not watching).
bool server_latency_ms(double* ms);

// Stops the thread (at shutdown).
void stop_server_latency_watch();
