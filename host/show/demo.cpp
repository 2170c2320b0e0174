#include "demo.h"

#include "audio_output.h"
#include "beat_clock.h"
#include "calibration.h"
#include "gl_window.h"
#include "letterbox.h"
#include "level_meter.h"
#include "live_overlay.h"
#include "live_reload.h"
#include "live_show.h"
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

// Everything the show keeps from start-up to shutdown. run_demo holds the one
// instance; the mixer's thread reaches the meter, and SDL's event watch the
// quit flag, through the user data they were registered with. The music
// and the device are the audio output's (audio_output.h).
struct Demo {
    LevelMeter meter;                    // fed by the post-mix effect
    Transport transport;                 // the music's position for the listener
    float current_beat = 0.0f;           // music time in beats, updated once per pass
    std::atomic<bool> quit_flag{false};  // set by events, the event watch or the end of the show
    FullscreenKeys fullscreen_keys;
    bool calibrating = false;  // --calibrate: the flash instead of the scenes
    FILE* beat_log = nullptr;  // KRELAN_BEAT_LOG: each frame's time and beat (for tests)
    bool window_open = false;  // the window and its context, which shut_down closes
    bool live = false;         // --live: shaders and schedule from a folder, watched
    LiveShow live_show;        // --live's timeline, loop and display
};

int on_event_watch(void* user_data, SDL_Event* event)
{
    if (event->type == SDL_APP_WILLENTERBACKGROUND)
        *static_cast<std::atomic<bool>*>(user_data) = true;
    return 1;
}

// The skip key: the picture `ms` ahead, and the music with it.
void skip_ahead(Demo* demo, uint32_t ms)
{
    place_music(&demo->transport, transport_resume_point(&demo->transport, monotonic_ns()) + ms);
}

// The folder --live reads: the one named, or the source tree's shaders/.
std::string live_folder(const ShowOptions& options)
{
    return options.live_folder.empty() ? KRELAN_SOURCE_SHADERS : options.live_folder;
}

void on_key_released(Demo* demo, const SDL_Keysym& keysym)
{
    const SDL_Keycode key = keysym.sym;
    int offset = static_cast<int>(demo->transport.offset_ms);
    if (demo->calibrating && calibration_key(key, &offset)) {
        demo->transport.offset_ms = offset;
        return;
    }
    if (demo->live && live_key(&demo->live_show, &demo->transport, keysym, &demo->current_beat))
        return;
    switch (key) {
    case SDLK_ESCAPE: demo->quit_flag = true; break;
    case SDLK_p:
        print_debug_values(level_last_sample(demo->meter), static_cast<double>(demo->current_beat));
        break;
    case SDLK_s: skip_ahead(demo, k_skip_ms); break;
    default: break;
    }
}

void drain_events(Demo* demo)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) demo->quit_flag = true;
        if (event.type == SDL_KEYDOWN && demo->live)
            live_key_pressed(&demo->live_show, event.key.keysym);
        if (event.type == SDL_KEYUP) on_key_released(demo, event.key.keysym);
        const bool key = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
        if (key && is_fullscreen_toggle(&demo->fullscreen_keys, event.key)) toggle_fullscreen();
        if (event.type == SDL_AUDIODEVICEREMOVED && !event.adevice.iscapture)
            audio_device_removed();
    }
}

// The beat of the music being heard now: the transport's position, through
// the beat clock's formula.
void update_beat(Demo* demo)
{
    update_audio_output(&demo->transport);
    const int64_t now = monotonic_ns();
    const double position = transport_position_ms(&demo->transport, now);
    watch_audio_device(&demo->transport);
    demo->current_beat = beat_at_ms(static_cast<float>(position));
    if (demo->live)
        demo->current_beat = live_beat(&demo->live_show, &demo->transport, demo->current_beat);
    if (demo->beat_log)
        std::fprintf(demo->beat_log, "%lld %.6f\n", static_cast<long long>(now),
                     double(demo->current_beat));
}

// Draws the frame for the current beat with the meter's level (0 while no
// device plays the music) and shows it.
void render_frame(Demo* demo)
{
    begin_screen_frame();
    const int32_t level = audio_playing() ? level_average(demo->meter) : 0;
    if (demo->calibrating)
        draw_calibration_frame(demo->current_beat, static_cast<int>(demo->transport.offset_ms));
    else if (demo->live)
        draw_live_frame(&demo->live_show, &demo->transport, demo->current_beat, level);
    else
        draw_frame(demo->current_beat, level);
    finish_screen_frame();
    check_frame_errors(demo->current_beat);
    present_frame();
    // A reload's frame is shown once its automaton has landed.
    if (demo->live && !demo->live_show.catching_up) live_frame_presented();
}

