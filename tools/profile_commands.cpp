#include "profile/profile_defaults.h"
#include "record_commands.h"

namespace talvik::tools {

namespace {

struct ProfileTraits {
    using Record = profile::ProfileInfo;
    static constexpr std::size_t kNameUnits = profile::kProfileNameUnits;
    static void MakeNew(Record& record, const std::u16string& name) {
        profile::SetDefaults(record);
        macro::WriteName(record.name, name);
    }
    static QJsonObject ToJson(const Record& record, const Namer& namer) {
        return ProfileToJson(record, namer);
    }
    static bool FromJson(const QJsonObject& json, Record& record, std::string* error) {
        return ProfileFromJson(json, record, error);
    }
};

}  // namespace

// Profile files: new, show, from-json.
int RunProfileCommands(Context& context) {
    return RunRecordCommands<ProfileTraits>(context, GroupNamed("profile"));
}

}  // namespace talvik::tools
