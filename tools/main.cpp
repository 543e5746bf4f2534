#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "platform/app_paths.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return talvik::tools::Run(args, std::cout, std::cerr, talvik::platform::GetAppDir(), nullptr,
                              &talvik::platform::GetDataDir);
}
