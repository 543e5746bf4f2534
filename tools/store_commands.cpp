#include <algorithm>
#include <charconv>

#include "cli.h"
#include "macro/macro_store.h"
#include "profile/profile_files.h"
#include "profile/profile_store.h"
#include "record_commands.h"

namespace talvik::tools {

namespace {

// A whole number from `min` to `max`; nullopt when `text` is anything else.
std::optional<int> ParseNumber(const std::string& text, int min, int max) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// "store fill N --data-dir DIR": a profile store of N default profiles in the program's data
// folder DIR, for benchmarks and trials. An existing store is refused, never replaced.
int Fill(Context& context, const CommandGroup& group) {
    const std::vector<std::string>& args = context.args;
    std::optional<std::string> count_text;
    std::optional<std::string> data_dir;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--data-dir" && i + 1 < args.size() && !data_dir) {
            data_dir = args[++i];
        } else if (!count_text) {
            count_text = args[i];
        } else {
            return UsageError(context, group, "unexpected argument " + args[i]);
        }
    }
    if (!count_text || !data_dir) {
        return UsageError(context, group, "fill needs a count and --data-dir");
    }
    const std::optional<int> count = ParseNumber(*count_text, 1, 10000);
    if (!count) {
        return UsageError(context, group, "the count must be a number from 1 to 10000");
    }
    LanguageTexts texts;
    std::string error;
    if (!texts.Load(context.resource_dir, &error)) {
        return Fail(context, "cannot read the profile names: " + error);
    }
    profile::ProfileStore store(*data_dir, texts);
    std::error_code exists_error;
    if (std::filesystem::exists(store.FilePath(), exists_error)) {
        return Fail(context, store.FilePath().string() + " exists already");
    }
    profile::ProfileList profiles;
    for (int i = 0; i < *count; ++i) {
        store.AddDefaultProfile(profiles);
    }
    const profile::FileStatus status = store.Save(profiles, profile::ProfileStoreHeader{});
    if (!status.ok()) {
        return Fail(context, status.detail);
    }
    context.out << "wrote " << *count << " profiles to " << store.FilePath().string() << "\n";
    return 0;
}

// Says what loading mended. Returns false when the damaged file could not be moved aside, so
// that the store cannot be written.
bool WarnIfDamaged(Context& context, const std::filesystem::path& path,
                   const macro::LoadReport& report) {
    if (!report.damaged) {
        return true;
    }
    context.err << kProgram << ": warning: "
                << (report.read.ok()
                        ? path.string() + ": " + std::to_string(report.records_repaired) +
                              " records needed repair"
                        : report.read.detail)
                << (report.moved_to
                        ? "; moved to " + report.moved_to->string() + " and its whole records kept"
                        : "; not moved aside: " + report.move.detail)
                << "\n";
    return report.moved_to.has_value();
}

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return ec ? (a / "").lexically_normal() == (b / "").lexically_normal() : same;
}

std::string NameOf(const profile::ProfileInfo& record) {
    return macro::Utf16ToUtf8(macro::ReadName(record.name));
}

