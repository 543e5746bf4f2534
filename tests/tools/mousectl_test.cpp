#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cstring>
#include <sstream>

#include "../macro/test_support.h"
#include "cli.h"
#include "macro/macro_store.h"
#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_defaults.h"
#include "profile/profile_store.h"
#include "protocol/key_packet.h"
#include "sim/virtual_clock.h"

namespace talvik::tools {
namespace {

using test::ReadBytes;
using test::WriteBytes;

class MousectlTest : public ::testing::Test {
protected:
    MousectlTest() {
        const std::string language =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language name=\"English\">"
            "<text key=\"left_click_text\">Left click</text>"
            "<text key=\"key_F1\">F1</text><text key=\"key_Enter\">Enter</text>"
            "<text key=\"L_Button\">Left button</text></language>\n";
        WriteBytes(folder.path() / "res" / "lan" / "EN.xml", language.data(), language.size());
        ::unsetenv("DISPLAY");
        ::unsetenv("XKB_DEFAULT_LAYOUT");
    }

    int Mousectl(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return tools::Run(args, out, err, folder.path(), &clock);
    }

    std::string Path(const std::string& name) const { return (folder.path() / name).string(); }

    // The command failed with exactly one line on stderr.
    void ExpectOneErrorLine(int code, const std::string& must_contain) {
        EXPECT_NE(code, 0) << must_contain;
        const std::string text = err.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_EQ(text.rfind("talvik-mousectl: ", 0), 0u) << text;
        EXPECT_NE(text.find(must_contain), std::string::npos) << text;
        EXPECT_TRUE(out.str().empty());
    }

