#include "cli.h"

namespace talvik::tools {

// Every command group, one entry each: its name, its entry point (in <name>_commands.cpp), its
// usage lines, what it does (for --help and the manual page) and whether it talks to the mouse.
#define TALVIK_COMMAND_GROUPS(X)                                                                 \
    X(profile, RunProfileCommands,                                                               \
      "profile new NAME -o FILE.pro\nprofile show FILE.pro\nprofile from-json FILE.json -o "     \
      "FILE.pro",                                                                                \
      "Creates a profile file with every default setting, prints a profile file as JSON, or "    \
      "writes the profile a JSON text describes.",                                               \
      false)                                                                                     \
    X(macro, RunMacroCommands,                                                                   \
      "macro new NAME -o FILE.macro\nmacro show FILE.macro\n"                                    \
      "macro from-json FILE.json -o FILE.macro",                                                 \
      "The same for macro files: an empty macro, a macro as JSON, a macro from JSON.", false)    \
    X(keys, RunKeyCommands, "keys [--layout LAYOUT]",                                            \
      "Prints the key table under the active keyboard layout or LAYOUT (an xkb name such as "    \
      "de(nodeadkeys)): virtual key, key code and key name per line.",                           \
      false)                                                                                     \
    X(store, RunStoreCommands,                                                                   \
      "store list [--data-dir DIR]\nstore show N [--data-dir DIR]\n"                             \
      "store export N -o FILE.pro [--data-dir DIR]\nstore import FILE.pro [--data-dir DIR]\n"    \
      "store fill N --data-dir DIR",                                                             \
      "Lists, prints, exports and imports the profiles of the program's store (or the store in " \
      "DIR); fill writes a store of N default profiles. import is refused while the program "    \
      "runs on the same store, since its next save would drop the imported profile.",            \
      false)                                                                                     \
    X(packets, RunPacketCommands, "packets [--applied OLD.pro] FILE.pro",                        \
      "Prints the command packets an apply of FILE.pro sends, in full or after OLD.pro.", false) \
    X(decode, RunDecodeCommands, "decode sensor|light|polling|ble HEX",                          \
      "Decodes a reply of the mouse given in hex.", false)                                       \
    X(devices, RunDevicesCommand, "[--simulate[=LINK]] devices",                                 \
      "Lists the links the mouse is reachable on.", true)                                        \
    X(apply, RunApplyCommand, "[--simulate[=LINK]] apply FILE.pro",                              \
      "Sends every setting of FILE.pro to the mouse.", true)                                     \
    X(read, RunReadCommand, "[--simulate[=LINK]] read [--base FILE.pro] -o OUT.pro",             \
      "Reads the mouse's DPI, sensor, polling and lighting settings into a copy of FILE.pro "    \
      "(or of a default profile) and writes it to OUT.pro.",                                     \
      true)

#define TALVIK_DECLARE_GROUP(name, entry, usage, summary, device) int entry(Context& context);
TALVIK_COMMAND_GROUPS(TALVIK_DECLARE_GROUP)
#undef TALVIK_DECLARE_GROUP

const std::vector<CommandGroup>& CommandGroups() {
#define TALVIK_GROUP_ENTRY(name, entry, usage, summary, device) \
    CommandGroup{#name, usage, &entry, summary, device},
    static const std::vector<CommandGroup> groups = {TALVIK_COMMAND_GROUPS(TALVIK_GROUP_ENTRY)};
#undef TALVIK_GROUP_ENTRY
    return groups;
}

}  // namespace talvik::tools
