// The committed track as the show hears it: SDL_mixer opened as the show
// opens it (48 kHz, signed 16-bit, stereo, 2048-frame chunks) decodes the
// MP3, and a post-mix effect collects every mixed chunk. The disk audio
// driver without its delay runs the real mixer as fast as it can.
//
// The track is encoded at the mixer's rate, so the mixer plays its decoded
// samples as they are: no rate conversion, and so no drift (a 44.1 kHz track
// came out of SDL 2.26's converter about 52 ppm fast, 12.7 ms early by beat
// 528) and the same samples that the web player decodes.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "arrangement.h"
#include "beat_clock.h"
#include "engine.h"
#include "scenes.h"

namespace {

constexpr int k_show_rate = 48000;
constexpr int k_chunk_frames = 2048;

struct DecodedTrack {
    int rate = 0;
    std::string error;
    std::vector<int16_t> pcm;  // interleaved stereo from the first chunk of the music

    size_t frames() const { return pcm.size() / 2; }
    // Frame of a show beat on the beat clock, from the start of the music.
    double beat_frame(double beat) const { return ms_at_beat(beat) / 1000.0 * rate; }
};

struct Capture {
    bool started = false;
    std::vector<int16_t> pcm;
};

void collect(int, void* stream, int len, void* user)
{
    auto* capture = static_cast<Capture*>(user);
    const int16_t* s = static_cast<const int16_t*>(stream);
    size_t n = size_t(len) / 2;
    if (!capture->started) {
        // Chunks before the music starts are silence; the music's first
        // chunk already has sound in it (the chord starts on sample 0).
        if (std::all_of(s, s + n, [](int16_t v) { return v == 0; })) return;
        capture->started = true;
    }
    capture->pcm.insert(capture->pcm.end(), s, s + n);
}

DecodedTrack decode_track(int device_rate)
{
    DecodedTrack track;
    track.rate = device_rate;
    std::string sink = testing::TempDir() + "krelan-soundtrack-disk-audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", sink.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0) return track.error = SDL_GetError(), track;
    if (Mix_OpenAudio(device_rate, AUDIO_S16LSB, 2, k_chunk_frames) != 0)
        return track.error = Mix_GetError(), track;
    int rate = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    if (rate != device_rate || format != AUDIO_S16LSB || channels != 2)
        return track.error = "device differs", track;

    Mix_Music* music = Mix_LoadMUS(KRELAN_ASSET_DIR "/music.mp3");
    if (!music) return track.error = Mix_GetError(), track;
    Capture capture;
    Mix_RegisterEffect(MIX_CHANNEL_POST, collect, nullptr, &capture);
    Mix_PlayMusic(music, 1);
    for (Uint32 t0 = SDL_GetTicks(); Mix_PlayingMusic() && SDL_GetTicks() - t0 < 120000;)
        SDL_Delay(5);
    Mix_CloseAudio();  // joins the audio thread: the capture is complete and ours
    Mix_FreeMusic(music);
    SDL_Quit();
    std::remove(sink.c_str());
    track.pcm = std::move(capture.pcm);
    if (track.pcm.empty()) track.error = "no sound came out";
    return track;
}

const DecodedTrack& show_track()
{
    static const DecodedTrack decoded = decode_track(k_show_rate);
    return decoded;
}

// ------------------------------------------------------------------ kick finder

// Zero-phase (forward and backward) second-order low pass: keeps the kick's
// body, drops the hats and the encoder's fizz, and moves nothing in time.
void low_pass(std::vector<float>& y, double cutoff, double rate)
{
    const double w = std::tan(3.14159265358979 * cutoff / rate), q = std::sqrt(0.5);
    const double norm = 1.0 / (1.0 + w / q + w * w);
    const double b0 = w * w * norm, b1 = 2.0 * b0, b2 = b0;
    const double a1 = 2.0 * (w * w - 1.0) * norm, a2 = (1.0 - w / q + w * w) * norm;
    auto pass = [&](auto begin, auto end) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (auto it = begin; it != end; ++it) {
            double x0 = *it, y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x0;
            y2 = y1;
            y1 = y0;
            *it = float(y0);
        }
    };
    pass(y.begin(), y.end());
    pass(y.rbegin(), y.rend());
}

constexpr double k_match_cutoff = 2000.0;

std::vector<float> low_mono(const DecodedTrack& track)
{
    std::vector<float> y(track.frames());
    for (size_t i = 0; i < y.size(); ++i)
        y[i] = 0.5f * (float(track.pcm[2 * i]) + float(track.pcm[2 * i + 1])) / 32768.0f;
    low_pass(y, k_match_cutoff, track.rate);
    return y;
}

