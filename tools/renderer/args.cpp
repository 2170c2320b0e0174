#include "args.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool parse_args(int argc, char** argv, int first, const std::vector<OptionSpec>& known,
                ParsedArgs* out, std::string* error)
{
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "-h" || word == "--help") {
            out->help = true;
            continue;
        }
        if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
            out->positional.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        std::string value;
        bool inline_value = false;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inline_value = true;
        }
        const OptionSpec* option = nullptr;
        for (const OptionSpec& k : known)
            if (name == k.name) option = &k;
        if (!option) {
            *error = "unknown option --" + name;
            return false;
        }
        if (option->takes_value && !inline_value) {
            if (i + 1 >= argc) {
                *error = "option --" + name + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!option->takes_value && inline_value) {
            *error = "option --" + name + " takes no value";
            return false;
        }
        out->values[name] = value;
    }
    return true;
}

bool has_option(const ParsedArgs& args, const char* name) { return args.values.count(name) != 0; }

bool parse_double(const std::string& text, const char* what, double* out, std::string* error)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    double value = text.empty() ? 0.0 : std::strtod(begin, &end);
    // ERANGE with a finite result is an underflow (1e-310): a number near 0.
    if (text.empty() || end == begin || *end != '\0' || !std::isfinite(value)) {
        *error = std::string(what) + " must be a number, not '" + text + "'";
        return false;
    }
    *out = value;
    return true;
}

bool parse_float(const std::string& text, const char* what, float* out, std::string* error)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    float value = text.empty() ? 0.0f : std::strtof(begin, &end);
    // ERANGE with a finite result is an underflow (1e-50): a number near 0.
    if (text.empty() || end == begin || *end != '\0' || !std::isfinite(value)) {
        *error = std::string(what) + " must be a number, not '" + text + "'";
        return false;
    }
    *out = value;
    return true;
}

bool parse_int(const std::string& text, const char* what, long low, long high, long* out,
               std::string* error)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long value = text.empty() ? 0 : std::strtol(begin, &end, 10);
    if (text.empty() || end == begin || *end != '\0' || errno == ERANGE || value < low ||
        value > high) {
        *error = std::string(what) + " must be a whole number from " + std::to_string(low) +
                 " to " + std::to_string(high) + ", not '" + text + "'";
        return false;
    }
    *out = value;
    return true;
}
