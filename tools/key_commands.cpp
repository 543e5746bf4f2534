#include <cstdio>

#include "cli.h"
#include "macro/key_codes.h"

namespace talvik::tools {

// The key table under a keyboard layout: "<virtual key> <key code> <name>" per row.
int RunKeyCommands(Context& context) {
    const CommandGroup& group = GroupNamed("keys");
    std::optional<std::string> layout_name;
    const std::vector<std::string>& args = context.args;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--layout" && i + 1 < args.size() && !layout_name) {
            layout_name = args[++i];
        } else if (args[i].rfind("--layout=", 0) == 0 && !layout_name) {
            layout_name = args[i].substr(9);
        } else {
            return UsageError(context, group, "unexpected argument " + args[i]);
        }
    }
    if (layout_name && layout_name->empty()) {
        return UsageError(context, group, "--layout needs a layout name");
    }
    std::string error;
    const auto layout = MakeLayout(layout_name, &error);
    if (!layout) {
        return Fail(context, error);
    }
    LanguageTexts texts;
    if (!texts.Load(context.resource_dir, &error)) {
        return Fail(context, "cannot read the key names: " + error);
    }
    for (const macro::KeyCodeRow& row : macro::KeyCodeTable) {
        const int code = macro::VirtualKeyToKeyCode(row.virtual_key, *layout).value_or(0);
        const std::string name = macro::KeyCodeName(code, *layout, texts);
        char codes[32];
        std::snprintf(codes, sizeof(codes), "0x%02X 0x%02X ", row.virtual_key, code);
        context.out << codes << (name.empty() ? "-" : name) << "\n";
    }
    return context.out.good() ? 0 : Fail(context, "cannot write the output");
}

}  // namespace talvik::tools
