// Output files appear whole or not at all: each is written under a temporary
// name beside its final path and renamed into place once complete. A run that
// fails, or is interrupted by a signal, removes its temporary files.
#pragma once

#include <string>

// Checks that `path` can be written and reserves a temporary file beside it,
// with the same extension (tools such as ffmpeg choose the format by it).
// Returns the temporary path, or "" with a message. The temporary file is
// removed at exit unless committed.
std::string reserve_output(const std::string& path, std::string* error);

// Writes `bytes` to the reserved temporary file and renames it to `path`.
bool commit_output_bytes(const std::string& temp, const std::string& path, const std::string& bytes,
                         std::string* error);

// Writes `bytes` to `path` directly (for scratch files).
bool write_whole_file(const std::string& path, const std::string& bytes, std::string* error);

// Renames an already written temporary file to `path`.
bool commit_output(const std::string& temp, const std::string& path, std::string* error);

// A temporary file of our own (not an output) that is removed at exit.
std::string make_scratch_file(const char* suffix, std::string* error);

// A file that a helper program will make (an ffmpeg pass log beside a
// scratch file): removed at exit, and on a signal, like a scratch file.
bool track_scratch_file(const std::string& path, std::string* error);

// Removes a scratch file now.
void remove_scratch_file(const std::string& path);

// Removes every temporary file still reserved. Runs at exit and on SIGINT,
// SIGTERM and SIGHUP (there after ending the helper programs still running);
// installed by the first reservation.
void discard_outputs();
