// --help, a command's --help, --version and the manual page, all from the command table and the
// option table below.
#include <sstream>

#include "cli.h"

namespace talvik::tools {

namespace {

struct Option {
    const char* name;
    const char* text;
};

const Option kOptions[] = {
    {"--simulate[=LINK]",
     "Device commands talk to a virtual mouse behind LINK (wired, 24g, 4k, 4kb or ble; 24g when "
     "bare) instead of the real devices."},
    {"--force",
     "Run device commands and store import even while the program talvik-mouse runs. Without it "
     "they are refused then, since the program owns the mouse and rewrites the store."},
    {"-h, --help", "Print this help; after a command, that command's help."},
    {"--version", "Print the version."},
};

const char kAbout[] =
    "Works on the files of the Talvik mouse configurator (profiles, macros, the profile store) "
    "and talks to the mouse over its cable or 4 kHz receiver B.";

const char kExitStatus[] =
    "0 on success, 1 when the operation failed (one line on standard error says why), 2 for a "
    "malformed command line.";

std::vector<std::string> Lines(const char* text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Escapes text for roff: backslashes, and a leading dot or quote.
std::string Roff(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\e";
        } else if (c == '-') {
            escaped += "\\-";
        } else {
            escaped += c;
        }
    }
    if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) {
        escaped.insert(0, "\\&");
    }
    return escaped;
}

}  // namespace

void PrintHelp(std::ostream& out) {
    out << "usage: " << kProgram << " [--simulate[=LINK]] [--force] COMMAND ...\n\n"
        << kAbout << "\n\ncommands:\n";
    for (const CommandGroup& group : CommandGroups()) {
        for (const std::string& line : Lines(group.usage)) {
            out << "  " << kProgram << " " << line << "\n";
        }
    }
    out << "\noptions:\n";
    for (const Option& option : kOptions) {
        out << "  " << option.name << "\n      " << option.text << "\n";
    }
    out << "\n" << kProgram << " COMMAND --help describes one command.\n";
}

void PrintGroupHelp(std::ostream& out, const CommandGroup& group) {
    out << "usage:\n";
    for (const std::string& line : Lines(group.usage)) {
        out << "  " << kProgram << " " << line << "\n";
    }
    out << "\n" << group.summary << "\n";
}

void PrintVersion(std::ostream& out) {
    out << kProgram << " " << TALVIK_VERSION << "\n";
}

void PrintManPage(std::ostream& out) {
    out << ".TH TALVIK\\-MOUSECTL 1 \"\" \"" << kProgram << " " << TALVIK_VERSION
        << "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << kProgram << " \\- command\\-line tool of the Talvik mouse configurator\n"
        << ".SH SYNOPSIS\n";
    for (const CommandGroup& group : CommandGroups()) {
        for (const std::string& line : Lines(group.usage)) {
            out << ".B " << kProgram << "\n" << Roff(line) << "\n.br\n";
        }
    }
    out << ".SH DESCRIPTION\n" << Roff(kAbout) << "\n.SH COMMANDS\n";
    for (const CommandGroup& group : CommandGroups()) {
        out << ".TP\n.B " << group.name << "\n" << Roff(group.summary) << "\n";
    }
    out << ".SH OPTIONS\n";
    for (const Option& option : kOptions) {
        out << ".TP\n.B " << Roff(option.name) << "\n" << Roff(option.text) << "\n";
    }
    out << ".SH EXIT STATUS\n"
        << Roff(kExitStatus) << "\n"
        << ".SH SEE ALSO\n.BR talvik\\-mouse (1)\n";
}

}  // namespace talvik::tools
