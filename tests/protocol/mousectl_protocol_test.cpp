#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli.h"
#include "profile/profile_defaults.h"
#include "protocol/key_packet.h"

namespace talvik::tools {
namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome RunTool(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    // These commands need no language files, so no resource folder.
    const int code = Run(args, out, err, std::filesystem::temp_directory_path());
    return {code, out.str(), err.str()};
}

std::string WriteProfile(const profile::ProfileInfo& p, const std::string& name) {
    const auto path =
        std::filesystem::temp_directory_path() / (name + std::to_string(::getpid()) + ".pro");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(&p), sizeof p);
    return path.string();
}

TEST(MousectlPackets, FullApplyAndApplyAgainstOld) {
    auto p = profile::CreateProfile();
    const std::string file = WriteProfile(*p, "full");
    Outcome r = RunTool({"packets", file});
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) {
        got.push_back(line);
    }
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], "0C 0A 01 FE 01 FE 00 00 00 00");
    EXPECT_EQ(got[3], "06 09 01 44 BB 00 00 00 00");

    auto edited = profile::CreateProfile();
    edited->polling_rate = 0;
    edited->buttons[3].function = protocol::kFunctionMacro;
    edited->buttons[3].macro_event_count = 1;
    edited->buttons[3].macro_actions[0].kind = 1;
    edited->buttons[3].macro_actions[0].code = 4;
    const std::string newer = WriteProfile(*edited, "edited");
    r = RunTool({"packets", "--applied", file, newer});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 30), "0C 0A 01 FE 01 FE 00 00 00 00\n");
    EXPECT_NE(r.out.find("\n06 09 01 41 BE 00 00 00 00\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n09 6F 0D 00 00 00 00 01 01 01 04"), std::string::npos);
    std::filesystem::remove(file);
    std::filesystem::remove(newer);
}

TEST(MousectlPackets, BadArgumentsAndFiles) {
    EXPECT_NE(RunTool({"packets"}).code, 0);
    EXPECT_NE(RunTool({"packets", "--applied"}).code, 0);
    const Outcome r = RunTool({"packets", "/nonexistent/x.pro"});
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(r.err.empty());
}

TEST(MousectlDecode, BlocksAsJson) {
    Outcome r = RunTool({"decode", "light", "05 0F 01 C0 A3 58 00 FF 00 02 04"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"breath_speed\": 6"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"sleep_timer\": 165"), std::string::npos);
    EXPECT_NE(r.out.find("\"light_color\": \"#00FF00\""), std::string::npos);
    r = RunTool({"decode", "polling", "060901", "71"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"polling_rate\": 0"), std::string::npos);
    EXPECT_NE(r.out.find("\"polling_rate_hs\": 6"), std::string::npos);
    std::string ble = "A0 04 00";
    for (int i = 3; i < 61; ++i) {
        ble += i == 24 ? " 03" : " 00";
    }
    r = RunTool({"decode", "ble", ble});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"current_dpi_stage\": 2"), std::string::npos);
    EXPECT_NE(r.out.find("\"polling_rate\": 1"), std::string::npos);
    EXPECT_NE(r.out.find("\"dpi_color\""), std::string::npos);
}

TEST(MousectlDecode, RejectsBadInput) {
    EXPECT_NE(RunTool({"decode", "sensor", "04 38 01"}).code, 0);
    EXPECT_NE(RunTool({"decode", "light", "0G"}).code, 0);
    EXPECT_NE(RunTool({"decode", "keys", "00"}).code, 0);
    EXPECT_NE(RunTool({"decode", "ble", "05 00 00 00"}).code, 0);
    EXPECT_NE(RunTool({"decode"}).code, 0);
}

}  // namespace
}  // namespace talvik::tools
