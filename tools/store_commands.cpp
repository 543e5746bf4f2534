#include <charconv>

#include "cli.h"
#include "profile/profile_store.h"

namespace talvik::tools {

namespace {

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
    int count = 0;
    const auto [end, ec] =
        std::from_chars(count_text->data(), count_text->data() + count_text->size(), count);
    if (ec != std::errc() || end != count_text->data() + count_text->size() || count < 1 ||
        count > 10000) {
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
    for (int i = 0; i < count; ++i) {
        store.AddDefaultProfile(profiles);
    }
    const profile::FileStatus status = store.Save(profiles, profile::ProfileStoreHeader{});
    if (!status.ok()) {
        return Fail(context, status.detail);
    }
    context.out << "wrote " << count << " profiles to " << store.FilePath().string() << "\n";
    return 0;
}

}  // namespace

int RunStoreCommands(Context& context) {
    const CommandGroup& group = GroupNamed("store");
    if (context.args.empty()) {
        return UsageError(context, group, "missing command");
    }
    if (context.args[0] == "fill") {
        return Fill(context, group);
    }
    return UsageError(context, group, "unknown command " + context.args[0]);
}

}  // namespace talvik::tools
