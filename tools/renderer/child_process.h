// The renderer's helper programs (ffmpeg, ffprobe): found on PATH, started
// with a pipe to one of their standard streams, fed without blocking forever,
// and ended and reaped on every way out of the renderer. POSIX systems:
// child_process.cpp; Windows: child_process_windows.cpp.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

// Full path of `name` in the first PATH folder that holds it as an
// executable regular file (a folder or a file without execute permission of
// that name is passed over, as the shell does), or "". On Windows the file
// is `name`.exe, PATH's folders are separated by ';' and a folder of that
// name is passed over likewise.
std::string find_on_path(const std::string& name);

// Starts args[0] (a path, or a name looked up on PATH) with one end of a new
// pipe as its standard input (child_fd 0) or output (child_fd 1); *our_end
// is the other end. 0 on success, otherwise the errno of the failure. The
// child is remembered until it is reaped: end_children stops it.
int spawn_piped(const std::vector<std::string>& args, int child_fd, pid_t* pid, int* our_end);

enum ChildWrite {
    CHILD_WRITE_DONE,     // every byte taken
    CHILD_WRITE_CLOSED,   // the child closed its end (or exited)
    CHILD_WRITE_STALLED,  // the child took nothing for `stall_ms`
};

// Writes `size` bytes into the pipe `fd` to a child, waiting at most
// `stall_ms` at a time for it to take more.
ChildWrite write_to_child(int fd, const void* bytes, size_t size, int stall_ms);

// Waits for the child; its exit status, or -1 if it did not exit normally.
int wait_exit_status(pid_t pid);

// Ends the child: SIGTERM, then SIGKILL if it is still there after a grace
// period, and reaps it. On Windows it is terminated and waited for.
void end_child(pid_t pid);

// end_child for every child not yet reaped. Safe in a signal handler; runs
// at exit, and on SIGINT, SIGTERM and SIGHUP before the temporary files go
// (on Windows: on Ctrl+C, Ctrl+Break and the console's closing, from the
// console handler's thread).
void end_children();
