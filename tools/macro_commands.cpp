#include "record_commands.h"

namespace talvik::tools {

namespace {

struct MacroTraits {
    using Record = macro::MacroInfo;
    static constexpr std::size_t kNameUnits = macro::kMacroNameUnits;
    static void MakeNew(Record& record, const std::u16string& name) {
        macro::WriteName(record.name, name);
    }
    static QJsonObject ToJson(const Record& record, const Namer& namer) {
        return MacroToJson(record, namer);
    }
    static bool FromJson(const QJsonObject& json, Record& record, std::string* error) {
        return MacroFromJson(json, record, error);
    }
};

}  // namespace

// Macro files: new, show, from-json.
int RunMacroCommands(Context& context) {
    return RunRecordCommands<MacroTraits>(context, GroupNamed("macro"));
}

}  // namespace talvik::tools
