// The renderer's helper programs (ffmpeg, ffprobe), started with a pipe to
// one of their standard streams.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Starts args[0] (a path, or a name looked up on PATH) with one end of a new
// pipe as its standard input (child_fd 0) or output (child_fd 1); *our_end
// is the other end. 0 on success, otherwise the errno of the failure.
int spawn_piped(const std::vector<std::string>& args, int child_fd, pid_t* pid, int* our_end);

// Waits for the child; its exit status, or -1 if it did not exit normally.
int wait_exit_status(pid_t pid);
