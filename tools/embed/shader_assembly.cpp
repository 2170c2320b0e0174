#include "shader_assembly.h"

#include "files.h"

#include <sstream>

namespace {

const char k_block_marker[] = "// @block ";

std::string strip_cr(const std::string& text)
{
    std::string r;
    r.reserve(text.size());
    for (char c : text)
        if (c != '\r') r += c;
    return r;
}

// The lines of `text` that belong to block `name`; marker lines never appear
// in the output. An empty name takes every line of the file.
bool extract_block(const std::string& text, const std::string& name, std::string* out)
{
    std::istringstream in(text);
    std::string current;
    bool found = name.empty();
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(k_block_marker, 0) == 0) {
            current = line.substr(sizeof(k_block_marker) - 1);
            while (!current.empty() && current.back() == ' ') current.pop_back();
            found = found || current == name;
            continue;
        }
        if (name.empty() || current == name) *out += line + "\n";
    }
    return found;
}

}  // namespace

bool read_shader_manifest(const std::string& path, std::vector<ShaderRecipe>* recipes,
                          std::string* error)
{
    std::string text;
    if (!read_file(path, &text)) {
        *error = "cannot read shader manifest " + path;
        return false;
    }
    std::istringstream in(strip_cr(text));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        ShaderRecipe r;
        if (!(words >> r.program)) continue;
        for (std::string piece; words >> piece;) r.pieces.push_back(piece);
        if (r.pieces.empty()) {
            *error = "program " + r.program + " lists no pieces in " + path;
            return false;
        }
        recipes->push_back(r);
    }
    return true;
}

bool load_shader_piece(const std::string& piece, const std::vector<std::string>& dirs,
                       std::string* text, std::string* error)
{
    size_t at = piece.find('@');
    std::string file = piece.substr(0, at);
    std::string block = at == std::string::npos ? "" : piece.substr(at + 1);
    for (const std::string& dir : dirs) {
        std::string whole;
        if (!read_file(dir + "/" + file, &whole)) continue;
        text->clear();
        if (!extract_block(strip_cr(whole), block, text)) {
            *error = "shader piece " + file + " has no block " + block;
            return false;
        }
        return true;
    }
    *error = "shader piece " + file + " not found";
    return false;
}

std::string to_crlf(const std::string& text)
{
    std::string r;
    r.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') r += '\r';
        r += c;
    }
    return r;
}

bool assemble_shader(const ShaderRecipe& recipe, const std::vector<std::string>& dirs,
                     std::string* text, std::string* error)
{
    std::string all;
    for (const std::string& piece : recipe.pieces) {
        std::string part;
        if (!load_shader_piece(piece, dirs, &part, error)) return false;
        all += part;
    }
    *text = to_crlf(all);
    return true;
}
