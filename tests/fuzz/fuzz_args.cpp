// Fuzz target: krelan-render's argument parsing and the frame range it turns
// --from, --to and --fps into. The input is the words of a command line,
// separated by NUL bytes; the first byte picks the command's option table.
#include "args.h"
#include "commands.h"
#include "timeline.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    std::vector<std::string> words(1, "cmd");
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    if (words.size() > 64) return 0;
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    const std::vector<OptionSpec> show = {
        {"from", true}, {"to", true}, {"fps", true}, {"frames", true}, {"video", true}};
    const std::vector<OptionSpec> frame = {
        {"beat", true}, {"sound", true}, {"fps", true}, {"out", true}, {"json", false}};
    ParsedArgs args;
    std::string error;
    if (!parse_args(int(argv.size()), argv.data(), 1, data[0] & 1 ? show : frame, &args, &error))
        return 0;
    float from = -0.5f, to = 0, beat = 0;
    double fps = 0;
    long sound = 0;
    const bool has_to = has_option(args, "to");
    if ((has_option(args, "from") && !parse_beat(args, "from", &from, &error)) ||
        (has_to && !parse_beat(args, "to", &to, &error)) || !parse_fps(args, &fps, &error))
        return 0;
    if (has_option(args, "beat") && parse_beat(args, "beat", &beat, &error))
        (void)beat_sample(beat);
    if (has_option(args, "sound")) (void)parse_sound(args, &sound, &error);
    const FrameRange range = frames_between(from, has_to ? &to : nullptr, fps);
    if (range.last >= range.first) (void)frame_sample(range.last + 1, fps);
    return 0;
}
