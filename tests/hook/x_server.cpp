#include "x_server.h"

#include <X11/XKBlib.h>
#include <signal.h>

namespace talvik::test {

XServer::XServer() {
    // The shell tells its pid, which Xvfb takes over, then Xvfb its display once it is up.
    pipe_ = popen(
        "echo $$; exec Xvfb -displayfd 1 -nolisten tcp -noreset -screen 0 640x480x24 2>/dev/null",
        "r");
    int pid = -1;
    int display = -1;
    if (pipe_ != nullptr && std::fscanf(pipe_, "%d %d", &pid, &display) == 2) {
        setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
        pid_ = pid;
    }
}

XServer::~XServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
    }
    if (pipe_ != nullptr) {
        pclose(pipe_);
    }
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

}  // namespace talvik::test
