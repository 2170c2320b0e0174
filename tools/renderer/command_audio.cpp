// audio: the soundtrack as the show's mixer plays it.
#include "args.h"
#include "commands.h"
#include "output_file.h"
#include "soundtrack.h"
#include "wav.h"

namespace {

const char* const k_audio_help =
    "usage: krelan-render audio --out FILE.wav\n"
    "\n"
    "The soundtrack as the show's mixer plays it (48 kHz, 16-bit stereo), from\n"
    "the start of the music to its end, as a WAV file.\n";

}  // namespace

int command_audio(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv, {{"out", true}}, &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_audio_help);
    if (!require(args, "out", &error)) return report(k_status_usage, error);
    const std::string out = args.values["out"];
    const std::string temp = reserve_output(out, &error);
    if (temp.empty()) return report(k_status_failed, error);
    Soundtrack track;
    if (!mix_soundtrack(-1, &track, &error)) return report(k_status_failed, error);
    if (!commit_output_bytes(
            temp, out,
            wav_bytes(track.samples.data(), track.samples.size(), k_mix_rate, k_mix_channels),
            &error))
        return report(k_status_failed, error);
    return k_status_ok;
}
