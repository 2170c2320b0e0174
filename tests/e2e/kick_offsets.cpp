// How far the picture's beat lies from the kicks a sound server played: the
// kick of beat b starts at (b + 0.5) * 60 / 130 s of the track, so each kick
// the picture reaches is looked up in a recording of the server's output by
// matching the track's own samples there, and timed on the monotonic clock.
//
// Usage: kick_offsets TRACK.wav RECORDING.raw READS BEATS [options]
//   TRACK.wav      the mixer's output from the start of the music
//                  (krelan-render audio), 48 kHz 16-bit stereo
//   RECORDING.raw  what the server played (48 kHz 16-bit stereo, raw)
//   READS          lines "TIME_NS FRAMES": the monotonic time of each read of
//                  the recording and the frames read so far (monitor_stamps)
//   BEATS          lines "TIME_NS BEAT": the beat of each frame the show drew
//                  and when it computed it (KRELAN_BEAT_LOG)
// Options:
//   --sink-latency MS  added to each kick's arrival: the part of the server's
//                      latency after the point the recording taps (default 0)
//   --from S --to S    only the kicks the picture reached within this span,
//                      in seconds after the reference: the first logged frame,
//   --after NS         or this moment of the monotonic clock (monitor_stamps
//                      --now)
//   --list             one line per kick as well
// Prints "kicks=N median=MS spread=MS drift=MS_PER_MIN outliers=N low=MS
// high=MS span=S missed=N first=S sound=S": an offset is the picture's time
// of the beat minus the kick's arrival, positive when the picture is late;
// outliers are the kicks more than 10 ms from the median, spread (a
// standard deviation, from the median deviation) and drift (least squares,
// over time) describe the others; low and high are the extremes; first is
// the first kick found and sound the first loud frame of the recording,
// both in seconds after the reference. Exit status 1 when no kick is found.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double k_rate = 48000.0;
constexpr double k_beat_seconds = 60.0 / 130.0;

// The kick template: from 5 ms before the kick's start to 95 ms after.
constexpr int k_template_before = 240;
constexpr int k_template_length = 4800;
// How far from where the picture puts it a kick is looked for: less than half
// a beat, so the neighbouring kicks stay out of reach.
constexpr int k_search_reach = 10000;
// Below this normalised correlation the place is not the kick (silence, a
// device that was gone, a seek in the middle).
constexpr double k_min_match = 0.9;

struct Read {
    double time;  // seconds, monotonic
    double frames;
};

struct Frame {
    double time;
    double beat;
};

struct Kick {
    int beat;
    double picture;  // seconds
    double offset;   // seconds
    double match;
};

// Mono samples (the mean of both channels) of interleaved 16-bit stereo bytes.
std::vector<float> mono(const std::string& bytes, size_t skip)
{
    std::vector<float> out;
    if (bytes.size() < skip) return out;
    const size_t frames = (bytes.size() - skip) / 4;
    out.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        int16_t l, r;
        std::memcpy(&l, bytes.data() + skip + 4 * i, 2);
        std::memcpy(&r, bytes.data() + skip + 4 * i + 2, 2);
        out[i] = 0.5f * (float(l) + float(r));
    }
    return out;
}

