#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "platform/app_paths.h"
#include "platform/single_instance.h"

namespace {

// The program's single-instance guard, looked at without taking it.
bool ProgramRunning() {
    return talvik::platform::SingleInstance::IsRunning(
        QString::fromLatin1(talvik::platform::kProgramInstanceName));
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return talvik::tools::Run(args, std::cout, std::cerr, talvik::platform::GetAppDir(), nullptr,
                              &talvik::platform::GetDataDir, &ProgramRunning);
}