// The first 25 ms of a lone kick from the synthesizer (as the arrangement
// tunes it), starting on its onset sample, at the given rate: the shape the
// finder looks for.
std::vector<float> kick_shape(int rate)
{
    Song song;
    for (const Note& n : compose(k_default_seed).notes)
        if (n.part == PART_KICK) {
            song.notes = {n};
            break;
        }
    song.notes.at(0).beat = 0.0;
    song.notes.at(0).velocity = 1.0f;
    song.mix = [](double) { return MixState(); };
    const int64_t onset = beat_to_sample(0.0);
    std::vector<float> lone = render(song, onset, onset + k_sample_rate / 20);
    std::vector<float> shape(size_t(0.025 * rate));
    for (size_t i = 0; i < shape.size(); ++i) {
        double src = double(i) * k_sample_rate / rate;
        size_t k = size_t(src);
        double f = src - double(k);
        shape[i] = float((1.0 - f) * lone[2 * k] + f * lone[2 * k + 2]);
    }
    low_pass(shape, k_match_cutoff, rate);
    return shape;
}

struct Match {
    double frame;  // where the kick's onset lines up best
    double score;  // normalised correlation there, 1 = the very same shape
    double level;  // how loud the kick shape is in the signal there, 1 = as loud as the lone kick
};

// Slides the kick's shape over +-20 ms around `expected` and returns the
// best-matching onset: coarse steps first, then every frame near the best.
Match find_kick(const std::vector<float>& signal, const std::vector<float>& shape, double expected,
                int rate)
{
    double shape_energy = 0.0;
    for (float v : shape) shape_energy += double(v) * v;
    auto dot = [&](long at) {
        double d = 0.0;
        for (size_t i = 0; i < shape.size(); ++i) d += double(signal[size_t(at) + i]) * shape[i];
        return d;
    };
    auto score = [&](long at) {
        if (at < 0 || size_t(at) + shape.size() > signal.size()) return -1.0;
        double energy = 0.0;
        for (size_t i = 0; i < shape.size(); ++i)
            energy += double(signal[size_t(at) + i]) * signal[size_t(at) + i];
        return energy > 0.0 ? dot(at) / std::sqrt(energy * shape_energy) : 0.0;
    };
    const long centre = std::lround(expected), reach = long(0.020 * rate);
    long best = centre;
    double best_score = score(centre);
    for (long lag = -reach; lag <= reach; lag += 8)
        if (double s = score(centre + lag); s > best_score) best_score = s, best = centre + lag;
    for (long at = best - 8; at <= best + 8; ++at)
        if (double s = score(at); s > best_score) best_score = s, best = at;
    return {double(best), best_score, best_score > 0.0 ? dot(best) / shape_energy : 0.0};
}

std::vector<int> kick_beats()
{
    std::vector<int> beats;
    for (const auto& note : compose(k_default_seed).notes)
        if (note.part == PART_KICK) beats.push_back(int(std::lround(note.beat)));
    return beats;
}

struct KickTimes {
    std::vector<int> beats;
    std::vector<double> expected, found, score;  // frames
};

KickTimes find_all_kicks(const DecodedTrack& track)
{
    KickTimes k;
    k.beats = kick_beats();
    const std::vector<float> signal = low_mono(track), shape = kick_shape(track.rate);
    for (int beat : k.beats) {
        Match m = find_kick(signal, shape, track.beat_frame(beat), track.rate);
        k.expected.push_back(track.beat_frame(beat));
        k.found.push_back(m.frame);
        k.score.push_back(m.score);
    }
    return k;
}

// ------------------------------------------------------------------ levels

// Mean magnitude of frames [from, to), both channels: what the show's level
// meter reports, averaged over a stretch.
double mean_level(const DecodedTrack& t, double from, double to)
{
    size_t a = size_t(std::max(0.0, from)), b = std::min(t.frames(), size_t(std::max(0.0, to)));
    double sum = 0.0;
    for (size_t i = 2 * a; i < 2 * b; ++i) sum += std::abs(int(t.pcm[i]));
    return b > a ? sum / double(2 * (b - a)) : 0.0;
}

double rms_db(const DecodedTrack& t, double from_beat, double to_beat)
{
    size_t a = size_t(t.beat_frame(from_beat)),
           b = std::min(t.frames(), size_t(t.beat_frame(to_beat)));
    double sum = 0.0;
    for (size_t i = 2 * a; i < 2 * b; ++i) sum += double(t.pcm[i]) * t.pcm[i];
    return 10.0 * std::log10(sum / double(2 * (b - a)) / (32768.0 * 32768.0) + 1e-30);
}

class DecodedTrackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(show_track().error, ""); }
    const DecodedTrack& t = show_track();
};

// ------------------------------------------------------------------ the kick grid

