#include "demo.h"

#include "beat_clock.h"
#include "gl_window.h"
#include "gpu.h"
#include "letterbox.h"
#include "level_meter.h"
#include "media_store.h"
#include "show.h"
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

Mix_Music* music = nullptr;
float current_beat = 0.0f;           // music time in beats, updated once per pass
uint32_t start_time = 0;             // SDL ticks when the music started; moved back by skips
std::atomic<bool> quit_flag{false};  // set by events, the event watch or the end of the show

int on_event_watch(void*, SDL_Event* event)
{
    if (event->type == SDL_APP_WILLENTERBACKGROUND) quit_flag = true;
    return 1;
}

// Moves the clock `ms` ahead and the music to the moment the clock then
// shows, so picture and sound stay in step.
void skip_ahead(uint32_t ms)
{
    start_time -= ms;
    Mix_SetMusicPosition(music_position_for(elapsed_ms(SDL_GetTicks(), start_time)));
}

void on_key_released(SDL_Keycode key)
{
    switch (key) {
    case SDLK_ESCAPE: quit_flag = true; break;
    case SDLK_p:
        print_debug_values(static_cast<int>(level_last_sample()), static_cast<double>(current_beat));
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
    }
}

void update_beat()
{
    current_beat = beat_from_elapsed(elapsed_ms(SDL_GetTicks(), start_time), asset_bpm);
}

// Draws the frame for the current beat with the meter's level and shows it.
void render_frame()
{
    begin_screen_frame();
    draw_frame(current_beat, level_average());
    finish_screen_frame();
    check_frame_errors(current_beat);
    present_frame();
}

void shut_down()
{
    SDL_DelEventWatch(on_event_watch, nullptr);
    if (music) {
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
    }
    Mix_CloseAudio();
    Mix_Quit();
    close_gl_window();
    IMG_Quit();
    SDL_Quit();
}

// Start-up from the audio device to the running music; false on failure.
bool start_up(const ShowOptions& options, int* status)
{
    *status = k_exit_start_failed;
    SDL_RWops* stream = SDL_RWFromConstMem(asset_music.bytes, static_cast<int>(asset_music.length));
    music = stream ? Mix_LoadMUS_RW(stream, 1) : nullptr;
    if (!music) {
        std::fprintf(stderr, "krelan: the music failed to decode: %s\n", Mix_GetError());
        return false;
    }
    Mix_RegisterEffect(MIX_CHANNEL_POST, on_post_mix, nullptr, nullptr);
    if (!open_gl_window(k_window_title, options.window_width, options.window_height,
                        window_flags(options)))
        return false;

    // The black start frame, shown while the show waits, then kept as the blank texture.
    begin_screen_frame();
    draw_start_frame();
    if (!options.no_wait && !wait_unless_quit(k_start_wait_ms)) {
        quit_flag = true;  // closed or interrupted while waiting: end now, cleanly
        return true;
    }
    capture_blank_texture();
    finish_screen_frame();
    present_frame();

    Uint32 loading = SDL_GetTicks();
    if (!load_show_resources()) return false;
    std::fprintf(stderr, "krelan: resources ready in %u ms\n", SDL_GetTicks() - loading);

    if (Mix_PlayMusic(music, 1) != 0) {
        std::fprintf(stderr, "krelan: the music cannot play: %s\n", Mix_GetError());
        return false;
    }
    start_time = SDL_GetTicks();
    if (options.start_from) skip_ahead(ms_to_reach_beat(options.from_beat));
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
}

}  // namespace

int run_demo(const ShowOptions& options)
{
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_Log("Failed to initialize SDL: %s", SDL_GetError());
        return k_exit_no_sdl;
    }
    if (!video_driver_shows_picture()) {
        SDL_Quit();
        return k_exit_no_sdl;
    }
    if (Mix_OpenAudio(48000, AUDIO_S16LSB, 2, 2048) == -1) {
        std::fprintf(stderr, "krelan: cannot open the audio device: %s\n", Mix_GetError());
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
