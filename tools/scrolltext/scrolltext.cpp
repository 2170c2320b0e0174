// Build step: turns the greetings line into the scroller's token sequence,
// checks it against the form the show needs, and writes scrolltext.glsl.
//
//   scrolltext GREETINGS.txt SCROLLER.glsl OUT.glsl
//
// GREETINGS.txt holds the line (lines starting with '#' are notes and are
// skipped). Exits with 1 and says what is off when the line does not fit;
// the output is then left untouched.
#include "scrolltext.h"
#include "files.h"
#include "shader_assembly.h"

#include <filesystem>
#include <iostream>
#include <sstream>

namespace {

// The one line of text in the greetings file, without its line end.
bool greetings_line(const std::string& file, std::string* line, std::string* error)
{
    std::istringstream in(file);
    int found = 0;
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l.empty() || l[0] == '#') continue;
        *line = l;
        ++found;
    }
    if (found != 1) {
        *error = "expected exactly one line of text, found " + std::to_string(found);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: scrolltext GREETINGS.txt SCROLLER.glsl OUT.glsl\n";
        return 2;
    }
    const std::string greetings_path = argv[1];
    std::string greetings, scroller, line, error;
    if (!read_file(greetings_path, &greetings)) {
        std::cerr << "scrolltext: cannot read " << greetings_path << "\n";
        return 1;
    }
    if (!read_file(argv[2], &scroller)) {
        std::cerr << "scrolltext: cannot read " << argv[2] << "\n";
        return 1;
    }
    ScrollTokenTable table;
    std::vector<std::string> tokens;
    if (!read_scroll_tokens(scroller, &table, &error) ||
        !greetings_line(greetings, &line, &error) ||
        !tokenize_scroll_line(line, table, &tokens, &error)) {
        std::cerr << "scrolltext: " << greetings_path << ": " << error << "\n";
        return 1;
    }
    if (!check_greetings(line, tokens, table, &error)) {
        std::cerr << "scrolltext: " << greetings_path << " does not fit the scroller:\n" << error;
        return 1;
    }
    const std::string name = std::filesystem::path(greetings_path).filename().string();
    std::string piece = scroll_text_piece(line, tokens, table, name);
    if (!write_file(argv[3], piece)) {
        std::cerr << "scrolltext: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