void shut_down(Demo* demo)
{
    stop_live();
    SDL_DelEventWatch(on_event_watch, &demo->quit_flag);
    if (demo->beat_log) std::fclose(demo->beat_log);
    demo->beat_log = nullptr;
    // The post-mix effect no longer runs once the output is closed. A device
    // that stopped answering would hold SDL's shutdown for ever; the
    // process's exit takes it down instead.
    const bool audio_closed = close_audio_output();
    if (demo->window_open) {
        release_live_overlay();
        release_show_resources();
        release_letterbox();
    }
    close_gl_window();
    IMG_Quit();
    if (!audio_closed) return;
    Mix_Quit();
    SDL_Quit();
}

// Start-up from the audio device to the running music; false on failure.
// A window close, a signal or Escape during the start wait ends the show at
// once.
bool start_up(Demo* demo, const ShowOptions& options)
{
    if (!load_music(&demo->meter)) return false;
    demo->calibrating = options.calibrate;
    set_beat_clicks(demo->calibrating);
    demo->transport.offset_ms = options.av_offset_ms;
    if (const char* path = std::getenv("KRELAN_BEAT_LOG")) {
        demo->beat_log = std::fopen(path, "w");
        if (demo->beat_log) std::setvbuf(demo->beat_log, nullptr, _IOLBF, 0);
    }
    demo->window_open = open_gl_window(k_window_title, options.window_width, options.window_height,
                                       window_flags(options), window_position(options));
    if (!demo->window_open) return false;
    apply_vsync(options.vsync);

    // The black start frame, kept as the blank texture, is shown while the
    // show waits; then the resources.
    Uint32 loading = 0;
    begin_screen_frame();
    const ShowStart start = start_show([&options, &loading] {
        finish_screen_frame();
        present_frame();
        const bool go_on = options.no_wait || wait_unless_quit(k_start_wait_ms);
        loading = SDL_GetTicks();
        return go_on;
    });
    if (start == SHOW_STOPPED) {
        demo->quit_flag = true;
        return true;
    }
    if (start == SHOW_FAILED) return false;
    std::fprintf(stderr, "krelan: resources ready in %u ms\n", SDL_GetTicks() - loading);
    if (options.live) {
        start_live(live_folder(options), {KRELAN_GENERATED_PIECES}, false);
        demo->live = true;
    }

    // The music from its start, the picture with it; or the picture from
    // --from's beat and the music where it is then heard.
    wait_for_audio_device();
    Transport* transport = &demo->transport;
    update_audio_output(transport);
    const double music_ms = options.start_from ? ms_to_reach_beat(options.from_beat) +
                                                     transport->latency_ms + transport->offset_ms
                                               : 0.0;
    if (!place_music(transport, music_ms)) return false;
    SDL_AddEventWatch(on_event_watch, &demo->quit_flag);
    return true;
}

void run_frame_loop(Demo* demo)
{
    const Uint32 loop_start = SDL_GetTicks();
    long frames = 0;
    while (!demo->quit_flag) {
        if (demo->current_beat > k_end_beat) demo->quit_flag = true;  // one more frame is drawn
        update_beat(demo);
        drain_events(demo);
        if (demo->live) update_live_show(&demo->live_show, SDL_GetTicks64());
        render_frame(demo);
        ++frames;
        SDL_Delay(k_frame_pause_ms);
    }
    const double seconds = (SDL_GetTicks() - loop_start) / 1000.0;
    std::fprintf(stderr, "krelan: drew %ld frames in %.1f s (%.1f per second), ended at beat %f\n",
                 frames, seconds, seconds > 0 ? frames / seconds : 0.0, double(demo->current_beat));
    if (demo->calibrating)
        std::printf("--av-offset %d\n", static_cast<int>(demo->transport.offset_ms));
}

}  // namespace

int run_demo(const ShowOptions& options)
{
    guard_standard_streams();
    std::string reason;
    if (options.live && !live_folder_usable(live_folder(options), &reason)) {
        if (options.live_folder.empty())
            std::fprintf(stderr,
                         "krelan: --live: the source tree's shaders/ (%s, where krelan-demo was "
                         "built) is gone; name a folder of shader pieces: --live DIR\n",
                         KRELAN_SOURCE_SHADERS);
        else
            std::fprintf(stderr, "krelan: --live: %s\n", reason.c_str());
        return k_exit_start_failed;
    }
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_Log("Failed to initialize SDL: %s", SDL_GetError());
        return k_exit_no_sdl;
    }
    if (!video_driver_shows_picture()) {
        SDL_Quit();
        return k_exit_no_sdl;
    }
    if (!open_audio_output()) {
        std::fprintf(stderr, "krelan: cannot open the audio device: %s\n", Mix_GetError());
        SDL_Quit();
        return k_exit_no_audio;
    }
    Demo demo;
    if (!start_up(&demo, options)) {
        shut_down(&demo);
        return k_exit_start_failed;
    }
    run_frame_loop(&demo);
    shut_down(&demo);
    return k_exit_ok;
}
