#include "cli.h"

namespace talvik::tools {

// Every command group, one line each: its name, its entry point (in <name>_commands.cpp) and its
// usage lines.
#define TALVIK_COMMAND_GROUPS(X)                                                              \
    X(profile, RunProfileCommands,                                                            \
      "profile new NAME -o FILE.pro\nprofile show FILE.pro\nprofile from-json FILE.json -o "  \
      "FILE.pro")                                                                             \
    X(macro, RunMacroCommands,                                                                \
      "macro new NAME -o FILE.macro\nmacro show FILE.macro\n"                                 \
      "macro from-json FILE.json -o FILE.macro")                                              \
    X(keys, RunKeyCommands, "keys [--layout LAYOUT]")                                         \
    X(store, RunStoreCommands,                                                                \
      "store list [--data-dir DIR]\nstore show N [--data-dir DIR]\n"                          \
      "store export N -o FILE.pro [--data-dir DIR]\nstore import FILE.pro [--data-dir DIR]\n" \
      "store fill N --data-dir DIR")                                                          \
    X(packets, RunPacketCommands, "packets [--applied OLD.pro] FILE.pro")                     \
    X(decode, RunDecodeCommands, "decode sensor|light|polling|ble HEX")                       \
    X(devices, RunDevicesCommand, "[--simulate[=LINK]] devices")                              \
    X(apply, RunApplyCommand, "[--simulate[=LINK]] apply FILE.pro")                           \
    X(read, RunReadCommand, "[--simulate[=LINK]] read [--base FILE.pro] -o OUT.pro")

#define TALVIK_DECLARE_GROUP(name, entry, usage) int entry(Context& context);
TALVIK_COMMAND_GROUPS(TALVIK_DECLARE_GROUP)
#undef TALVIK_DECLARE_GROUP

const std::vector<CommandGroup>& CommandGroups() {
#define TALVIK_GROUP_ENTRY(name, entry, usage) CommandGroup{#name, usage, &entry},
    static const std::vector<CommandGroup> groups = {TALVIK_COMMAND_GROUPS(TALVIK_GROUP_ENTRY)};
#undef TALVIK_GROUP_ENTRY
    return groups;
}

}  // namespace talvik::tools
