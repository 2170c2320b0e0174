#include "demo.h"

#include "audio_output.h"
#include "beat_clock.h"
#include "calibration.h"
#include "gl_window.h"
#include "gpu.h"
#include "letterbox.h"
#include "level_meter.h"
#include "media_store.h"
#include "show.h"
#include "start_guards.h"
#include "transport.h"
#include "window_mode.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Time on the black start frame before the show begins: the show opens on
// ten seconds of black, time for a projector or a capture to settle.
constexpr Uint32 k_start_wait_ms = 10000;

// The loop's pause after each frame, which leaves the audio thread and the
// rest of the machine some time even when the frames are cheap.
constexpr Uint32 k_frame_pause_ms = 2;

float current_beat = 0.0f;           // music time in beats, updated once per pass
Transport transport;                 // the music's position for the listener
std::atomic<bool> quit_flag{false};  // set by events, the event watch or the end of the show
bool calibrating = false;            // --calibrate: the flash instead of the scenes
FILE* beat_log = nullptr;            // KRELAN_BEAT_LOG: each frame's time and beat (for tests)

int on_event_watch(void*, SDL_Event* event)
{
    if (event->type == SDL_APP_WILLENTERBACKGROUND) quit_flag = true;
    return 1;
}

// The skip key: the picture `ms` ahead, and the music with it.
void skip_ahead(uint32_t ms)
{
    place_music(&transport, transport_resume_point(&transport, monotonic_ns()) + ms);
}

void on_key_released(SDL_Keycode key)
{
    int offset = static_cast<int>(transport.offset_ms);
    if (calibrating && calibration_key(key, &offset)) {
        transport.offset_ms = offset;
        return;
    }
    switch (key) {
    case SDLK_ESCAPE: quit_flag = true; break;
    case SDLK_p:
        print_debug_values(static_cast<int>(level_last_sample()),
                           static_cast<double>(current_beat));
        break;
    case SDLK_s: skip_ahead(k_skip_ms); break;
    default: break;
    }
}

void drain_events()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) quit_flag = true;
        if (event.type == SDL_KEYUP) on_key_released(event.key.keysym.sym);
        const bool key = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
        if (key && is_fullscreen_toggle(event.key)) toggle_fullscreen();
        if (event.type == SDL_AUDIODEVICEREMOVED && !event.adevice.iscapture)
            audio_device_removed();
    }
}

// The beat of the music being heard now: the transport's position, through
// the beat clock's formula.
void update_beat()
{
    update_audio_output(&transport);
    const int64_t now = monotonic_ns();
    const double position = transport_position_ms(&transport, now);
    watch_audio_device(&transport);
    current_beat = beat_at_ms(static_cast<float>(position), asset_bpm);
    if (beat_log)
        std::fprintf(beat_log, "%lld %.6f\n", static_cast<long long>(now), double(current_beat));
}

// Draws the frame for the current beat with the meter's level (0 while no
// device plays the music) and shows it.
void render_frame()
{
    begin_screen_frame();
    if (calibrating)
        draw_calibration_frame(current_beat, static_cast<int>(transport.offset_ms));
    else
        draw_frame(current_beat, audio_playing() ? level_average() : 0);
    finish_screen_frame();
    check_frame_errors(current_beat);
    present_frame();
}

void shut_down()
{
    SDL_DelEventWatch(on_event_watch, nullptr);
    if (beat_log) std::fclose(beat_log);
    beat_log = nullptr;
    // A device that stopped answering would hold SDL's shutdown for ever;
    // the process's exit takes it down instead.
    const bool audio_closed = close_audio_output();
    close_gl_window();
    IMG_Quit();
    if (!audio_closed) return;
    Mix_Quit();
    SDL_Quit();
}

// Start-up from the audio device to the running music; false on failure.
bool start_up(const ShowOptions& options, int* status)
{
    *status = k_exit_start_failed;
    if (!load_music()) return false;
    calibrating = options.calibrate;
    set_beat_clicks(calibrating);
    transport.offset_ms = options.av_offset_ms;
    if (const char* path = std::getenv("KRELAN_BEAT_LOG")) {
        beat_log = std::fopen(path, "w");
        if (beat_log) std::setvbuf(beat_log, nullptr, _IOLBF, 0);
    }
    if (!open_gl_window(k_window_title, options.window_width, options.window_height,
                        window_flags(options)))
        return false;

    // The black start frame, shown while the show waits, then kept as the blank texture.
    begin_screen_frame();
    draw_start_frame();
    if (!options.no_wait && !wait_unless_quit(k_start_wait_ms)) {
        quit_flag = true;  // closed, interrupted or Escape while waiting: end now, cleanly
        return true;
    }
    capture_blank_texture();
    finish_screen_frame();
    present_frame();

    Uint32 loading = SDL_GetTicks();
    if (!load_show_resources()) return false;
    std::fprintf(stderr, "krelan: resources ready in %u ms\n", SDL_GetTicks() - loading);

    // The music from its start, the picture with it; or the picture from
    // --from's beat and the music where it is then heard.
    wait_for_audio_device();
    update_audio_output(&transport);
    const double music_ms = options.start_from ? ms_to_reach_beat(options.from_beat) +
                                                     transport.latency_ms + transport.offset_ms
                                               : 0.0;
    if (!place_music(&transport, music_ms)) return false;
    SDL_AddEventWatch(on_event_watch, nullptr);
    return true;
}

void run_frame_loop()
{
    const Uint32 loop_start = SDL_GetTicks();
    long frames = 0;
    while (!quit_flag) {
        if (current_beat > k_end_beat) quit_flag = true;  // one more frame is still drawn
        update_beat();
        drain_events();
        render_frame();
        ++frames;
        SDL_Delay(k_frame_pause_ms);
    }
    const double seconds = (SDL_GetTicks() - loop_start) / 1000.0;
    std::fprintf(stderr, "krelan: drew %ld frames in %.1f s (%.1f per second), ended at beat %f\n",
                 frames, seconds, seconds > 0 ? frames / seconds : 0.0, double(current_beat));
    if (calibrating) std::printf("--av-offset %d\n", static_cast<int>(transport.offset_ms));
}

}  // namespace

int run_demo(const ShowOptions& options)
{
    guard_standard_streams();
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_Log("Failed to initialize SDL: %s", SDL_GetError());
        return k_exit_no_sdl;
    }
    if (!video_driver_shows_picture()) {
        SDL_Quit();
        return k_exit_no_sdl;
    }
    std::string audio_error;
    if (!open_audio_output(&audio_error)) {
        std::fprintf(stderr, "krelan: cannot open the audio device: %s\n", audio_error.c_str());
        SDL_Quit();
        return k_exit_no_audio;
    }
    int status = k_exit_ok;
    if (!start_up(options, &status)) {
        shut_down();
        return status;
    }
    run_frame_loop();
    shut_down();
    return k_exit_ok;
}
