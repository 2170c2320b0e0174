// krelan-mix-report: how the track measures, section by section.
//
//   krelan-mix-report --track decoded.wav [--check]
//
// Reads a rendered or decoded track (16-bit stereo WAV at 44.1 kHz) and
// prints, per section of the show and for the whole: loudness (EBU R128,
// through libebur128), true peak, crest factor, the third-octave balance,
// how alike the channels are, and how much each 16-beat block differs from
// the one before. It also renders the track itself to see what the master
// bus does (limiter gain within each beat, samples over each clipper's
// knee). With --check it exits 1 when the track misses a target.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis.h"
#include "arrangement.h"
#include "engine.h"
#include "loudness.h"
#include "track_wav.h"

namespace {

constexpr int k_block_beats = 16;
constexpr int k_band_50 = 3, k_band_63 = 4, k_band_2k = 19, k_band_6k3 = 24;

struct Span {
    size_t begin, end;  // frames
};

Span beats(const std::vector<float>& track, int from, int to)
{
    size_t frames = track.size() / 2;
    return {std::min(frames, size_t(beat_to_sample(from))),
            std::min(frames, size_t(beat_to_sample(to)))};
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// What the master bus did over a stretch: the limiter's mean gain reduction,
// its gain swing inside each beat (the median beat and the worst beat, with
// where the worst one is) and the largest share of a clipper's samples over
// its knee.
struct BusStats {
    double reduction = 0.0, swing_median = 0.0, swing_max = 0.0, over_knee = 0.0;
    int worst_beat = -1;
};

BusStats bus_stats(const BusTrace& trace, int from, int to)
{
    BusStats s;
    std::vector<double> swings;
    for (int b = from; b < to; ++b) {
        size_t a = size_t(beat_to_sample(b)),
               e = std::min(trace.limiter_gain.size(), size_t(beat_to_sample(b + 1)));
        if (a >= e) break;
        auto [lo, hi] = std::minmax_element(trace.limiter_gain.begin() + long(a),
                                            trace.limiter_gain.begin() + long(e));
        swings.push_back(20.0 * std::log10(double(*hi) / double(*lo)));
        if (swings.back() > s.swing_max) {
            s.swing_max = swings.back();
            s.worst_beat = b;
        }
    }
    s.swing_median = median(swings);
    size_t a = size_t(beat_to_sample(from)),
           e = std::min(trace.limiter_gain.size(), size_t(beat_to_sample(to)));
    double reduction = 0.0;
    for (size_t i = a; i < e; ++i) reduction -= 20.0 * std::log10(double(trace.limiter_gain[i]));
    s.reduction = e > a ? reduction / double(e - a) : 0.0;
    // The knee share is the worst of the clippers': each one's own samples.
    for (const auto& clipper : trace.over_knee) {
        double over = 0.0;
        for (size_t i = a; i < std::min(e, clipper.size()); ++i) over += clipper[i];
        if (e > a)
            s.over_knee = std::max(s.over_knee,
                                   over / double((e - a) * size_t(trace.clip_samples_per_frame)));
    }
    return s;
}

struct SectionRow {
    Section section;
    Loudness loudness;
    Spectrum spectrum;
    double correlation, crest;
    BusStats bus;
};

SectionRow measure_section(const std::vector<float>& track, const BusTrace& trace, const Section& s)
{
    Span span = beats(track, s.begin_beat, s.end_beat);
    return {s,
            measure_loudness(track, span.begin, span.end),
            measure_spectrum(track, span.begin, span.end),
            correlation(track, span.begin, span.end),
            crest_factor_db(track, span.begin, span.end),
            bus_stats(trace, s.begin_beat, s.end_beat)};
}

double presence_worst(const Spectrum& s)
{
    double worst = 0.0;
    for (int b = k_band_2k; b <= k_band_6k3; ++b)
        if (std::fabs(s.relative_db(b)) > std::fabs(worst)) worst = s.relative_db(b);
    return worst;
}

void print_sections(const std::vector<SectionRow>& rows)
{
    std::printf("%-10s %-7s %6s %6s %6s %5s %5s %5s %5s %6s %6s %5s %5s %5s %6s\n", "section",
                "beats", "I", "S max", "TP", "crest", "corr", "c<150", "mono", "50-63", "2-6k3",
                "gr", "swing", "max", "knee");
    std::printf("%-10s %-7s %6s %6s %6s %5s %5s %5s %5s %6s %6s %5s %5s %5s %6s\n", "", "", "LUFS",
                "LUFS", "dBTP", "dB", "", "", "LU", "dB", "dB", "dB", "dB", "dB", "%");
    for (const SectionRow& r : rows) {
        char span[16];
        std::snprintf(span, sizeof span, "%d-%d", r.section.begin_beat, r.section.end_beat);
        std::printf(
            "%-10s %-7s %6.1f %6.1f %6.1f %5.1f %5.2f %5.2f %5.2f %6.1f %6.1f %5.1f %5.1f %5.1f "
            "%6.2f%s\n",
            r.section.name.c_str(), span, r.loudness.integrated, r.loudness.short_term_max,
            r.loudness.true_peak, r.crest, r.correlation, r.spectrum.low_correlation(),
            r.loudness.mono_loss,
            std::max(r.spectrum.relative_db(k_band_50), r.spectrum.relative_db(k_band_63)),
            presence_worst(r.spectrum), r.bus.reduction, r.bus.swing_median, r.bus.swing_max,
            100.0 * r.bus.over_knee, r.section.full ? "  full" : "");
    }
}

void print_balance(const Spectrum& whole, const Spectrum& full)
{
    std::printf("\nthird-octave balance, dB relative to 1 kHz\n%-6s %6s %6s\n", "band", "whole",
                "full");
    for (int b = 0; b < k_third_octaves; ++b)
        std::printf("%-6s %6.1f %6.1f\n", third_octave_label(b), whole.relative_db(b),
                    full.relative_db(b));
}

// ---------------------------------------------------------------- block changes

// Broad bands for the blocks' tone: sub, bass, low mids, presence, air
// (third-octave indices, inclusive).
constexpr int k_broad[5][2] = {{0, 4}, {5, 10}, {11, 16}, {17, 22}, {23, 28}};

struct Block {
    int beat;
    double loudness;  // LUFS
    double tone[5];   // dB relative to the block's total
    double onsets;    // per beat
};

Block measure_block(const std::vector<float>& track, const std::vector<size_t>& onsets, int beat)
{
    Block k{beat, 0.0, {}, 0.0};
    Span span = beats(track, beat, beat + k_block_beats);
    k.loudness = measure_loudness(track, span.begin, span.end).integrated;
    Spectrum s = measure_spectrum(track, span.begin, span.end);
    double total = 1e-30;
    for (double p : s.band) total += p;
    for (int g = 0; g < 5; ++g) {
        double p = 1e-30;
        for (int b = k_broad[g][0]; b <= k_broad[g][1]; ++b) p += s.band[b];
        k.tone[g] = 10.0 * std::log10(p / total);
    }
    k.onsets = double(std::count_if(onsets.begin(), onsets.end(),
                                    [&](size_t f) { return f >= span.begin && f < span.end; })) /
               k_block_beats;
    return k;
}

// How different a block is from the one before, in loudness units: the
// loudness step, the RMS change of the tone over the five broad bands
// (both in dB), and the change in onset density, a doubling counting 6.
// A silent block counts as 60 LU below the quietest in loudness.
struct Change {
    double loudness, tone, onsets, total;
};

Change block_change(const Block& a, const Block& b)
{
    auto level = [](double lufs) { return std::isfinite(lufs) ? lufs : -70.0; };
    Change c{};
    c.loudness = level(b.loudness) - level(a.loudness);
    double sum = 0.0;
    for (int g = 0; g < 5; ++g) sum += (b.tone[g] - a.tone[g]) * (b.tone[g] - a.tone[g]);
    c.tone = std::sqrt(sum / 5.0);
    c.onsets = 6.0 * std::log2((b.onsets + 0.1) / (a.onsets + 0.1));
    c.total = std::sqrt(c.loudness * c.loudness + c.tone * c.tone + c.onsets * c.onsets);
    return c;
}

std::vector<std::pair<int, Change>> print_blocks(const std::vector<float>& track)
{
    const std::vector<size_t> onsets = find_onsets(track);
    std::vector<Block> blocks;
    for (int b = 0; b + k_block_beats <= int(k_end_beat); b += k_block_beats)
        blocks.push_back(measure_block(track, onsets, b));
    std::printf("\n16-beat blocks: change from the block before\n%-6s %6s %7s %6s %6s %6s %6s\n",
                "beat", "I", "onsets", "dLU", "dtone", "dons", "change");
    std::vector<std::pair<int, Change>> changes;
    for (size_t i = 0; i < blocks.size(); ++i) {
        std::printf("%-6d %6.1f %7.2f", blocks[i].beat, blocks[i].loudness, blocks[i].onsets);
        if (i > 0) {
            Change c = block_change(blocks[i - 1], blocks[i]);
            changes.emplace_back(blocks[i].beat, c);
            std::printf(" %6.1f %6.1f %6.1f %6.1f", c.loudness, c.tone, c.onsets, c.total);
        }
        std::printf("\n");
    }
    return changes;
}

// ---------------------------------------------------------------- targets

struct Targets {
    int missed = 0;
    void check(bool ok, const char* what, double value)
    {
        std::printf("  %-4s %-72s %7.2f\n", ok ? "ok" : "MISS", what, value);
        if (!ok) ++missed;
    }
};

int check_targets(const std::vector<SectionRow>& rows, const Loudness& whole, double seconds,
                  const std::vector<std::pair<int, Change>>& changes)
{
    Targets t;
    std::printf("\ntargets\n");
    t.check(whole.integrated >= -11.0 && whole.integrated <= -9.0,
            "integrated loudness -11..-9 LUFS", whole.integrated);
    t.check(whole.true_peak <= -1.0, "true peak at most -1 dBTP", whole.true_peak);
    t.check(seconds >= 248.0, "at least 248 s long", seconds);
    double sum = 0.0, recap = 0.0;
    int count = 0, worst_swing_beat = -1;
    double worst_swing = 0.0, worst_knee = 0.0, worst_sub = -99.0, worst_presence = 0.0,
           worst_low = 1.0, worst_mono = 0.0, corr_lo = 1.0, corr_hi = 0.0;
    for (const SectionRow& r : rows) {
        if (!r.section.full) continue;
        if (r.section.name == "recap") {
            recap = r.loudness.integrated;
        } else {
            sum += r.loudness.integrated;
            ++count;
        }
        if (r.bus.swing_max > worst_swing) {
            worst_swing = r.bus.swing_max;
            worst_swing_beat = r.bus.worst_beat;
        }
        worst_knee = std::max(worst_knee, r.bus.over_knee);
        worst_sub = std::max(
            {worst_sub, r.spectrum.relative_db(k_band_50), r.spectrum.relative_db(k_band_63)});
        double p = presence_worst(r.spectrum);
        if (std::fabs(p) > std::fabs(worst_presence)) worst_presence = p;
        worst_low = std::min(worst_low, r.spectrum.low_correlation());
        worst_mono = std::max(worst_mono, r.loudness.mono_loss);
        corr_lo = std::min(corr_lo, r.correlation);
        corr_hi = std::max(corr_hi, r.correlation);
    }
    double lift = recap - sum / std::max(count, 1);
    t.check(lift >= 1.5, "recap over the other full sections' average, at least 1.5 LU", lift);
    char swing[96];
    std::snprintf(swing, sizeof swing,
                  "limiter swing within a beat, full sections, worst beat (%d), <= 1.5 dB",
                  worst_swing_beat);
    t.check(worst_swing <= 1.5, swing, worst_swing);
    t.check(worst_knee <= 0.01, "share over a clipper's knee (the worst), full sections, <= 1 %",
            100.0 * worst_knee);
    t.check(worst_sub <= 13.0, "50-63 Hz over 1 kHz, full sections, <= 13 dB", worst_sub);
    t.check(std::fabs(worst_presence) <= 4.0,
            "2-6.3 kHz bands within 4 dB of 1 kHz, full sections (worst)", worst_presence);
    t.check(corr_lo >= 0.75, "left/right correlation, full sections, lowest >= 0.75", corr_lo);
    t.check(corr_hi <= 0.88, "left/right correlation, full sections, highest <= 0.88", corr_hi);
    t.check(worst_low >= 0.98, "left/right correlation below 150 Hz, full sections, >= 0.98",
            worst_low);
    t.check(worst_mono <= 1.0, "mono fold-down loss, full sections, <= 1 LU", worst_mono);
    double largest = 0.0;
    for (const auto& [beat, c] : changes) largest = std::max(largest, c.total);
    for (int scene : {160, 224, 288, 416})
        for (const auto& [beat, c] : changes)
            if (beat == scene) {
                char what[96];
                std::snprintf(what, sizeof what,
                              "change at beat %d, at least half the largest (%.1f)", scene,
                              largest);
                t.check(c.total >= 0.5 * largest, what, c.total);
            }
    std::printf("%d target(s) missed\n", t.missed);
    return t.missed;
}

int usage()
{
    std::fprintf(stderr, "usage: krelan-mix-report --track FILE.wav [--seed N] [--check]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string path;
    uint64_t seed = k_default_seed;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--track") && i + 1 < argc)
            path = argv[++i];
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 0);
        else if (!std::strcmp(argv[i], "--check"))
            check = true;
        else
            return usage();
    }
    std::vector<float> track;
    if (path.empty()) return usage();
    if (!read_wav(path, track)) {
        std::fprintf(stderr, "cannot read %s as 16-bit stereo WAV at %d Hz\n", path.c_str(),
                     k_sample_rate);
        return 2;
    }
    const Song song = compose(seed);
    const size_t frames = track.size() / 2;
    BusTrace trace;
    RenderOptions options;
    options.trace = &trace;
    render(song, 0, int64_t(frames), options);

    std::vector<SectionRow> rows;
    for (const Section& s : song.sections) rows.push_back(measure_section(track, trace, s));
    Section all{0, int(k_end_beat), "whole"};
    rows.push_back(measure_section(track, trace, all));
    print_sections(rows);

    Spectrum full;
    for (const SectionRow& r : rows)
        if (r.section.full)
            for (int b = 0; b < k_third_octaves; ++b) full.band[b] += r.spectrum.band[b];
    print_balance(rows.back().spectrum, full);
    auto changes = print_blocks(track);
    rows.pop_back();
    Loudness whole = measure_loudness(track, 0, frames);
    std::printf("\nwhole file: %.2f s, integrated %.1f LUFS, true peak %.1f dBTP\n",
                double(frames) / k_sample_rate, whole.integrated, whole.true_peak);
    int missed = check_targets(rows, whole, double(frames) / k_sample_rate, changes);
    return check && missed > 0 ? 1 : 0;
}
