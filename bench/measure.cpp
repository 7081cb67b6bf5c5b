// Runs one command and prints its wall seconds, peak resident memory (MiB)
// and exit status.
//
// Usage: measure [--output FILE] COMMAND [ARGUMENT...]
// The command's standard output goes to FILE when given, and is discarded
// otherwise; its standard error is discarded.
//
// A small native launcher on purpose: the peak the kernel reports for a child
// includes the image it was started from, and an interpreter's image alone is
// larger than a small run of varno.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

extern char** environ;

int main(int argc, char** argv)
{
    int first = 1;
    const char* output = "/dev/null";
    if (argc > 2 && std::strcmp(argv[1], "--output") == 0) {
        output = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: measure [--output FILE] COMMAND [ARGUMENT...]\n");
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[first], &actions, nullptr, argv + first, environ) != 0) {
        std::printf("0.000 0.0 127\n");
        return 0;
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%.3f %.1f %d\n", wall.count(), static_cast<double>(usage.ru_maxrss) / 1024.0, code);
    return 0;
}
