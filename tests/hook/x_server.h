#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace talvik::test {

// A private Xvfb on the display number it picks itself (-displayfd), stopped by its pid. Sets
// DISPLAY for this process, so the hook and the tools it runs use it.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool Running() const { return pid_ > 0; }
    // Runs a tool on this display (sh -c); true when it exits 0.
    static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }
    // Makes layout group `group` of the core keyboard the active one.
    static bool LockGroup(int group);

private:
    FILE* pipe_ = nullptr;
    int pid_ = -1;
};

}  // namespace talvik::test
