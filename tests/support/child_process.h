// Runs code or a program in a child process and collects its exit code and standard output, for
// tests of paths that end the process (exit codes, messages on stdout).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

struct ChildResult {
    int exitCode = -1;   // the child's exit status; -1 when it did not exit normally
    int signal = 0;      // the signal that ended it, 0 when it exited
    std::string output;  // everything it wrote to standard output (and stderr if merged)
};

// Drains fd into text until end of file.
inline void readAllFrom(int fd, std::string& text)
{
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, size_t(n));
    }
}

inline void fillChildStatus(ChildResult& result, int status)
{
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
}

// Forks, runs body in the child with standard output (and standard error when mergeStderr) sent
// to a pipe, then exits the child with 0 if body returns. Standard output is flushed first so
// that buffered text is neither lost nor written twice.
inline ChildResult runInChild(const std::function<void()>& body, bool mergeStderr = false)
{
    std::fflush(stdout);
    std::fflush(stderr);
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0)
        return result;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        if (mergeStderr)
            dup2(fds[1], STDERR_FILENO);
        close(fds[1]);
        body();
        std::fflush(stdout);
        _exit(0);
    }
    close(fds[1]);
    readAllFrom(fds[0], result.output);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    fillChildStatus(result, status);
    return result;
}

// Runs a program with arguments (argv[0] is the path) and collects its exit code and standard
// output (standard error too when mergeStderr).
inline ChildResult runProgram(const std::vector<std::string>& args, bool mergeStderr = false)
{
    ChildResult result;
    int fds[2];
    if (args.empty() || pipe(fds) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (mergeStderr)
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return result;
    }
    readAllFrom(fds[0], result.output);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    fillChildStatus(result, status);
    return result;
}

// Copies the program at `program` to `copy` and runs the copy from the working folder `cwd`, so
// it finds data only where a user's copy would: beside itself or in that folder.
inline ChildResult runProgramCopy(const std::string& program, const std::string& copy,
                                  const std::string& cwd, const std::vector<std::string>& args)
{
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    return runInChild(
        [&] {
            if (chdir(cwd.c_str()) != 0)
                _exit(99);
            std::vector<char*> argv{const_cast<char*>(copy.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(copy.c_str(), argv.data());
            _exit(98);
        },
        true);
}