bool slurp(const char* path, std::string* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

template <typename T>
bool read_pairs(const char* path, std::vector<T>* out)
{
    FILE* f = std::fopen(path, "r");
    if (!f) return false;
    long long t = 0;
    double v = 0;
    while (std::fscanf(f, "%lld %lf", &t, &v) == 2) out->push_back({t / 1e9, v});
    std::fclose(f);
    return true;
}

// When frame `index` of the recording reached the recorder: the lower envelope
// of (read time - frames still to come after it / rate) over the reads within
// a second, which strips the time each read waited in the pipe. False when
// no read came within a second of it (a recorder that stalled), so its time
// is unknown.
bool arrival(const std::vector<Read>& reads, double index, double* time)
{
    auto first = std::lower_bound(reads.begin(), reads.end(), index,
                                  [](const Read& r, double i) { return r.frames < i; });
    bool found = false;
    for (auto r = first; r != reads.end() && r->frames - index < k_rate; ++r) {
        const double t = r->time - (r->frames - index) / k_rate;
        if (!found || t < *time) *time = t;
        found = true;
    }
    return found;
}

// The recording's frame that arrived at `time` (inverse of arrival, coarse).
double index_at(const std::vector<Read>& reads, double time)
{
    auto r = std::lower_bound(reads.begin(), reads.end(), time,
                              [](const Read& a, double t) { return a.time < t; });
    if (r == reads.end()) return reads.back().frames + (time - reads.back().time) * k_rate;
    return r->frames - (r->time - time) * k_rate;
}

// When the picture reached `beat`, between two frames that bracket it and lie
// close enough together (a frame of a heavy scene takes about a second on a
// software rasteriser; never across a stop or a seek); negative if none does.
double picture_time(const std::vector<Frame>& frames, double beat)
{
    for (size_t i = 1; i < frames.size(); ++i) {
        const Frame& a = frames[i - 1];
        const Frame& b = frames[i];
        if (a.beat <= beat && beat < b.beat && b.time - a.time < 1.5 && b.beat - a.beat < 4)
            return a.time + (beat - a.beat) / (b.beat - a.beat) * (b.time - a.time);
    }
    return -1;
}

// Normalised correlation of the template with the recording at `at`.
double match_at(const std::vector<float>& rec, long at, const float* tpl, double tpl_norm)
{
    if (at < 0 || at + k_template_length > long(rec.size())) return -1;
    double dot = 0, norm = 0;
    for (int i = 0; i < k_template_length; ++i) {
        dot += double(rec[at + i]) * tpl[i];
        norm += double(rec[at + i]) * rec[at + i];
    }
    return norm > 0 && tpl_norm > 0 ? dot / std::sqrt(norm * tpl_norm) : -1;
}

// The recording's frame where the template starts, searched around `guess`:
// every 4th place first, then the best one's neighbours.
long find_kick(const std::vector<float>& rec, long guess, const float* tpl, double* match)
{
    double tpl_norm = 0;
    for (int i = 0; i < k_template_length; ++i) tpl_norm += double(tpl[i]) * tpl[i];
    long best = -1;
    double best_match = -1;
    for (long at = guess - k_search_reach; at <= guess + k_search_reach; at += 4) {
        const double m = match_at(rec, at, tpl, tpl_norm);
        if (m > best_match) best_match = m, best = at;
    }
    for (long at = best - 4; at <= best + 4; ++at) {
        const double m = match_at(rec, at, tpl, tpl_norm);
        if (m > best_match) best_match = m, best = at;
    }
    *match = best_match;
    return best;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: kick_offsets TRACK.wav RECORDING.raw READS BEATS "
                     "[--sink-latency MS] [--from S] [--to S] [--list]\n");
        return 2;
    }
    double sink_latency = 0, from = -1e300, to = 1e300, after = -1;
    bool list = false;
    for (int i = 5; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--list") {
            list = true;
        } else if (i + 1 < argc && a == "--after") {
            after = std::atof(argv[++i]) / 1e9;
        } else if (i + 1 < argc && a == "--sink-latency") {
            sink_latency = std::atof(argv[++i]) / 1000.0;
        } else if (i + 1 < argc && a == "--from") {
            from = std::atof(argv[++i]);
        } else if (i + 1 < argc && a == "--to") {
            to = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "kick_offsets: unknown option '%s'\n", argv[i]);
            return 2;
        }
    }
    std::string track_bytes, rec_bytes;
    std::vector<Read> reads;
    std::vector<Frame> frames;
    if (!slurp(argv[1], &track_bytes) || !slurp(argv[2], &rec_bytes) ||
        !read_pairs(argv[3], &reads) || !read_pairs(argv[4], &frames) || reads.empty() ||
        frames.size() < 2) {
        std::fprintf(stderr, "kick_offsets: cannot read the inputs\n");
        return 2;
    }
    const std::vector<float> track = mono(track_bytes, 44);
    const std::vector<float> rec = mono(rec_bytes, 0);
    const double t0 = after >= 0 ? after : frames.front().time;
    // The first frame of the recording louder than a quiet passage (after
    // the reference): where the sound started or came back.
    double sound = -1;
    for (size_t i = 0; i < rec.size(); ++i) {
        double t = 0;
        if (std::fabs(rec[i]) > 1000 && arrival(reads, double(i), &t)) {
            if (t >= t0) {
                sound = t - t0;
                break;
            }
        }
    }

    std::vector<Kick> kicks;
    int missed = 0;
    double lowest = 1e300, highest = -1e300;
    for (const Frame& f : frames)
        lowest = std::min(lowest, f.beat), highest = std::max(highest, f.beat);
    for (int b = int(std::ceil(std::max(lowest, 0.0))); b <= int(highest); ++b) {
        const double t = picture_time(frames, b);
        if (t < 0 || t - t0 < from || t - t0 > to) continue;
        // Where the mixer's output carries the kick, and where it should
        // reach the listener: at the beat on the picture's time line.
        const long start = std::lround((b + 0.5) * k_beat_seconds * k_rate) - k_template_before;
        if (start < 0 || start + k_template_length > long(track.size())) continue;
        const long guess = std::lround(index_at(reads, t - sink_latency)) - k_template_before;
        double match = 0;
        const long at = find_kick(rec, guess, &track[start], &match);
        double heard = 0;
        if (match < k_min_match || !arrival(reads, at + k_template_before, &heard)) {
            ++missed;
            if (list)
                std::printf("beat %d at %.3f s: no kick found (best match %.3f)\n", b, t - t0,
                            match);
            continue;
        }
        heard += sink_latency;
        kicks.push_back({b, t, t - heard, match});
        if (list)
            std::printf("beat %d at %.3f s: offset %+.2f ms (match %.4f, recording frame %ld)\n", b,
                        t - t0, (t - heard) * 1000, match, at + k_template_before);
    }
    if (kicks.empty()) {
        std::printf("kicks=0 missed=%d sound=%.3f\n", missed, sound);
        return 1;
    }
    std::vector<double> offsets;
    for (const Kick& k : kicks) offsets.push_back(k.offset * 1000);
    const double middle = median(offsets);
    std::vector<double> deviations;
    for (double o : offsets) deviations.push_back(std::fabs(o - middle));
    // A glitch of the device (a late callback, a dropout) moves a kick or
    // two by tens of ms; they are counted as outliers, and the spread and
    // the drift describe the rest: the spread as the standard deviation a
    // normal spread of the same median deviation has, the drift as the
    // least-squares slope of the kicks within 10 ms of the median.
    const double spread = 1.4826 * median(deviations);
    double mean_t = 0, mean_o = 0;
    int inliers = 0;
    for (const Kick& k : kicks) {
        if (std::fabs(k.offset * 1000 - middle) > 10) continue;
        mean_t += k.picture;
        mean_o += k.offset * 1000;
        ++inliers;
    }
    mean_t /= inliers;
    mean_o /= inliers;
    double sxy = 0, sxx = 0;
    for (const Kick& k : kicks) {
        if (std::fabs(k.offset * 1000 - middle) > 10) continue;
        sxy += (k.picture - mean_t) * (k.offset * 1000 - mean_o);
        sxx += std::pow(k.picture - mean_t, 2);
    }
    const double drift = sxx > 0 ? sxy / sxx * 60 : 0;
    std::printf(
        "kicks=%zu median=%.2f spread=%.2f drift=%.2f outliers=%zu low=%.2f high=%.2f span=%.1f "
        "missed=%d first=%.3f sound=%.3f\n",
        kicks.size(), middle, spread, drift, kicks.size() - inliers,
        *std::min_element(offsets.begin(), offsets.end()),
        *std::max_element(offsets.begin(), offsets.end()),
        kicks.back().picture - kicks.front().picture, missed, kicks.front().picture - t0, sound);
    return 0;
}
