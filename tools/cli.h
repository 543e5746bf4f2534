#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/toolkit/language_file.h"
#include "macro/text_lookup.h"
#include "platform/keyboard_layout.h"

namespace talvik::protocol {
class Clock;
}  // namespace talvik::protocol

namespace talvik::tools {

// What a command gets: its arguments (after the group name) and where to write.
struct Context {
    std::vector<std::string> args;
    std::ostream& out;
    std::ostream& err;
    // The folder of res/lan/EN.xml; the executable's folder in the installed tool.
    std::filesystem::path resource_dir;
    // "--simulate[=LINK]" before the command: the link of the virtual mouse ("24g" when bare);
    std::string simulate;  // empty: the real devices
    // The protocol's pauses; null: real time. Tests give a virtual clock.
    protocol::Clock* clock = nullptr;
    // Finds the program's data folder, for store commands without --data-dir; null: they need
    // --data-dir.
    std::string (*data_dir)() = nullptr;
    // Whether the program runs for this user (it then owns the mouse and the store); null: never.
    bool (*program_running)() = nullptr;
    // "--force": go ahead although the program runs.
    bool force = false;
};

// A group of commands: `talvik-mousectl <name> ...`. Runs with the group's arguments and returns
// the exit code.
struct CommandGroup {
    const char* name;
    const char* usage;  // one or more lines, each a full command line without the program name
    int (*run)(Context& context);
    const char* summary;  // what the commands do, one paragraph
    bool talks_to_mouse;  // opens the mouse's devices (unless simulated)
};

const std::vector<CommandGroup>& CommandGroups();

// The whole tool: dispatches `args` (without the program name) to its group.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::filesystem::path& resource_dir, protocol::Clock* clock = nullptr,
        std::string (*data_dir)() = nullptr, bool (*program_running)() = nullptr);

inline constexpr const char* kProgram = "talvik-mousectl";

// The texts of --help, a command's --help and the manual page (help.cpp): one source for all.
void PrintHelp(std::ostream& out);
void PrintGroupHelp(std::ostream& out, const CommandGroup& group);
void PrintVersion(std::ostream& out);
void PrintManPage(std::ostream& out);

// True, after printing why, when the program runs and --force was not given: `what` would
// interfere with it.
bool RefusedWhileProgramRuns(Context& context, const std::string& what);

// Writes the one error line and returns the exit code for failures.
int Fail(Context& context, const std::string& message);
// Usage errors also name the command's usage.
int UsageError(Context& context, const CommandGroup& group, const std::string& message);
const CommandGroup& GroupNamed(const char* name);

// Splits `args` into positional arguments and the value of "-o FILE" (or "--output FILE").
struct OutputArgs {
    std::vector<std::string> positional;
    std::optional<std::string> output;
    std::string error;  // not empty: the arguments were malformed
};
OutputArgs ParseOutputArgs(const std::vector<std::string>& args);

// File contents; nullopt and a message when the file cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* error);
// Replaces `path` with `size` bytes in one step.
bool WriteWholeFile(const std::filesystem::path& path, const void* data, std::size_t size,
                    std::string* error);
// Reads a file that must hold exactly one record of `size` bytes.
bool ReadRecordFile(const std::filesystem::path& path, void* record, std::size_t size,
                    std::string* error);

// The English language texts, read from <resource dir>/res/lan/EN.xml.
class LanguageTexts : public macro::TextLookup {
public:
    bool Load(const std::filesystem::path& resource_dir, std::string* error);
    std::string Text(std::string_view key) const override;

private:
    toolkit::LanguageFile file_;
};

// The keyboard layout named by "--layout L" ("de" or "de(nodeadkeys)"), else the active one.
std::unique_ptr<platform::KeyboardLayout> MakeLayout(const std::optional<std::string>& name,
                                                     std::string* error);

}  // namespace talvik::tools
