#include "x_server.h"

#include <X11/XKBlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace talvik::test {

namespace {

constexpr int kStartTimeoutMs = 20000;

}  // namespace

XServer::XServer() {
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    const std::string fd = std::to_string(fds[1]);  // no allocation after fork
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-screen",
               "0", "640x480x24", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return;
    }
    pid_ = pid;
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.empty() || number.back() != '\n') {
        char c = 0;
        if (poll(&p, 1, kStartTimeoutMs) <= 0 || read(fds[0], &c, 1) != 1) {
            break;
        }
        number.push_back(c);
    }
    close(fds[0]);
    if (number.empty() || number.back() != '\n') {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    number.pop_back();
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
}

XServer::~XServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

bool XServer::Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

bool XServer::LockGroup(int group) {
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const bool sent = XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(group)) != 0;
    XSync(display, False);
    XCloseDisplay(display);
    return sent;
}

bool XServer::Has(const char* tool) {
    return Run(std::string("command -v ") + tool + " >/dev/null 2>&1");
}

}  // namespace talvik::test
