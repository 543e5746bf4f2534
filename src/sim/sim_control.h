#pragma once

#include <memory>
#include <string>
#include <thread>

namespace talvik::sim {

class VirtualMouse;

// Plays the user's hand on the virtual mouse: reads one command per line from a FIFO on its own
// thread and hands it to the mouse (see VirtualMouse::Command).
class SimControl {
public:
    // Opens (creating it when missing) the FIFO at `path`; nothing when that fails.
    static std::unique_ptr<SimControl> Open(const std::string& path,
                                            std::weak_ptr<VirtualMouse> mouse);
    // The FIFO named by TALVIK_SIM_CONTROL, when set.
    static std::unique_ptr<SimControl> FromEnvironment(std::weak_ptr<VirtualMouse> mouse);
    ~SimControl();
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

private:
    SimControl(int fifo, int wake_read, int wake_write, std::weak_ptr<VirtualMouse> mouse);
    void Run();

    int fifo_;
    int wake_read_;
    int wake_write_;
    std::weak_ptr<VirtualMouse> mouse_;
    std::thread thread_;
};

}  // namespace talvik::sim
