#include "soundtrack.h"

#include "commands.h"
#include "level_meter.h"
#include "media_store.h"
#include "output_file.h"
#include "show_mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

int32_t soundtrack_level(const Soundtrack& track, int64_t frame)
{
    if (frame < 0) return 0;
    const int64_t chunk = frame / k_mix_chunk_frames;
    return chunk < static_cast<int64_t>(track.levels.size()) ? track.levels[chunk] : 0;
}

namespace {

// The recorder's state, shared by its effects on the mixer's thread and the
// main thread; `done` hands the buffers over. The meter is the show's own
// kind, fed by the same post-mix effect the show registers.
struct Recording {
    LevelMeter meter;
    std::vector<int16_t> samples;
    std::vector<int32_t> levels;  // the meter's level after each recorded chunk
    int64_t wanted_frames = -1;
    bool started = false;
    std::atomic<bool> music_finished{false};
    std::atomic<bool> done{false};
    std::atomic<int64_t> chunks_seen{0};
};

// The recording in progress, for the music-finished hook, which SDL_mixer
// calls without user data.
Recording* finished_hook_recording = nullptr;

void on_music_finished() { finished_hook_recording->music_finished = true; }

// Registered after the meter's effect, so it sees each chunk as the meter
// did and the level the meter reports after it. The music starts at the
// start of the first chunk mixed after Mix_PlayMusic, the first in which the
// mixer reports it playing.
void record_chunk(int, void* stream, int length_bytes, void* user_data)
{
    Recording& r = *static_cast<Recording*>(user_data);
    r.chunks_seen++;
    if (r.done) return;
    if (!r.started && !Mix_PlayingMusic()) return;
    r.started = true;
    const int16_t* samples = static_cast<const int16_t*>(stream);
    r.samples.insert(r.samples.end(), samples, samples + length_bytes / k_mix_sample_bytes);
    r.levels.push_back(level_average(r.meter));
    const bool enough = r.wanted_frames >= 0 &&
                        static_cast<int64_t>(r.samples.size()) >= r.wanted_frames * k_mix_channels;
    // The chunk in which the music ends still carries its last samples.
    if (enough || r.music_finished) r.done = true;
}

// SDL's disk driver drops the device when a write to its file fails and then
// paces the mixer in real time: a file that falls behind the mixed chunks is
// an error, not a wait. The effect sees a chunk just before the driver
// writes it, so the file may lag by a chunk or two.
bool scratch_file_behind(const std::string& path, int64_t chunks_seen)
{
    constexpr int64_t k_lag_chunks = 8;
    constexpr int64_t k_chunk_bytes = k_mix_chunk_samples * k_mix_sample_bytes;
    struct stat st;
    const int64_t size = stat(path.c_str(), &st) == 0 ? st.st_size : 0;
    return size < (chunks_seen - k_lag_chunks) * k_chunk_bytes;
}

}  // namespace

bool mix_soundtrack(int64_t frames, Soundtrack* out, std::string* error)
{
    // In TMPDIR, and removed at exit and on signals like the outputs.
    const std::string disk_file = make_scratch_file(".raw", error);
    if (disk_file.empty()) return false;
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", disk_file.c_str(), 1);
#ifdef _WIN32
    // SDL's getenv on Windows returns one shared buffer, and the disk driver
    // reads the file name, then the delay, then opens the file: the delay's
    // text would replace the name. With the path as both, the name stays; as
    // a delay the path counts as 0 (it starts with a drive, not a digit).
    SDL_setenv("SDL_DISKAUDIODELAY", disk_file.c_str(), 1);
#else
    SDL_setenv("SDL_DISKAUDIODELAY", "0", 1);
#endif

    // The disk driver announces itself as a critical message; here it is the plan.
    const SDL_LogPriority audio_log = SDL_LogGetPriority(SDL_LOG_CATEGORY_AUDIO);
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);

    bool ok = false;
    Mix_Music* music = nullptr;
    Recording r;
    r.wanted_frames = frames;
    finished_hook_recording = &r;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *error = std::string("cannot start SDL audio: ") + SDL_GetError();
    } else if (!open_show_mixer()) {
        *error = std::string("cannot open the mixer: ") + Mix_GetError();
    } else {
        SDL_RWops* stream =
            SDL_RWFromConstMem(asset_music.bytes, static_cast<int>(asset_music.length));
        music = stream ? Mix_LoadMUS_RW(stream, 1) : nullptr;
        if (!music) {
            *error = std::string("the music failed to decode: ") + Mix_GetError();
        } else {
            Mix_RegisterEffect(MIX_CHANNEL_POST, on_post_mix, nullptr, &r.meter);
            Mix_RegisterEffect(MIX_CHANNEL_POST, record_chunk, nullptr, &r);
            Mix_HookMusicFinished(on_music_finished);
            if (Mix_PlayMusic(music, 1) != 0) {
                *error = std::string("the music cannot play: ") + Mix_GetError();
            } else {
                // The disk driver without delay mixes as fast as it can; a
                // mixer that stops producing chunks is a failure, not a wait.
                int64_t last_seen = -1;
                Uint32 last_progress = SDL_GetTicks();
                while (!r.done && !scratch_file_behind(disk_file, r.chunks_seen)) {
                    SDL_Delay(1);
                    const int64_t seen = r.chunks_seen;
                    if (seen != last_seen) {
                        last_seen = seen;
                        last_progress = SDL_GetTicks();
                    } else if (SDL_GetTicks() - last_progress > 20000) {
                        break;
                    }
                }
                ok = r.done;
                if (!ok && scratch_file_behind(disk_file, r.chunks_seen))
                    *error = "cannot write the mixer's scratch file " + disk_file +
                             " (is its disk full? TMPDIR chooses the folder)";
                else if (!ok)
                    *error = "the mixer stopped producing audio";
            }
            Mix_HookMusicFinished(nullptr);
        }
        Mix_CloseAudio();  // stops the mixer's thread: the buffers are ours now
        if (music) Mix_FreeMusic(music);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    finished_hook_recording = nullptr;
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, audio_log);
    remove_scratch_file(disk_file);
    if (!ok) return false;

    out->samples = std::move(r.samples);
    out->levels = std::move(r.levels);
    out->music_ended = r.music_finished;
    return true;
}

bool mix_up_to(int64_t end, Soundtrack* track, std::string* error)
{
    if (end <= 0) return true;  // nothing after the music's start: silence
    return mix_soundtrack(end, track, error);
}
