#include "analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "song.h"

namespace {

using Complex = std::complex<double>;

// In-place iterative radix-2 FFT; the size must be a power of two.
void fft(std::vector<Complex>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * M_PI / double(len);
        const Complex step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            Complex w(1.0, 0.0);
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                Complex u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

std::vector<double> hann(size_t n)
{
    std::vector<double> w(n);
    for (size_t i = 0; i < n; ++i) w[i] = 0.5 - 0.5 * std::cos(2.0 * M_PI * double(i) / double(n));
    return w;
}

// Windowed spectra of both channels for the frame starting at `at`
// (zeros past `end`).
void channel_spectra(const std::vector<float>& stereo, size_t at, size_t end,
                     const std::vector<double>& window, std::vector<Complex>& left,
                     std::vector<Complex>& right)
{
    const size_t n = window.size();
    left.assign(n, 0.0);
    right.assign(n, 0.0);
    for (size_t i = 0; i < n && at + i < end; ++i) {
        left[i] = stereo[2 * (at + i)] * window[i];
        right[i] = stereo[2 * (at + i) + 1] * window[i];
    }
    fft(left);
    fft(right);
}

constexpr size_t k_spectrum_size = 8192;  // 5.4 Hz bins: enough for the 25 Hz band
constexpr size_t k_onset_size = 1024;
constexpr size_t k_onset_hop = 512;

}  // namespace

double third_octave_centre(int band)
{
    return 1000.0 * std::pow(2.0, double(band - k_one_kilohertz) / 3.0);
}

const char* third_octave_label(int band)
{
    static const char* k_labels[k_third_octaves] = {
        "25",   "31.5",  "40",  "50",  "63",   "80",  "100", "125",   "160",  "200",
        "250",  "315",   "400", "500", "630",  "800", "1k",  "1.25k", "1.6k", "2k",
        "2.5k", "3.15k", "4k",  "5k",  "6.3k", "8k",  "10k", "12.5k", "16k"};
    return k_labels[band];
}

double Spectrum::relative_db(int b) const
{
    return 10.0 * std::log10((band[b] + 1e-30) / (band[k_one_kilohertz] + 1e-30));
}

double Spectrum::low_correlation() const
{
    return low_ll > 0.0 && low_rr > 0.0 ? low_lr / std::sqrt(low_ll * low_rr) : 1.0;
}

Spectrum measure_spectrum(const std::vector<float>& stereo, size_t begin, size_t end)
{
    Spectrum s;
    const std::vector<double> window = hann(k_spectrum_size);
    const double bin_hz = double(k_sample_rate) / double(k_spectrum_size);
    // Bin range of each band: edges a sixth of an octave either side.
    int first[k_third_octaves], last[k_third_octaves];
    for (int b = 0; b < k_third_octaves; ++b) {
        first[b] = int(std::ceil(third_octave_centre(b) * std::pow(2.0, -1.0 / 6.0) / bin_hz));
        last[b] = int(std::floor(third_octave_centre(b) * std::pow(2.0, 1.0 / 6.0) / bin_hz));
    }
    const int low_last = int(k_mono_below_hz / bin_hz);
    std::vector<Complex> left, right;
    for (size_t at = begin; at < end; at += k_spectrum_size / 2) {
        channel_spectra(stereo, at, end, window, left, right);
        for (int b = 0; b < k_third_octaves; ++b)
            for (int k = first[b]; k <= last[b]; ++k)
                s.band[b] += std::norm(left[size_t(k)]) + std::norm(right[size_t(k)]);
        for (int k = 1; k <= low_last; ++k) {
            s.low_lr += (left[size_t(k)] * std::conj(right[size_t(k)])).real();
            s.low_ll += std::norm(left[size_t(k)]);
            s.low_rr += std::norm(right[size_t(k)]);
        }
    }
    return s;
}

double correlation(const std::vector<float>& stereo, size_t begin, size_t end)
{
    double lr = 0.0, ll = 0.0, rr = 0.0, ml = 0.0, mr = 0.0;
    const double n = double(std::max<size_t>(end - begin, 1));
    for (size_t i = begin; i < end; ++i) {
        ml += stereo[2 * i];
        mr += stereo[2 * i + 1];
    }
    ml /= n;
    mr /= n;
    for (size_t i = begin; i < end; ++i) {
        double l = stereo[2 * i] - ml, r = stereo[2 * i + 1] - mr;
        lr += l * r;
        ll += l * l;
        rr += r * r;
    }
    return ll > 0.0 && rr > 0.0 ? lr / std::sqrt(ll * rr) : 1.0;
}

double crest_factor_db(const std::vector<float>& stereo, size_t begin, size_t end)
{
    double peak = 0.0, sum = 0.0;
    for (size_t i = 2 * begin; i < 2 * end; ++i) {
        peak = std::max(peak, double(std::fabs(stereo[i])));
        sum += double(stereo[i]) * stereo[i];
    }
    double rms = std::sqrt(sum / double(std::max<size_t>(2 * (end - begin), 1)));
    return rms > 0.0 ? 20.0 * std::log10(peak / rms) : 0.0;
}

std::vector<size_t> find_onsets(const std::vector<float>& stereo)
{
    const size_t frames = stereo.size() / 2;
    const std::vector<double> window = hann(k_onset_size);
    std::vector<double> flux, previous(k_onset_size / 2, 0.0);
    std::vector<Complex> left, right;
    for (size_t at = 0; at + k_onset_size <= frames; at += k_onset_hop) {
        channel_spectra(stereo, at, frames, window, left, right);
        double rise = 0.0;
        for (size_t k = 1; k < k_onset_size / 2; ++k) {
            // Log magnitude with a floor near the noise, so that dither and
            // reverb tails in quiet passages do not count as onsets.
            double level = std::log10(1e-4 + std::abs(left[k] + right[k]));
            rise += std::max(0.0, level - previous[k]);
            previous[k] = level;
        }
        flux.push_back(rise);
    }
    // A peak counts when it is the largest within +-3 hops (35 ms) and
    // clearly above the mean of the surrounding quarter second.
    std::vector<size_t> onsets;
    const int near = 3, around = 10;
    for (size_t i = 0; i < flux.size(); ++i) {
        size_t a = i >= size_t(around) ? i - size_t(around) : 0,
               b = std::min(flux.size(), i + size_t(around) + 1);
        double mean = 0.0;
        bool peak = true;
        for (size_t j = a; j < b; ++j) {
            mean += flux[j];
            if (j + size_t(near) >= i && j <= i + size_t(near) && flux[j] > flux[i]) peak = false;
        }
        mean /= double(b - a);
        if (peak && flux[i] > 1.5 * mean && flux[i] > 5.0)
            onsets.push_back(i * k_onset_hop + k_onset_size / 2);
    }
    return onsets;
}
