#include "audio_output.h"

#include "beat_clicks.h"
#include "level_meter.h"
#include "media_store.h"
#include "mixer_format.h"
#include "server_latency.h"
#include "show_mixer.h"
#include "stamp_ring.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

namespace {

// A device silent this long during play is given up and opened again; one
// that has not started to play a placement yet is given longer.
constexpr double k_silent_device_ms = 500;
constexpr double k_silent_start_ms = 3000;
// The longest wait for a device that has just opened to ask for audio: a
// fresh stream of a sound server can take most of a second to start.
constexpr auto k_device_start_wait = std::chrono::seconds(2);
// Time between two tries to open the device again.
constexpr auto k_reopen_interval = std::chrono::seconds(1);

enum DeviceState {
    DEVICE_OPEN,       // the main thread owns the mixer
    DEVICE_REOPENING,  // the reopening thread owns it
    DEVICE_BACK,       // opened again, the music loaded; the main thread takes it back
    DEVICE_NONE,       // the reopening thread stopped without a device (the show ends)
};

struct AudioOutput {
    bool mixer_open = false;
    Mix_Music* music = nullptr;
    SDL_AudioDeviceID device = 0;  // the mixer's device, for locking it
    LevelMeter* meter = nullptr;   // the show's, fed by the post-mix effect

    // Shared with the audio thread. The main thread changes the placement
    // (the music's frame it was placed at, and the epoch) only with the
    // device locked, and the chunks mixed since it start from 0 then.
    std::atomic<int64_t> placed_frame{0};
    std::atomic<int64_t> mixed_frames{-1};  // since the placement; -1: no music
    std::atomic<int64_t> mixed_chunks{0};
    std::atomic<uint32_t> epoch{0};
    std::atomic<bool> clicks{false};
    std::atomic<uint64_t> callbacks{0};  // since the device opened
    StampRing stamps;                    // written by the audio thread, read by the frame loop

    std::atomic<bool> removed{false};  // SDL said the device went away
    std::atomic<int> state{DEVICE_OPEN};
    std::atomic<bool> stop_reopening{false};
    std::thread reopening;
};

AudioOutput output;

// Hands the transport every stamp written since the last call that is still
// in the ring.
void drain_stamps(Transport* transport)
{
    TransportStamp stamp;
    while (stamp_ring_pop(&output.stamps, &stamp)) transport_add_stamp(transport, stamp);
}

// The post-mix effect, registered with the show's level meter as its user
// data: the meter takes the chunk the callback just mixed, then come the
// clicks (which the meter does not hear) and the chunk's stamp.
void on_mixed_chunk(int channel, void* stream, int length_bytes, void* meter)
{
    const int64_t now = monotonic_ns();
    on_post_mix(channel, stream, length_bytes, meter);
    output.callbacks.fetch_add(1, std::memory_order_relaxed);
    const int64_t mixed = output.mixed_frames.load(std::memory_order_relaxed);
    if (mixed < 0) return;
    const int frames = length_bytes / (k_mix_channels * k_mix_sample_bytes);
    const int64_t music_frame = output.placed_frame.load(std::memory_order_relaxed) + mixed;
    if (output.clicks.load(std::memory_order_relaxed))
        add_beat_clicks(static_cast<int16_t*>(stream), frames, music_frame);
    const int64_t chunk = output.mixed_chunks.load(std::memory_order_relaxed);
    stamp_ring_push(&output.stamps, {now, chunk, double(music_frame) * 1000 / k_mix_rate,
                                     output.epoch.load(std::memory_order_relaxed)});
    output.mixed_chunks.store(chunk + 1, std::memory_order_relaxed);
    output.mixed_frames.store(mixed + frames, std::memory_order_relaxed);
}

// SDL_mixer opens its device with SDL_OpenAudioDevice and keeps the id to
// itself; it is the one device this process has playing.
SDL_AudioDeviceID find_mixer_device()
{
    for (SDL_AudioDeviceID id = 1; id < 64; ++id)
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING) return id;
    return 0;
}

bool open_mixer()
{
    if (!open_show_mixer()) return false;
    output.mixer_open = true;
    output.callbacks = 0;
    output.device = find_mixer_device();
    return true;
}

// The embedded music, decoded afresh; null with the reason in `error`.
Mix_Music* decode_music(std::string* error)
{
    SDL_RWops* stream = SDL_RWFromConstMem(asset_music.bytes, static_cast<int>(asset_music.length));
    Mix_Music* music = stream ? Mix_LoadMUS_RW(stream, 1) : nullptr;
    if (!music) *error = std::string("the music failed to decode: ") + Mix_GetError();
    return music;
}

bool load_and_tap_music(std::string* error)
{
    output.music = decode_music(error);
    if (!output.music) return false;
    output.mixed_frames = -1;
    Mix_RegisterEffect(MIX_CHANNEL_POST, on_mixed_chunk, nullptr, output.meter);
    return true;
}

void close_mixer()
{
    if (!output.mixer_open) return;
    output.mixer_open = false;
    Mix_HaltMusic();
    if (output.music) Mix_FreeMusic(output.music);
    output.music = nullptr;
    Mix_CloseAudio();
    output.device = 0;
}

