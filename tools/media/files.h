// Whole files in and out, for the tools and the tests. Binary-safe.
#pragma once

#include <cstddef>
#include <string>

// The whole file's bytes; false if it cannot be opened or read.
bool read_file(const std::string& path, std::string* bytes);

// The whole file's bytes if it holds at most `limit` bytes. False with a
// message naming the file when it cannot be read or is longer (a device or
// FIFO that never ends stops at the limit).
bool read_file_limited(const std::string& path, size_t limit, std::string* bytes,
                       std::string* error);

// Replaces the file with `bytes`; false if it cannot be written completely.
bool write_file(const std::string& path, const std::string& bytes);
