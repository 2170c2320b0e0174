#include "child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

int spawn_piped(const std::vector<std::string>& args, int child_fd, pid_t* pid, int* our_end)
{
    int fds[2];  // [0] reads, [1] writes
    if (pipe2(fds, O_CLOEXEC) != 0) return errno;
    const int child_end = child_fd == STDIN_FILENO ? fds[0] : fds[1];
    *our_end = child_fd == STDIN_FILENO ? fds[1] : fds[0];
    // dup2 clears close-on-exec on the child's copy alone.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_end, child_fd);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int failure = posix_spawnp(pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(child_end);
    if (failure != 0) {
        close(*our_end);
        *our_end = -1;
    }
    return failure;
}

int wait_exit_status(pid_t pid)
{
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
