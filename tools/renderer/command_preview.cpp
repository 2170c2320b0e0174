// preview: a contact sheet of the whole show.
#include "args.h"
#include "beat_clock.h"
#include "commands.h"
#include "contact_sheet.h"
#include "output_file.h"
#include "render_gl.h"
#include "timeline.h"

#include <cstdio>

namespace {

const char* const k_preview_help =
    "usage: krelan-render preview --out FILE.png [--every K]\n"
    "\n"
    "A contact sheet of the whole show: one 240x135 frame every K beats\n"
    "(default 8) from beat 0 to 528, 8 to a row, each labelled with its beat.\n"
    "Each is the show's frame at 60 frames per second at or just after that beat.\n";

}  // namespace

int command_preview(int argc, char** argv)
{
    ParsedArgs args;
    std::string error;
    if (!parse_command(argc, argv, {{"out", true}, {"every", true}}, &args, &error))
        return report(k_status_usage, error);
    if (args.help) return print_help(k_preview_help);
    float every = 8;
    if (!require(args, "out", &error) ||
        (has_option(args, "every") &&
         !parse_float(args.values["every"], "--every", &every, &error)))
        return report(k_status_usage, error);
    if (!(every >= 0.25f)) return report(k_status_usage, "--every must be at least 0.25 beats");

    constexpr int k_factor = 8;  // 1920x1080 -> 240x135
    constexpr int k_per_row = 8;
    constexpr int k_tile_w = 1920 / k_factor, k_tile_h = 1080 / k_factor;
    std::vector<float> beats;
    for (int i = 0; i * every <= k_end_beat; ++i) beats.push_back(i * every);

    const std::string out = args.values["out"];
    const std::string temp = reserve_output(out, &error);
    if (temp.empty()) return report(k_status_failed, error);
    std::vector<int64_t> frames;
    for (float b : beats) frames.push_back(first_frame_at_or_after(b, k_default_fps));
    Soundtrack track;
    if (!mix_up_to(frame_sample(frames.back() + 1, k_default_fps), &track, &error) ||
        !open_show(&error))
        return report(k_status_failed, error);

    Image sheet;
    sheet.width = k_tile_w * k_per_row;
    sheet.height = k_tile_h * static_cast<int>((beats.size() + k_per_row - 1) / k_per_row);
    sheet.channels = 3;
    sheet.pixels.assign(size_t(sheet.width) * sheet.height * 3, 0);
    ShowTimeline timeline;
    timeline.fps = k_default_fps;
    timeline.track = &track;
    Progress progress;
    progress_start(&progress, static_cast<long>(beats.size()));
    for (size_t i = 0; i < beats.size(); ++i) {
        draw_timeline_frame(&timeline, frames[i]);
        Image tile = shrink(read_frame(3), k_factor);
        draw_label(&tile, number_text(beats[i]), 2);
        place_tile(&sheet, tile, static_cast<int>(i % k_per_row) * k_tile_w,
                   static_cast<int>(i / k_per_row) * k_tile_h);
        progress_update(&progress, static_cast<long>(i + 1));
    }
    progress_finish(&progress);
    if (!commit_output_bytes(temp, out, png_bytes(sheet), &error))
        return report(k_status_failed, error);
    std::fprintf(stderr, "krelan-render: contact sheet written to %s\n", out.c_str());
    return k_status_ok;
}
