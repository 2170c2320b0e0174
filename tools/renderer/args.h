// Command-line parsing for krelan-render: options of the form `--name value`
// or `--flag`, positional words, and strict number parsing that names the
// offending option in its message.
#pragma once

#include <map>
#include <string>
#include <vector>

struct OptionSpec {
    const char* name;  // without the leading dashes
    bool takes_value;
};

struct ParsedArgs {
    std::map<std::string, std::string> values;  // options given, by name ("" for flags)
    std::vector<std::string> positional;
    bool help = false;
};

// Parses argv[first..argc) against the known options. False with a message
// for an unknown option or a missing value. "-h" and "--help" set `help`.
bool parse_args(int argc, char** argv, int first, const std::vector<OptionSpec>& known,
                ParsedArgs* out, std::string* error);

bool has_option(const ParsedArgs& args, const char* name);

// The whole text must be a finite number (no trailing characters, no NaN or
// infinity). The message names `what`.
bool parse_float(const std::string& text, const char* what, float* out, std::string* error);
bool parse_double(const std::string& text, const char* what, double* out, std::string* error);
// A whole number within [low, high].
bool parse_int(const std::string& text, const char* what, long low, long high, long* out,
               std::string* error);
