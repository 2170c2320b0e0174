// Assembly of program texts from shared GLSL pieces, used by the build-time
// embedder, by krelan-demo --live (which reads the pieces at run time and
// names a driver's errors by piece and line) and by the tests (which compile
// the very same pieces).
#pragma once

#include <string>
#include <vector>

// One manifest line: a program name and its pieces ("file" or "file@block").
struct ShaderRecipe {
    std::string program;
    std::vector<std::string> pieces;
    int line = 0;  // in the manifest
};

// Where a line of an assembled text comes from: the piece's file (as the
// manifest names it, without the block) and the line in that file.
struct LineOrigin {
    std::string file;
    int line = 0;
};

bool read_shader_manifest(const std::string& path, std::vector<ShaderRecipe>* recipes,
                          std::string* error);

// The text of one piece, with LF line ends. Searches the folders in order.
// `origins`, if given, receives the origin of each line of `text`.
bool load_shader_piece(const std::string& piece, const std::vector<std::string>& dirs,
                       std::string* text, std::string* error,
                       std::vector<LineOrigin>* origins = nullptr);

// Concatenates the recipe's pieces and turns every line end into CR LF.
// `origins`, if given, receives the origin of each line of `text` (line n of
// the text is origins[n - 1]).
bool assemble_shader(const ShaderRecipe& recipe, const std::vector<std::string>& dirs,
                     std::string* text, std::string* error,
                     std::vector<LineOrigin>* origins = nullptr);

// A driver's compile log for an assembled text, one message a line, each
// message that names a line of the text ("0:12(5): error: ...", as Mesa
// writes it; "0(12) : error ..." and "ERROR: 0:12: ..." as others do)
// rewritten as "piece.glsl:LINE: error: ..." with the piece's own line.
// Other lines stay as they are; empty lines are dropped.
std::vector<std::string> piece_messages(const std::string& log,
                                        const std::vector<LineOrigin>& origins);

std::string to_crlf(const std::string& text);
