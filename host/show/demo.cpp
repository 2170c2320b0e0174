#include "demo.h"

#include "beat_clock.h"
#include "gl_window.h"
#include "letterbox.h"
#include "level_meter.h"
#include "media_store.h"
#include "show.h"
#include "show_mixer.h"
#include "start_guards.h"
#include "window_mode.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstdio>

namespace {

// Time on the black start frame before the show begins: the show opens on
// ten seconds of black, time for a projector or a capture to settle.
constexpr Uint32 k_start_wait_ms = 10000;

// The loop's pause after each frame, which leaves the audio thread and the
// rest of the machine some time even when the frames are cheap.
constexpr Uint32 k_frame_pause_ms = 2;

// Everything the show keeps from start-up to shutdown. run_demo holds the one
// instance; the mixer's thread reaches the meter, and SDL's event watch the
// quit flag, through the user data they were registered with.
struct Demo {
    Mix_Music* music = nullptr;
    LevelMeter meter;                    // fed by the post-mix effect
    float current_beat = 0.0f;           // music time in beats, updated once per pass
    uint32_t start_time = 0;             // SDL ticks when the music started; moved back by skips
    std::atomic<bool> quit_flag{false};  // set by events, the event watch or the end of the show
    FullscreenKeys fullscreen_keys;
    bool window_open = false;  // the window and its context, which shut_down closes
};

int on_event_watch(void* user_data, SDL_Event* event)
{
    if (event->type == SDL_APP_WILLENTERBACKGROUND)
        *static_cast<std::atomic<bool>*>(user_data) = true;
    return 1;
}

// Moves the clock `ms` ahead and the music to the moment the clock then
// shows (the mixer takes it in seconds), so picture and sound stay in step.
void skip_ahead(Demo* demo, uint32_t ms)
{
    demo->start_time -= ms;
    Mix_SetMusicPosition(elapsed_ms(SDL_GetTicks(), demo->start_time) / 1000.0);
}

void on_key_released(Demo* demo, SDL_Keycode key)
{
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
        if (event.type == SDL_KEYUP) on_key_released(demo, event.key.keysym.sym);
        const bool key = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
        if (key && is_fullscreen_toggle(&demo->fullscreen_keys, event.key)) toggle_fullscreen();
    }
}

void update_beat(Demo* demo)
{
    demo->current_beat = beat_from_elapsed(elapsed_ms(SDL_GetTicks(), demo->start_time));
}

// Draws the frame for the current beat with the meter's level and shows it.
void render_frame(const Demo& demo)
{
    begin_screen_frame();
    draw_frame(demo.current_beat, level_average(demo.meter));
    finish_screen_frame();
    check_frame_errors(demo.current_beat);
    present_frame();
}

void shut_down(Demo* demo)
{
    SDL_DelEventWatch(on_event_watch, &demo->quit_flag);
    if (demo->music) {
        Mix_HaltMusic();
        Mix_FreeMusic(demo->music);
        demo->music = nullptr;
    }
    Mix_CloseAudio();  // the post-mix effect no longer runs
    Mix_Quit();
    if (demo->window_open) {
        release_show_resources();
        release_letterbox();
    }
    close_gl_window();
    IMG_Quit();
    SDL_Quit();
}

// Start-up from the audio device to the running music; false on failure.
// A window close or a signal during the start wait ends the show at once.
bool start_up(Demo* demo, const ShowOptions& options)
{
    SDL_RWops* stream = SDL_RWFromConstMem(asset_music.bytes, static_cast<int>(asset_music.length));
    demo->music = stream ? Mix_LoadMUS_RW(stream, 1) : nullptr;
    if (!demo->music) {
        std::fprintf(stderr, "krelan: the music failed to decode: %s\n", Mix_GetError());
        return false;
    }
    Mix_RegisterEffect(MIX_CHANNEL_POST, on_post_mix, nullptr, &demo->meter);
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

    if (Mix_PlayMusic(demo->music, 1) != 0) {
        std::fprintf(stderr, "krelan: the music cannot play: %s\n", Mix_GetError());
        return false;
    }
    demo->start_time = SDL_GetTicks();
    if (options.start_from) skip_ahead(demo, ms_to_reach_beat(options.from_beat));
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
        render_frame(*demo);
        ++frames;
        SDL_Delay(k_frame_pause_ms);
    }
    const double seconds = (SDL_GetTicks() - loop_start) / 1000.0;
    std::fprintf(stderr, "krelan: drew %ld frames in %.1f s (%.1f per second), ended at beat %f\n",
                 frames, seconds, seconds > 0 ? frames / seconds : 0.0, double(demo->current_beat));
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
    if (!open_show_mixer()) {
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