// "store list|show N|export N -o FILE.pro|import FILE.pro [--data-dir DIR]". The store is loaded
// as the program loads it at start; only import creates one where there is none.
int RunOnStore(Context& context, const CommandGroup& group, const std::string& command) {
    std::vector<std::string> rest(context.args.begin() + 1, context.args.end());
    std::optional<std::filesystem::path> data_dir;
    if (const auto at = std::find(rest.begin(), rest.end(), "--data-dir"); at != rest.end()) {
        if (at + 1 == rest.end()) {
            return UsageError(context, group, "--data-dir needs a folder");
        }
        data_dir = *(at + 1);
        rest.erase(at, at + 2);
    }
    const OutputArgs args = ParseOutputArgs(rest);
    if (!args.error.empty()) {
        return UsageError(context, group, args.error);
    }
    if (args.positional.size() != (command == "list" ? 0u : 1u)) {
        return UsageError(context, group, "unexpected arguments for " + command);
    }
    if (args.output.has_value() != (command == "export")) {
        return UsageError(context, group,
                          command == "export" ? "export needs -o FILE" : command + " takes no -o");
    }
    if (!data_dir && context.data_dir == nullptr) {
        return UsageError(context, group, "no data folder: give --data-dir DIR");
    }
    // The program rewrites its own store after every change and would drop an import.
    if (command == "import" && context.data_dir != nullptr &&
        (!data_dir || SameFolder(*data_dir, context.data_dir())) &&
        RefusedWhileProgramRuns(context, "store import")) {
        return 1;
    }
    if (!data_dir) {
        data_dir = context.data_dir();
    }

    LanguageTexts texts;  // names a default profile when the store has none
    std::string error;
    if (!texts.Load(context.resource_dir, &error)) {
        return Fail(context, "cannot read the profile names: " + error);
    }
    profile::ProfileStore store(*data_dir, texts);
    std::error_code exists_error;
    if (command != "import" && !std::filesystem::exists(store.FilePath(), exists_error)) {
        return Fail(context, "no profile store at " + store.FilePath().string());
    }
    profile::ProfileList profiles;
    profile::ProfileStoreHeader header;
    if (!WarnIfDamaged(context, store.FilePath(), store.Load(profiles, header)) &&
        command == "import") {
        return Fail(context, "the store was not changed");
    }
    const int count = static_cast<int>(profiles.size());
    const profile::ProfileInfo* chosen = nullptr;
    if (command == "show" || command == "export") {
        const std::optional<int> n = ParseNumber(args.positional[0], 0, count - 1);
        if (!n) {
            return Fail(context, "no profile " + args.positional[0] + ": the store holds " +
                                     std::to_string(count) + ", numbered 0 to " +
                                     std::to_string(count - 1));
        }
        chosen = profiles[static_cast<std::size_t>(*n)].get();
    }

    if (command == "list") {
        for (int i = 0; i < count; ++i) {
            context.out << i << (i == header.active_profile_index ? " * " : "   ")
                        << NameOf(*profiles[static_cast<std::size_t>(i)]) << "\n";
        }
        return context.out.good() ? 0 : Fail(context, "cannot write the output");
    }
    if (command == "show") {
        return PrintJson(context, *chosen, &ProfileToJson);
    }
    if (command == "export") {
        const profile::FileStatus status = profile::ExportProfile(*args.output, *chosen);
        return status.ok() ? 0 : Fail(context, status.detail);
    }

    // import: the macros its buttons run are saved first; when they cannot be, the profile store
    // stays as it was. The active profile stays: the mouse has not received the new one.
    macro::MacroStore macro_store(*data_dir, texts);
    macro::MacroList macros;
    if (!WarnIfDamaged(context, macro_store.FilePath(), macro_store.LoadMacros(macros))) {
        return Fail(context, "the store was not changed");
    }
    const profile::ImportedProfile imported =
        profile::ImportProfile(args.positional[0], profiles, macros, macro_store);
    if (!imported.status.ok()) {
        return Fail(context, imported.status.detail);
    }
    if (!imported.save.ok()) {
        return Fail(context, "the macros were not saved: " + imported.save.detail);
    }
    const profile::FileStatus saved = store.Save(profiles, header);
    if (!saved.ok()) {
        return Fail(context, saved.detail);
    }
    context.out << imported.index << " " << NameOf(*imported.record) << "\n";
    return 0;
}

}  // namespace

int RunStoreCommands(Context& context) {
    const CommandGroup& group = GroupNamed("store");
    if (context.args.empty()) {
        return UsageError(context, group, "missing command");
    }
    const std::string& command = context.args[0];
    if (command == "fill") {
        return Fill(context, group);
    }
    if (command == "list" || command == "show" || command == "export" || command == "import") {
        return RunOnStore(context, group, command);
    }
    return UsageError(context, group, "unknown command " + command);
}

}  // namespace talvik::tools
