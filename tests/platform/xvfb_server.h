// A private virtual X server for the tests that open real windows: started on a free display
// number, DISPLAY pointed at it, stopped when the process ends.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

struct XvfbServer {
    pid_t pid = 0;
    std::string display;
};

inline XvfbServer& xvfbServer()
{
    static XvfbServer server;
    return server;
}

inline void stopXvfb()
{
    XvfbServer& s = xvfbServer();
    if (s.pid > 0) {
        kill(s.pid, SIGTERM);
        int status;
        waitpid(s.pid, &status, 0);
        s.pid = 0;
    }
}

inline bool xvfbInstalled()
{
    struct stat st;
    return stat("/usr/bin/Xvfb", &st) == 0;
}

// Starts the server once per process (1280 x 1024 at 24 bits); the empty string when it could
// not start.
inline std::string startXvfb()
{
    XvfbServer& s = xvfbServer();
    if (s.pid > 0)
        return s.display;
    int fds[2];
    if (pipe(fds) != 0)
        return "";
    pid_t pid = fork();
    if (pid < 0)
        return "";
    if (pid == 0) {
        close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
              "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number and a line break once it accepts connections.
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return "";
    }
    s.pid = pid;
    s.display = ":" + number;
    setenv("DISPLAY", s.display.c_str(), 1);
    std::atexit(stopXvfb);
    return s.display;
}
