// Assembly of program texts from shared GLSL pieces, used by the build-time
// embedder and by the tests (which compile the very same pieces).
#pragma once

#include <string>
#include <vector>

// One manifest line: a program name and its pieces ("file" or "file@block").
struct ShaderRecipe {
    std::string program;
    std::vector<std::string> pieces;
};

bool read_shader_manifest(const std::string& path, std::vector<ShaderRecipe>* recipes,
                          std::string* error);

// The text of one piece, with LF line ends. Searches the folders in order.
bool load_shader_piece(const std::string& piece, const std::vector<std::string>& dirs,
                       std::string* text, std::string* error);

// Concatenates the recipe's pieces and turns every line end into CR LF.
bool assemble_shader(const ShaderRecipe& recipe, const std::vector<std::string>& dirs,
                     std::string* text, std::string* error);

std::string to_crlf(const std::string& text);
