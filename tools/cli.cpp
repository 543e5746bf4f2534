#include "cli.h"

#include <QString>
#include <fstream>
#include <iterator>

#include "macro/record_file.h"
#include "platform/keyboard_layout_xkb.h"

namespace talvik::tools {

int Fail(Context& context, const std::string& message) {
    context.err << kProgram << ": " << message << "\n";
    return 1;
}

int UsageError(Context& context, const CommandGroup& group, const std::string& message) {
    std::string usage = group.usage;
    for (std::size_t at = usage.find('\n'); at != std::string::npos; at = usage.find('\n', at)) {
        usage.replace(at, 1, " | ");
    }
    context.err << kProgram << ": " << message << " (usage: " << usage << ")\n";
    return 2;
}

const CommandGroup& GroupNamed(const char* name) {
    for (const CommandGroup& group : CommandGroups()) {
        if (std::string_view(group.name) == name) {
            return group;
        }
    }
    return CommandGroups().front();
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::filesystem::path& resource_dir, protocol::Clock* clock,
        std::string (*data_dir)(), bool (*program_running)()) {
    Context context{{}, out, err, resource_dir, {}, clock, data_dir, program_running};
    // "--force" may stand anywhere: no command takes it as a value.
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg == "--force") {
            context.force = true;
        } else {
            rest.push_back(arg);
        }
    }
    std::size_t first = 0;
    for (; first < rest.size(); ++first) {
        const std::string& option = rest[first];
        if (option == "--simulate") {
            context.simulate = "24g";
        } else if (option.rfind("--simulate=", 0) == 0) {
            context.simulate = option.substr(11);
        } else if (option == "--help" || option == "-h" || option == "help") {
            PrintHelp(out);
            return 0;
        } else if (option == "--version") {
            PrintVersion(out);
            return 0;
        } else if (option == "--man") {  // the build writes the manual page with it
            PrintManPage(out);
            return 0;
        } else {
            break;
        }
    }
    if (first >= rest.size()) {
        PrintHelp(err);
        return 2;
    }
    const std::string& name = rest[first];
    for (const CommandGroup& group : CommandGroups()) {
        if (name != group.name) {
            continue;
        }
        context.args.assign(rest.begin() + static_cast<std::ptrdiff_t>(first) + 1, rest.end());
        for (const std::string& arg : context.args) {
            if (arg == "--help" || arg == "-h") {
                PrintGroupHelp(out, group);
                return 0;
            }
        }
        if (group.talks_to_mouse && context.simulate.empty() &&
            RefusedWhileProgramRuns(context, name)) {
            return 1;
        }
        return group.run(context);
    }
    err << kProgram << ": unknown command \"" << name << "\" (try " << kProgram << " --help)\n";
    return 2;
}

bool RefusedWhileProgramRuns(Context& context, const std::string& what) {
    if (context.force || context.program_running == nullptr || !context.program_running()) {
        return false;
    }
    context.err << kProgram << ": the program talvik-mouse is running and owns the mouse and "
                << "its profile store; " << what
                << " would interfere with it. Quit it from its tray menu first, or give --force.\n";
    return true;
}

OutputArgs ParseOutputArgs(const std::vector<std::string>& args) {
    OutputArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size()) {
                parsed.error = args[i] + " needs a file name";
                return parsed;
            }
            if (parsed.output) {
                parsed.error = "more than one output file";
                return parsed;
            }
            parsed.output = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            parsed.error = "unknown option " + args[i];
            return parsed;
        } else {
            parsed.positional.push_back(args[i]);
        }
    }
    return parsed;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        *error = path.string() + ": is a folder";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path.string() + ": cannot open it";
        return std::nullopt;
    }
    std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        *error = path.string() + ": read failed";
        return std::nullopt;
    }
    return data;
}

bool WriteWholeFile(const std::filesystem::path& path, const void* data, std::size_t size,
                    std::string* error) {
    const macro::FileStatus status = macro::WriteFileAtomically(path, {{data, size}});
    if (!status.ok()) {
        *error = status.detail;
    }
    return status.ok();
}

bool ReadRecordFile(const std::filesystem::path& path, void* record, std::size_t size,
                    std::string* error) {
    const macro::FileStatus status = macro::ReadSingleRecord(path, record, size);
    if (!status.ok()) {
        *error = status.detail;
    }
    return status.ok();
}

bool LanguageTexts::Load(const std::filesystem::path& resource_dir, std::string* error) {
    const std::filesystem::path path = resource_dir / "res" / "lan" / "EN.xml";
    if (!file_.Load(QString::fromStdString(path.string()))) {
        *error = file_.Error().toStdString();
        return false;
    }
    return true;
}

std::string LanguageTexts::Text(std::string_view key) const {
    return file_.Text(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())))
        .toStdString();
}

std::unique_ptr<platform::KeyboardLayout> MakeLayout(const std::optional<std::string>& name,
                                                     std::string* error) {
    if (!name) {
        return platform::XkbKeyboardLayout::Active(error);
    }
    platform::XkbKeyboardLayout::Names names;
    names.layout = *name;
    // "de(nodeadkeys)" names a variant, as setxkbmap prints it.
    const std::size_t open = name->find('(');
    if (open != std::string::npos && name->back() == ')') {
        names.layout = name->substr(0, open);
        names.variant = name->substr(open + 1, name->size() - open - 2);
    }
    return platform::XkbKeyboardLayout::FromNames(names, error);
}

}  // namespace talvik::tools
