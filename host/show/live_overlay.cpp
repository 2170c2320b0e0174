#include "live_overlay.h"

#include "gpu.h"
#include "overlay_text.h"

#include <algorithm>

namespace {

constexpr float k_margin = 24.0f;
constexpr float k_line_step = k_live_text_height * 1.25f;
// An error takes at most this many lines at the bottom; the frame stays
// visible above them.
constexpr size_t k_error_lines = 8;

}  // namespace

std::vector<std::string> overlay_lines(const std::string& message)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < message.size()) {
        size_t length = std::min<size_t>(k_overlay_max_chars, message.size() - at);
        if (at + length < message.size()) {
            // Break after the last space of the piece's last quarter, if any.
            const size_t space = message.rfind(' ', at + length - 1);
            if (space != std::string::npos && space >= at + length * 3 / 4) length = space + 1 - at;
        }
        lines.push_back(message.substr(at, length));
        at += length;
    }
    return lines;
}

void draw_live_overlay(const std::vector<std::string>& display,
                       const std::vector<std::string>& errors)
{
    float y = k_frame_height - k_margin - k_live_text_height;
    for (const std::string& line : display) {
        draw_overlay_text(line.c_str(), k_margin, y, k_live_text_height);
        y -= k_line_step;
    }
    std::vector<std::string> lines;
    for (const std::string& error : errors)
        for (const std::string& line : overlay_lines(error))
            if (lines.size() < k_error_lines) lines.push_back(line);
    if (lines.empty()) return;
    y = k_margin + k_line_step * (lines.size() - 1);
    for (const std::string& line : lines) {
        draw_overlay_text(line.c_str(), k_margin, y, k_live_text_height);
        y -= k_line_step;
    }
}
