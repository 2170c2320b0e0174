// Whole files in and out, for the tools and the tests. Binary-safe.
#pragma once

#include <string>

// The whole file's bytes; false if it cannot be opened or read.
bool read_file(const std::string& path, std::string* bytes);

// Replaces the file with `bytes`; false if it cannot be written completely.
bool write_file(const std::string& path, const std::string& bytes);