// The reopening thread: the old device closed (this may wait on a device
// that stopped answering, which is why it is not the main thread's job),
// then a new one tried once a second until it opens or the show ends.
void reopen_device()
{
    close_mixer();
    while (!output.stop_reopening) {
        std::string error;
        if (open_mixer()) {
            if (load_and_tap_music(&error)) {
                wait_for_audio_device();
                output.state = DEVICE_BACK;
                return;
            }
            close_mixer();
        }
        const auto retry = std::chrono::steady_clock::now() + k_reopen_interval;
        while (!output.stop_reopening && std::chrono::steady_clock::now() < retry)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    output.state = DEVICE_NONE;
}

void lose_device(Transport* transport, const char* why)
{
    std::fprintf(
        stderr, "krelan: %s; the picture goes on, the sound comes back when a device opens\n", why);
    transport_lose_audio(transport, monotonic_ns());
    output.removed = false;
    output.stop_reopening = false;
    output.state = DEVICE_REOPENING;
    output.reopening = std::thread(reopen_device);
}

}  // namespace

int64_t monotonic_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool open_audio_output()
{
    if (!open_mixer()) return false;
    start_server_latency_watch();
    return true;
}

bool load_music(LevelMeter* meter)
{
    output.meter = meter;
    std::string error;
    if (load_and_tap_music(&error)) return true;
    std::fprintf(stderr, "krelan: %s\n", error.c_str());
    return false;
}

void set_beat_clicks(bool on) { output.clicks = on; }

bool place_music(Transport* transport, double music_ms)
{
    if (output.state != DEVICE_OPEN) {
        // No device: the picture moves, and the music follows when one opens.
        transport_seek(transport, monotonic_ns(), music_ms);
        return true;
    }
    music_ms = std::max(0.0, music_ms);
    // SDL_mixer's MP3 decoder keeps what it has converted for the mixer
    // across a seek, so the music set to a new position would start with up
    // to a chunk of the old one and then run that much late. A music
    // decoded afresh starts exactly where it is placed; it replaces the
    // playing one.
    std::string error;
    Mix_Music* fresh = Mix_PlayingMusic() ? decode_music(&error) : output.music;
    if (!fresh) {
        std::fprintf(stderr, "krelan: %s\n", error.c_str());
        return false;
    }
    SDL_LockAudioDevice(output.device);
    Mix_HaltMusic();
    const bool played = Mix_FadeInMusicPos(fresh, 1, 0, music_ms / 1000.0) == 0;
    Mix_ResumeMusic();  // a music paused by pause_music plays again
    if (played) {
        // The decoder starts at the frame the position truncates to.
        output.placed_frame = static_cast<int64_t>(music_ms / 1000.0 * k_mix_rate);
        output.mixed_frames = 0;
        output.mixed_chunks = 0;
        output.epoch = transport_seek(transport, monotonic_ns(), music_ms);
    }
    SDL_UnlockAudioDevice(output.device);
    if (fresh != output.music) {
        Mix_FreeMusic(output.music);
        output.music = fresh;
    }
    if (!played) std::fprintf(stderr, "krelan: the music cannot play: %s\n", Mix_GetError());
    return played;
}

void pause_music(Transport* transport)
{
    const bool open = output.state == DEVICE_OPEN;
    if (open) SDL_LockAudioDevice(output.device);
    if (open) Mix_PauseMusic();
    transport_pause(transport, monotonic_ns());
    if (open) SDL_UnlockAudioDevice(output.device);
}

void update_audio_output(Transport* transport)
{
    const int64_t now = monotonic_ns();
    if (output.state == DEVICE_BACK) {
        output.reopening.join();
        output.removed = false;
        output.state = DEVICE_OPEN;
        const double music_ms = transport_resume_point(transport, now);
        std::fprintf(stderr, "krelan: the audio device is back; the music goes on at %.1f s\n",
                     music_ms / 1000.0);
        place_music(transport, music_ms);
        return;
    }
    if (output.state != DEVICE_OPEN) return;
    double server_ms = 0;
    transport_follow_latency(transport, server_latency_ms(&server_ms) ? server_ms : k_mix_chunk_ms,
                             now);
    drain_stamps(transport);
}

void watch_audio_device(Transport* transport)
{
    if (output.state != DEVICE_OPEN) return;
    if (output.removed)
        lose_device(transport, "the audio device went away");
    else if (transport_quiet_ms(transport, monotonic_ns()) >=
             (transport_heard(transport) ? k_silent_device_ms : k_silent_start_ms))
        lose_device(transport, "the audio device fell silent");
}

void audio_device_removed()
{
    // Only the device in use counts: one given up already may still be
    // reported while the next is being opened.
    if (output.state == DEVICE_OPEN) output.removed = true;
}

bool audio_playing() { return output.state == DEVICE_OPEN; }

void wait_for_audio_device()
{
    const auto give_up = std::chrono::steady_clock::now() + k_device_start_wait;
    while (output.callbacks == 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool close_audio_output()
{
    stop_server_latency_watch();
    if (output.reopening.joinable()) {
        output.stop_reopening = true;
        // A device that stopped answering can keep its close waiting for
        // ever; the show ends anyway, leaving it to the process's exit.
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (output.state == DEVICE_REOPENING && std::chrono::steady_clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (output.state == DEVICE_REOPENING) {
            output.reopening.detach();
            return false;
        }
        output.reopening.join();
    }
    close_mixer();
    return true;
}