    test::TempFolder folder;
    sim::VirtualClock clock;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(MousectlTest, NewFilesAreTheDefaultRecordWithTheirName) {
    ASSERT_EQ(Mousectl({"profile", "new", "Büro", "-o", Path("a.pro")}), 0) << err.str();
    auto profile = profile::CreateProfile();
    macro::WriteName(profile->name, u"Büro");
    ASSERT_EQ(ReadBytes(Path("a.pro")).size(), sizeof(profile::ProfileInfo));
    EXPECT_EQ(std::memcmp(ReadBytes(Path("a.pro")).data(), profile.get(), sizeof(*profile)), 0);
    ASSERT_EQ(Mousectl({"macro", "new", "Jump", "-o", Path("j.macro")}), 0) << err.str();
    macro::MacroInfo macro{};
    macro::WriteName(macro.name, u"Jump");
    ASSERT_EQ(ReadBytes(Path("j.macro")).size(), sizeof(macro));
    EXPECT_EQ(std::memcmp(ReadBytes(Path("j.macro")).data(), &macro, sizeof(macro)), 0);
}

TEST_F(MousectlTest, ShowNamesFieldsColoursAndFunctions) {
    auto p = profile::CreateProfile();
    macro::WriteName(p->name, u"Game");
    p->light_color = profile::MakeColor(0x12, 0x34, 0x56);
    p->note_a[0] = 0xD800;  // not valid Unicode: kept unit by unit
    p->buttons[5].function = static_cast<std::uint8_t>(profile::ButtonFunction::kKeyCombination);
    p->buttons[5].key_code = 0x3A;
    p->buttons[5].modifiers = profile::kModifierCtrl | profile::kModifierAlt;
    p->buttons[6].function = static_cast<std::uint8_t>(profile::ButtonFunction::kMacro);
    macro::WriteName(p->buttons[6].macro_name, u"Burst");
    p->buttons[6].macro_event_count = 1;
    p->buttons[6].macro_actions[0] = {0, 0xF1, 1, 0, 300, 0, 0, 0};
    WriteBytes(Path("g.pro"), p.get(), sizeof(*p));
    ASSERT_EQ(Mousectl({"profile", "show", Path("g.pro")}), 0) << err.str();

    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
    EXPECT_EQ(json.value("name").toString(), QStringLiteral("Game"));
    EXPECT_EQ(json.value("light_color").toString(), QStringLiteral("#123456"));
    EXPECT_EQ(json.value("note_a"), QJsonArray{0xD800});
    EXPECT_EQ(json.value("dpi_color").toArray().at(6).toString(), QStringLiteral("#FF4000"));
    EXPECT_FALSE(json.contains("unnamed_bytes"));
    const QJsonArray buttons = json.value("buttons").toArray();
    ASSERT_EQ(buttons.size(), 24);
    EXPECT_EQ(buttons.at(0).toObject().value("function_name").toString(),
              QStringLiteral("Left click"));
    EXPECT_EQ(buttons.at(1).toObject().value("function_name").toString(),
              QStringLiteral("right_click_text"));  // no text: its key
    EXPECT_EQ(buttons.at(5).toObject().value("key_combination").toString(),
              QStringLiteral("Ctrl+Alt+F1"));
    const QJsonObject macro = buttons.at(6).toObject();
    EXPECT_EQ(macro.value("macro_name").toString(), QStringLiteral("Burst"));
    const QJsonObject action = macro.value("macro_actions").toArray().at(0).toObject();
    EXPECT_EQ(action.value("code").toInt(), 0xF1);
    EXPECT_EQ(action.value("name").toString(), QStringLiteral("Left button"));
    EXPECT_EQ(action.value("kind").toString(), QStringLiteral("press"));
}

TEST_F(MousectlTest, MacroFromJsonWritesTheRecord) {
    const std::string json =
        "{\"name\": \"Jump\", \"repeat\": 0, \"action_count\": 2, \"actions\": ["
        "{\"code\": 44, \"kind\": \"press\", \"delay\": 300, \"x\": 0, \"y\": 0},"
        "{\"code\": 246, \"kind\": \"move\", \"delay\": 1, \"x\": -5, \"y\": 7}]}";
    WriteBytes(Path("j.json"), json.data(), json.size());
    ASSERT_EQ(Mousectl({"macro", "from-json", Path("j.json"), "-o", Path("j.macro")}), 0)
        << err.str();
    macro::MacroInfo expected{};
    macro::WriteName(expected.name, u"Jump");
    expected.action_count = 2;
    expected.actions[0] = {0, 44, 1, 0, 300, 0, 0, 0};
    expected.actions[1] = {0, 0xF6, 0, 0, 1, 0, -5, 7};
    const std::vector<unsigned char> bytes = ReadBytes(Path("j.macro"));
    ASSERT_EQ(bytes.size(), 3096u);
    EXPECT_EQ(std::memcmp(bytes.data(), &expected, sizeof(expected)), 0);
}

TEST_F(MousectlTest, ErrorsAreOneLineAndWriteNothing) {
    ASSERT_EQ(Mousectl({"profile", "new", "P", "-o", Path("p.pro")}), 0);
    ASSERT_EQ(Mousectl({"profile", "show", Path("p.pro")}), 0);
    const std::string good = out.str();
    const std::tuple<std::string, std::string, std::string> edits[] = {
        {"\"brightness\": 8", "\"brightness\": 8.5", "brightness: 8.5 is not a whole number"},
        {"\"reserved_8\": 562", "\"reserved_8\": 70000",
         "buttons[0].reserved_8: 70000 is outside 0..65535"},
        {"\"brightness\": 8", "\"brightnes\": 8", "brightness: missing"},
        {"\"move_mode\": 0,", "\"move_mode\": 0, \"extra\": 1,", "extra: unknown field"},
        {"\"#00FF00\"", "\"#00FG00\"", "light_color: not a colour"},
        {"\"macro_event_count\": 0", "\"macro_event_count\": 1",
         "buttons[0].macro_actions: holds 0 elements, not 1"},
        {"\"name\": \"P\"", "\"name\": \"" + std::string(101, 'n') + "\"",
         "name: longer than its 100 code units"},
        {good, "{\"name\": ", "e.json: not JSON"},
        {good, "[]", "not a JSON object"}};
    for (const auto& [from, to, message] : edits) {
        std::string json = good;
        const std::size_t at = json.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        json.replace(at, from.size(), to);
        WriteBytes(Path("e.json"), json.data(), json.size());
        ExpectOneErrorLine(Mousectl({"profile", "from-json", Path("e.json"), "-o", Path("e.pro")}),
                           message);
    }
    EXPECT_FALSE(std::filesystem::exists(Path("e.pro")));

    WriteBytes(Path("short.pro"), "abc", 3);
    const std::pair<std::vector<std::string>, std::string> commands[] = {
        {{"profile", "show", Path("missing.pro")}, "missing.pro"},
        {{"profile", "show", Path("short.pro")}, "a record needs 101540"},
        {{"macro", "show", Path("p.pro")}, "a record is 3096"},
        {{"profile", "new", "P"}, "new needs -o FILE"},
        {{"profile", "new", "", "-o", Path("x.pro")}, "name is empty"},
        {{"macro", "new", std::string(24, 'm'), "-o", Path("x.macro")},
         "longer than 23 characters"},
        {{"profile", "show", Path("p.pro"), "-o", Path("x")}, "show takes no -o"},
        {{"profile", "rename", Path("p.pro")}, "unknown use of rename"},
        {{"profile", "new", "P", "-o"}, "-o needs a file name"},
        {{"mouse"}, "unknown command \"mouse\""},
        {{"keys", "--layout", "no-such-layout"}, "no-such-layout"},
        {{"keys", "extra"}, "unexpected argument extra"},
        {{"profile", "new", "P", "-o", Path("no-such-folder/p.pro")}, "no-such-folder"}};
    for (const auto& [args, message] : commands) {
        ExpectOneErrorLine(Mousectl(args), message);
    }
    EXPECT_FALSE(std::filesystem::exists(Path("x.pro")));
    std::filesystem::remove(folder.path() / "res" / "lan" / "EN.xml");
    ExpectOneErrorLine(Mousectl({"keys"}), "cannot read the key names");
}

// The layouts' key codes and names are the keyboard layout's tests; here the rows and their form.
TEST_F(MousectlTest, KeysPrintsEveryRowUnderTheGivenLayout) {
    ASSERT_EQ(Mousectl({"keys", "--layout", "fr"}), 0) << err.str();
    const std::string rows = out.str();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 112);
    // The French A sits on the US Q; keys without a text in the language file show "-".
    EXPECT_EQ(rows.rfind("0x41 0x14 A\n", 0), 0u) << rows;
    for (const char* row : {"\n0x71 0x3B -\n", "\n0xF1 0xF1 Left button\n"}) {
        EXPECT_NE(rows.find(row), std::string::npos) << row;
    }
    ASSERT_EQ(Mousectl({"keys", "--layout=de(nodeadkeys)"}), 0) << err.str();
    EXPECT_NE(out.str().find("0x59 0x1D Y\n"), std::string::npos);
}

// A data folder holding the profiles A, B and C with B active; B's button 3 runs the macro M.
class StoreCommandsTest : public MousectlTest {
protected:
    StoreCommandsTest() {
        for (const char16_t* name : {u"A", u"B", u"C"}) {
            profiles.push_back(profile::CreateProfile());
            macro::WriteName(profiles.back()->name, name);
        }
        profile::ButtonAssign& button = profiles[1]->buttons[3];
        button.function = static_cast<std::uint8_t>(profile::ButtonFunction::kMacro);
        macro::WriteName(button.macro_name, u"M");
        button.macro_event_count = 1;
        EXPECT_TRUE(profile_store.Save(profiles, profile::ProfileStoreHeader{1}).ok());
    }

