#include "show_mixer.h"

#include "mixer_format.h"

#include <SDL_mixer.h>

namespace {

// The sample format of mixer_format.h in SDL's terms.
constexpr Uint16 k_mix_format = AUDIO_S16LSB;
static_assert(SDL_AUDIO_BITSIZE(k_mix_format) == 8 * k_mix_sample_bytes &&
                  SDL_AUDIO_ISSIGNED(k_mix_format) && !SDL_AUDIO_ISBIGENDIAN(k_mix_format),
              "the mixer's samples are signed 16-bit little-endian");

}  // namespace

bool open_show_mixer()
{
    // No changes allowed: SDL converts for the device instead.
    return Mix_OpenAudioDevice(k_mix_rate, k_mix_format, k_mix_channels, k_mix_chunk_frames,
                               nullptr, 0) == 0;
}
