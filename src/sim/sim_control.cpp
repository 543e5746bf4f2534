#include "sim/sim_control.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/trace.h"
#include "sim/virtual_mouse.h"

namespace talvik::sim {

std::unique_ptr<SimControl> SimControl::Open(const std::string& path,
                                             std::weak_ptr<VirtualMouse> mouse) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || mkfifo(path.c_str(), 0600) != 0) {
            return nullptr;
        }
    } else if (!S_ISFIFO(st.st_mode)) {
        return nullptr;
    }
    // Read and write, so the FIFO never reports end of file between two writers.
    const int fifo = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fifo < 0) {
        return nullptr;
    }
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0) {
        close(fifo);
        return nullptr;
    }
    return std::unique_ptr<SimControl>(new SimControl(fifo, wake[0], wake[1], std::move(mouse)));
}

std::unique_ptr<SimControl> SimControl::FromEnvironment(std::weak_ptr<VirtualMouse> mouse) {
    const char* path = std::getenv("TALVIK_SIM_CONTROL");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    return Open(path, std::move(mouse));
}

SimControl::SimControl(int fifo, int wake_read, int wake_write, std::weak_ptr<VirtualMouse> mouse)
    : fifo_(fifo), wake_read_(wake_read), wake_write_(wake_write), mouse_(std::move(mouse)) {
    thread_ = std::thread([this] { Run(); });
}

SimControl::~SimControl() {
    const char stop = 'q';
    [[maybe_unused]] const ssize_t n = write(wake_write_, &stop, 1);
    thread_.join();
    close(fifo_);
    close(wake_read_);
    close(wake_write_);
}

void SimControl::Run() {
    std::string pending;
    char chunk[256];
    for (;;) {
        pollfd fds[2] = {{fifo_, POLLIN, 0}, {wake_read_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const ssize_t n = read(fifo_, chunk, sizeof chunk);
        if (n <= 0) {
            continue;
        }
        pending.append(chunk, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            const auto mouse = mouse_.lock();
            if (mouse && !mouse->Command(line)) {
                platform::Trace("sim: unknown command '%s'\n", line.c_str());
            }
        }
        // A line longer than any command is noise; drop it rather than grow without bound.
        if (pending.size() > 1024) {
            pending.clear();
        }
    }
}

}  // namespace talvik::sim
