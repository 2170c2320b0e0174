#include "shader_assembly.h"

#include "files.h"

#include <cctype>
#include <cstdlib>
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

// The lines of `text` that belong to block `name`, and the line number in
// `text` of each; marker lines never appear in the output. An empty name
// takes every line of the file.
bool extract_block(const std::string& text, const std::string& name, std::string* out,
                   std::vector<int>* numbers)
{
    std::istringstream in(text);
    std::string current;
    bool found = name.empty();
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.rfind(k_block_marker, 0) == 0) {
            current = line.substr(sizeof(k_block_marker) - 1);
            while (!current.empty() && current.back() == ' ') current.pop_back();
            found = found || current == name;
            continue;
        }
        if (name.empty() || current == name) {
            *out += line + "\n";
            numbers->push_back(number);
        }
    }
    return found;
}

// "0:12(5): rest", "0(12) : rest", "ERROR: 0:12: rest": the line and the
// rest (with the severity word "ERROR" kept as "error"). False for a
// message that names no line.
bool split_log_line(const std::string& message, int* line, std::string* rest)
{
    std::string m = message;
    std::string severity;
    for (const char* prefix : {"ERROR: ", "WARNING: "})
        if (m.rfind(prefix, 0) == 0) {
            severity = prefix[0] == 'E' ? "error: " : "warning: ";
            m.erase(0, std::string(prefix).size());
        }
    size_t at = 0;
    while (at < m.size() && std::isdigit(static_cast<unsigned char>(m[at]))) ++at;
    if (at == 0 || at >= m.size() || (m[at] != ':' && m[at] != '(')) return false;
    const char open = m[at++];
    const size_t digits = at;
    while (at < m.size() && std::isdigit(static_cast<unsigned char>(m[at]))) ++at;
    if (at == digits) return false;
    *line = std::atoi(m.c_str() + digits);
    if (open == '(') {
        if (at >= m.size() || m[at] != ')') return false;
        ++at;
    } else if (at < m.size() && m[at] == '(') {  // Mesa's column
        at = m.find(')', at);
        if (at == std::string::npos) return false;
        ++at;
    }
    while (at < m.size() && (m[at] == ' ' || m[at] == ':')) ++at;
    *rest = severity + m.substr(at);
    return true;
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
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        ShaderRecipe r;
        r.line = number;
        if (!(words >> r.program)) continue;
        for (std::string piece; words >> piece;) r.pieces.push_back(piece);
        if (r.pieces.empty()) {
            *error =
                path + ":" + std::to_string(number) + ": program " + r.program + " lists no pieces";
            return false;
        }
        recipes->push_back(r);
    }
    return true;
}

bool load_shader_piece(const std::string& piece, const std::vector<std::string>& dirs,
                       std::string* text, std::string* error, std::vector<LineOrigin>* origins)
{
    size_t at = piece.find('@');
    std::string file = piece.substr(0, at);
    std::string block = at == std::string::npos ? "" : piece.substr(at + 1);
    for (const std::string& dir : dirs) {
        std::string whole;
        if (!read_file(dir + "/" + file, &whole)) continue;
        text->clear();
        std::vector<int> numbers;
        if (!extract_block(strip_cr(whole), block, text, &numbers)) {
            *error = "shader piece " + file + " has no block " + block;
            return false;
        }
        if (origins)
            for (int n : numbers) origins->push_back({file, n});
        return true;
    }
    *error = "shader piece " + file + " not found";
    return false;
}

std::vector<std::string> piece_messages(const std::string& log,
                                        const std::vector<LineOrigin>& origins)
{
    std::vector<std::string> messages;
    std::istringstream in(log);
    for (std::string message; std::getline(in, message);) {
        if (!message.empty() && message.back() == '\r') message.pop_back();
        if (message.find_first_not_of(" \t") == std::string::npos) continue;
        int line = 0;
        std::string rest;
        if (split_log_line(message, &line, &rest) && line >= 1 && size_t(line) <= origins.size()) {
            const LineOrigin& origin = origins[size_t(line) - 1];
            message = origin.file + ":" + std::to_string(origin.line) + ": " + rest;
        }
        messages.push_back(message);
    }
    return messages;
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
                     std::string* text, std::string* error, std::vector<LineOrigin>* origins)
{
    std::string all;
    if (origins) origins->clear();
    for (const std::string& piece : recipe.pieces) {
        std::string part;
        if (!load_shader_piece(piece, dirs, &part, error, origins)) return false;
        all += part;
    }
    *text = to_crlf(all);
    return true;
}
