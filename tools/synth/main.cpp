// krelan-synth: renders the soundtrack to a 16-bit WAV file.
//
//   krelan-synth --out music.wav            the whole track
//   krelan-synth --sections                 section starts (beat, seconds, name)
//   krelan-synth --out x.wav --from 60 --to 75 --only kick,bass
//                                           a stretch, some parts only (for listening)

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "arrangement.h"
#include "engine.h"
#include "track_wav.h"

namespace {

int usage()
{
    std::fprintf(
        stderr,
        "usage: krelan-synth --out FILE.wav [--seed N] [--from SEC] [--to SEC] [--only PART,...]\n"
        "       krelan-synth --sections\n");
    return 2;
}

bool parse_parts(const std::string& list, uint32_t& mask)
{
    mask = 0;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t comma = list.find(',', pos);
        std::string name =
            list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        bool found = false;
        for (int p = 0; p < k_part_count; ++p)
            if (name == part_name(Part(p))) {
                mask |= 1u << p;
                found = true;
            }
        if (!found) {
            std::fprintf(stderr, "unknown part '%s'\n", name.c_str());
            return false;
        }
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string out;
    uint64_t seed = k_default_seed;
    double from = 0.0, to = k_track_seconds;
    bool sections = false;
    RenderOptions options;
    for (int i = 1; i < argc; ++i) {
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (!std::strcmp(argv[i], "--out") && (v = value())) {
            out = v;
        } else if (!std::strcmp(argv[i], "--seed") && (v = value())) {
            seed = std::strtoull(v, nullptr, 0);
        } else if (!std::strcmp(argv[i], "--from") && (v = value())) {
            from = std::atof(v);
        } else if (!std::strcmp(argv[i], "--to") && (v = value())) {
            to = std::atof(v);
        } else if (!std::strcmp(argv[i], "--only") && (v = value())) {
            if (!parse_parts(v, options.parts)) return 2;
        } else if (!std::strcmp(argv[i], "--sections")) {
            sections = true;
        } else {
            return usage();
        }
    }

    Song song = compose(seed);
    if (sections) {
        for (const Section& s : song.sections)
            std::printf("%d %.3f %s\n", s.begin_beat,
                        double(beat_to_sample(s.begin_beat)) / k_sample_rate, s.name.c_str());
        return 0;
    }
    if (out.empty() || !(to > from)) return usage();

    int64_t begin = std::llround(from * k_sample_rate);
    int64_t end = std::llround(std::min(to, song.seconds) * k_sample_rate);
    std::vector<float> audio = render(song, begin, end, options);

    double peak = 0.0, sum = 0.0, dc_l = 0.0, dc_r = 0.0;
    for (size_t i = 0; i < audio.size(); ++i) {
        peak = std::max(peak, double(std::fabs(audio[i])));
        sum += double(audio[i]) * audio[i];
        (i % 2 ? dc_r : dc_l) += audio[i];
    }
    double frames = double(audio.size() / 2);
    std::fprintf(
        stderr, "%.2f s, %zu notes, sample peak %.2f dBFS, rms %.2f dBFS, dc %.2e / %.2e\n",
        frames / k_sample_rate, song.notes.size(), 20.0 * std::log10(std::max(peak, 1e-12)),
        10.0 * std::log10(std::max(sum / double(audio.size()), 1e-24)), dc_l / frames,
        dc_r / frames);

    if (!write_wav(out, to_pcm16(audio, seed ^ 0xD17E5EEDull))) {
        std::fprintf(stderr, "cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