TEST_F(DecodedTrackTest, EveryKickStartsOnTheBeatClockWithoutDrift)
{
    // The encoder delay must be trimmed, and every kick start within 2 ms of
    // (k + 0.5) * 60000 / 130 ms of the music's start, to the end.
    KickTimes k = find_all_kicks(t);
    ASSERT_GT(k.beats.size(), 400u);
    for (size_t i = 0; i < k.beats.size(); ++i) {
        EXPECT_GT(k.score[i], 0.6) << "no clear kick on beat " << k.beats[i];
        EXPECT_LE(std::fabs(k.found[i] - k.expected[i]) * 1000.0 / t.rate, 2.0)
            << "kick on beat " << k.beats[i];
    }
    // A straight-line fit of where the kicks are against where the beat
    // clock puts them: no rate conversion, so no drift along the track.
    double n = double(k.beats.size()), sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < k.beats.size(); ++i) {
        sx += k.expected[i];
        sy += k.found[i];
        sxx += k.expected[i] * k.expected[i];
        sxy += k.expected[i] * k.found[i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx), offset = (sy - slope * sx) / n;
    RecordProperty("mixer_rate_error_ppm", std::to_string((slope - 1.0) * 1e6));
    EXPECT_LT(std::fabs(slope - 1.0), 5e-6) << "the mixer converts the track's rate";
    EXPECT_LT(std::fabs(offset) * 1000.0 / t.rate, 1.0) << "the music starts late or early";
}

TEST_F(DecodedTrackTest, BreakHasNoKick)
{
    // The picture stops flashing for beats 64-68, and the kick stops with it.
    const std::vector<float> signal = low_mono(t), shape = kick_shape(t.rate);
    for (int beat = 64; beat < 68; ++beat)
        EXPECT_LT(find_kick(signal, shape, t.beat_frame(beat), t.rate).level, 0.25)
            << "beat " << beat;
    // Either side of it the kick is there; under the limiter and the full
    // sections' fader it sits at about 0.4 of a lone kick.
    for (int beat : {63, 68})
        EXPECT_GT(find_kick(signal, shape, t.beat_frame(beat), t.rate).level, 0.3) << beat;
}

// ------------------------------------------------------------------ levels

TEST_F(DecodedTrackTest, RunsPastTheEndOfTheShow) { EXPECT_GE(double(t.frames()) / t.rate, 248.0); }

TEST_F(DecodedTrackTest, LevelMeterReadsSilenceInTheGapsOfTheRingScene)
{
    // The particle rings go black in silence: before beats 256 and 288 the
    // track stops dead for most of two beats. Check each chunk's level the
    // way the show's meter computes it (first 100 samples of the chunk).
    for (double gap : {254.0, 286.0}) {
        size_t first = size_t(t.beat_frame(gap + 0.1)) / k_chunk_frames + 1;
        size_t last = size_t(t.beat_frame(gap + 1.9)) / k_chunk_frames;
        ASSERT_LT(first, last);
        for (size_t chunk = first; chunk < last; ++chunk) {
            double f = double(chunk * k_chunk_frames);
            EXPECT_LE(mean_level(t, f, f + 50.0), 4.0) << "chunk at beat " << gap << "+";
        }
        EXPECT_GT(mean_level(t, t.beat_frame(gap + 2.0), t.beat_frame(gap + 2.5)), 1000.0)
            << "back in after " << gap;
    }
}

TEST_F(DecodedTrackTest, IntroIsQuietAndTheRecapIsTheMostIntensePart)
{
    const double intro = rms_db(t, 0, 16), drop = rms_db(t, 32, 64),
                 recap = rms_db(t, embedded_schedule().recaps.at(0).start,
                                embedded_schedule().recaps.at(0).end);
    EXPECT_LT(intro, drop - 10.0);
    for (auto [from, to] :
         {std::pair{32, 64}, {68, 160}, {160, 224}, {224, 288}, {288, 416}, {448, 512}})
        EXPECT_GE(recap, rms_db(t, from, to) - 0.3) << "section " << from << "-" << to;
}

TEST_F(DecodedTrackTest, HasFadedToSilenceByBeat528)
{
    EXPECT_GT(mean_level(t, t.beat_frame(512), t.beat_frame(514)), 300.0);
    EXPECT_LE(mean_level(t, t.beat_frame(528), double(t.frames())), 1.0);
}

TEST_F(DecodedTrackTest, NeverClipsAndHasNoDcOffset)
{
    int peak = 0;
    double sum[2] = {0, 0};
    for (size_t i = 0; i < t.pcm.size(); ++i) {
        peak = std::max(peak, std::abs(int(t.pcm[i])));
        sum[i % 2] += t.pcm[i];
    }
    // -1 dBFS; the 48 kHz stream is already an oversampled view of the file.
    EXPECT_LE(peak, int(32768.0 * std::pow(10.0, -1.0 / 20.0)));
    for (double s : sum) EXPECT_LT(std::fabs(s / double(t.frames())), 10.0);
}

}  // namespace
