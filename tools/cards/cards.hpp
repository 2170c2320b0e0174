// The two title cards of the show: the flashing-lights warning shown first
// and the end card shown last. Both are 1920 x 1080, black, with white and
// blue monoline lettering.
#pragma once

#include <string>
#include <vector>

#include "canvas.hpp"

namespace krelan::cards {

constexpr int kCardWidth = 1920;
constexpr int kCardHeight = 1080;

constexpr Color kBlack{0.0f, 0.0f, 0.0f};
constexpr Color kWhite{1.0f, 1.0f, 1.0f};
constexpr Color kBlue{0.22f, 0.5f, 1.0f};

// "Warning" in four languages, shown in a row above and below the text.
const std::vector<std::string>& warning_words();
// The three paragraphs of the disclaimer, in capitals.
const std::vector<std::string>& warning_paragraphs();

struct EndCardText {
    std::string label;    // release label above the title
    std::string title;    // the production's name
    std::string event;    // event and year below the title
    std::vector<std::pair<std::string, std::string>> credits;  // role, handle
};
const EndCardText& end_card_text();

Canvas draw_warning_card();
Canvas draw_end_card();

}  // namespace krelan::cards