    int Store(std::vector<std::string> args) {
        args.insert(args.begin(), "store");
        args.insert(args.end(), {"--data-dir", data.string()});
        return Mousectl(args);
    }

    std::filesystem::path data = folder.path() / "data";
    test::FakeTexts texts;
    profile::ProfileStore profile_store{data, texts};
    profile::ProfileList profiles;
};

TEST_F(StoreCommandsTest, ListShowExportAndImportWithItsMacros) {
    ASSERT_EQ(Store({"list"}), 0) << err.str();
    EXPECT_EQ(out.str(), "0   A\n1 * B\n2   C\n");
    WriteBytes(Path("b.pro"), profiles[1].get(), sizeof(profile::ProfileInfo));
    ASSERT_EQ(Mousectl({"profile", "show", Path("b.pro")}), 0) << err.str();
    const std::string shown = out.str();
    ASSERT_EQ(Store({"show", "1"}), 0) << err.str();
    EXPECT_EQ(out.str(), shown);
    ASSERT_EQ(Store({"export", "1", "-o", Path("exported.pro")}), 0) << err.str();
    EXPECT_EQ(ReadBytes(Path("exported.pro")), ReadBytes(Path("b.pro")));

    ASSERT_EQ(Store({"import", Path("b.pro")}), 0) << err.str();
    EXPECT_EQ(out.str(), "3 B_1\n");
    profile::ProfileList stored;
    profile::ProfileStoreHeader header;
    profile_store.Load(stored, header);
    EXPECT_EQ(stored.size(), 4u);
    EXPECT_EQ(header.active_profile_index, 1);
    macro::MacroList macros;
    macro::MacroStore(data, texts).LoadMacros(macros);
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macro::ReadName(macros[0]->name), u"M");
}

TEST_F(StoreCommandsTest, FailuresNameTheProblemAndLeaveTheStoreAlone) {
    const auto before = ReadBytes(profile_store.FilePath());
    WriteBytes(Path("short.pro"), "abc", 3);
    const std::pair<std::vector<std::string>, std::string> commands[] = {
        {{"show", "3"}, "no profile 3: the store holds 3"},
        {{"export", "x", "-o", Path("x.pro")}, "no profile x"},
        {{"export", "0", "-o", Path("no-such-folder/x.pro")}, "no-such-folder"},
        {{"import", Path("short.pro")}, "short.pro"},
        {{"import", Path("missing.pro")}, "missing.pro"},
        {{"show"}, "unexpected arguments for show"},
        {{"fill", "5"}, "exists already"}};
    for (const auto& [args, message] : commands) {
        ExpectOneErrorLine(Store(args), message);
    }
    EXPECT_EQ(ReadBytes(profile_store.FilePath()), before);
    ExpectOneErrorLine(Mousectl({"store", "list"}), "--data-dir");
    ExpectOneErrorLine(Mousectl({"store", "fill", "3"}), "--data-dir");
    ExpectOneErrorLine(Mousectl({"store", "list", "--data-dir", Path("empty")}),
                       "no profile store at");
    ExpectOneErrorLine(Mousectl({"store", "fill", "0", "--data-dir", Path("empty")}), "count");
    EXPECT_FALSE(std::filesystem::exists(Path("empty")));
    ASSERT_EQ(Mousectl({"store", "fill", "3", "--data-dir", Path("filled")}), 0) << err.str();
    EXPECT_EQ(std::filesystem::file_size(Path("filled") + "/ms_5/pro.data"),
              profile::kStoreHeaderSize + 3 * sizeof(profile::ProfileInfo));
}

TEST_F(MousectlTest, HelpVersionAndManualPageComeFromOneTable) {
    EXPECT_EQ(Mousectl({"--help"}), 0);
    const std::string help = out.str();
    EXPECT_NE(Mousectl({}), 0);
    EXPECT_EQ(Mousectl({"--version"}), 0);
    EXPECT_EQ(out.str().rfind("talvik-mousectl 1.", 0), 0u) << out.str();
    for (const CommandGroup& group : CommandGroups()) {
        EXPECT_NE(help.find(group.name), std::string::npos) << group.name;
        EXPECT_EQ(Mousectl({group.name, "--help"}), 0) << group.name;
        EXPECT_NE(out.str().find(group.summary), std::string::npos) << group.name;
    }
    EXPECT_EQ(Mousectl({"--man"}), 0);
    EXPECT_EQ(out.str().rfind(".TH TALVIK\\-MOUSECTL 1", 0), 0u) << out.str().substr(0, 40);
    for (const char* section : {".SH SYNOPSIS", ".SH COMMANDS", ".SH OPTIONS", "\\-\\-force"}) {
        EXPECT_NE(out.str().find(section), std::string::npos) << section;
    }
}

// The refusals themselves and --force run between two real processes in the e2e tests.
bool ProgramUp() {
    return true;
}
std::string program_data;
std::string ProgramData() {
    return program_data;
}

TEST_F(MousectlTest, WhileTheProgramRunsOnlyAnotherStoreTakesImports) {
    ASSERT_EQ(Mousectl({"profile", "new", "P", "-o", Path("p.pro")}), 0);
    program_data = Path("data") + "/";
    auto import = [&](std::vector<std::string> data_dir) {
        std::vector<std::string> args{"store", "import", Path("p.pro")};
        args.insert(args.end(), data_dir.begin(), data_dir.end());
        return tools::Run(args, out, err, folder.path(), nullptr, &ProgramData, &ProgramUp);
    };
    EXPECT_EQ(import({"--data-dir", Path("data")}), 1);
    EXPECT_NE(err.str().find("store import would interfere"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(Path("data") + "/ms_5/pro.data"));
    EXPECT_EQ(import({"--data-dir", Path("other")}), 0) << err.str();
    EXPECT_TRUE(std::filesystem::exists(Path("other") + "/ms_5/pro.data"));
}

TEST_F(MousectlTest, PacketsForAFullApplyAndAgainstTheApplied) {
    auto p = profile::CreateProfile();
    WriteBytes(Path("full.pro"), p.get(), sizeof *p);
    ASSERT_EQ(Mousectl({"packets", Path("full.pro")}), 0) << err.str();
    const std::string full = out.str();
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 5);
    EXPECT_EQ(out.str().rfind("0C 0A 01 FE 01 FE 00 00 00 00\n", 0), 0u);
    EXPECT_NE(out.str().find("\n06 09 01 44 BB 00 00 00 00\n"), std::string::npos);

    p->polling_rate = 0;
    p->buttons[3].function = protocol::kFunctionMacro;
    p->buttons[3].macro_event_count = 1;
    p->buttons[3].macro_actions[0] = {0, 4, 1, 0, 0, 0, 0, 0};
    WriteBytes(Path("edited.pro"), p.get(), sizeof *p);
    ASSERT_EQ(Mousectl({"packets", "--applied", Path("full.pro"), Path("edited.pro")}), 0)
        << err.str();
    EXPECT_EQ(out.str().rfind("0C 0A 01 FE 01 FE 00 00 00 00\n", 0), 0u);
    EXPECT_NE(out.str().find("\n06 09 01 41 BE 00 00 00 00\n"), std::string::npos);
    EXPECT_NE(out.str().find("\n09 6F 0D 00 00 00 00 01 01 01 04"), std::string::npos);
    EXPECT_NE(Mousectl({"packets"}), 0);
    EXPECT_NE(Mousectl({"packets", "--applied"}), 0);
    ExpectOneErrorLine(Mousectl({"packets", Path("missing.pro")}), "missing.pro");
}

// The decoders are the protocol's tests; here each block reaches its decoder and prints JSON.
TEST_F(MousectlTest, DecodePrintsBlocksAsJsonAndRejectsBadInput) {
    std::string ble = "A0 04 00";
    for (int i = 3; i < 61; ++i) {
        ble += i == 24 ? " 03" : " 00";
    }
    const std::pair<std::vector<std::string>, std::string> blocks[] = {
        {{"light", "05 0F 01 C0 A3 58 00 FF 00 02 04"}, "\"sleep_timer\": 165"},
        {{"polling", "060901", "71"}, "\"polling_rate_hs\": 6"},
        {{"ble", ble}, "\"current_dpi_stage\": 2"}};
    for (auto [args, field] : blocks) {
        args.insert(args.begin(), "decode");
        ASSERT_EQ(Mousectl(args), 0) << err.str();
        EXPECT_NE(out.str().find(field), std::string::npos) << out.str();
    }
    for (const auto& args : std::vector<std::vector<std::string>>{{"decode", "sensor", "04 38 01"},
                                                                  {"decode", "light", "0G"},
                                                                  {"decode", "keys", "00"},
                                                                  {"decode", "ble", "05 00 00 00"},
                                                                  {"decode"}}) {
        EXPECT_NE(Mousectl(args), 0) << args.back();
    }
}

TEST_F(MousectlTest, DevicesNameTheVirtualLinkApplySendsOverLinksThatCarryCommands) {
    for (const std::string link : {"wired", "24g", "4k", "4kb", "ble"}) {
        EXPECT_EQ(Mousectl({"--simulate=" + link, "devices"}), 0) << err.str();
        EXPECT_EQ(out.str(), link + " virtual mouse\n");
    }
    EXPECT_EQ(Mousectl({"--simulate", "devices"}), 0);
    EXPECT_EQ(out.str(), "24g virtual mouse\n");
    ExpectOneErrorLine(Mousectl({"--simulate=usb3", "devices"}), "unknown link");

    ASSERT_EQ(Mousectl({"profile", "new", "Test", "-o", Path("t.pro")}), 0) << err.str();
    for (const std::string link : {"wired", "4kb", "ble"}) {
        const std::uint64_t before = clock.slept_ms();
        EXPECT_EQ(Mousectl({"--simulate=" + link, "apply", Path("t.pro")}), 0) << err.str();
        EXPECT_EQ(out.str().rfind("sent ", 0), 0u) << out.str();
        EXPECT_GT(clock.slept_ms(), before) << link;  // the pauses ran, in virtual time
    }
    // The receivers only carry reports: a clear refusal, not a silent success.
    ExpectOneErrorLine(Mousectl({"--simulate=24g", "apply", Path("t.pro")}), "commands go over");
}

TEST_F(MousectlTest, ReadFillsACopyOfTheBaseWithTheMouseSettings) {
    auto base = profile::CreateProfile();
    base->dpi_value[0] = 77;
    macro::WriteName(base->name, u"Mine");
    WriteBytes(Path("base.pro"), base.get(), sizeof(profile::ProfileInfo));
    for (const std::string link : {"4kb", "ble"}) {
        const std::string file = Path("out-" + link + ".pro");
        ASSERT_EQ(Mousectl({"--simulate=" + link, "read", "--base", Path("base.pro"), "-o", file}),
                  0)
            << err.str();
        const auto bytes = ReadBytes(file);
        ASSERT_EQ(bytes.size(), sizeof(profile::ProfileInfo));
        auto read = std::make_unique<profile::ProfileInfo>();
        std::memcpy(read.get(), bytes.data(), bytes.size());
        EXPECT_EQ(macro::ReadName(read->name), u"Mine") << link;  // the base's own fields stay
        EXPECT_NE(read->dpi_value[0], 77) << link;                // the mouse's settings came in
    }
    EXPECT_EQ(Mousectl({"--simulate", "read"}), 2);  // no output file named
}

}  // namespace
}  // namespace talvik::tools
