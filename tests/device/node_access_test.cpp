// Which of our devices' nodes the user may not open, and the fix that is shown for them.
#include "device/usb/node_access.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace talvik::device {
namespace {

// While alive, this thread is held to file modes even as root (CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH leave its effective set), as the user the check is for would be.
class FileModesBind {
public:
    FileModesBind() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~FileModesBind() {
        if (active_) {
            syscall(SYS_capset, &header_, saved_);
        }
    }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

class ListedNodes : public HidBackend {
public:
    std::vector<HidInterfaceInfo> Enumerate(uint16_t vid, uint16_t pid) override {
        std::vector<HidInterfaceInfo> found;
        for (const auto& [path, ids] : nodes) {
            if (ids.first == vid && ids.second == pid) {
                found.push_back({path, {}, {}});
            }
        }
        return found;
    }
    std::shared_ptr<platform::HidDevice> Open(const std::string&) override { return nullptr; }

    std::map<std::string, std::pair<uint16_t, uint16_t>> nodes;
};

class NodeAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("desk-node-access-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Node(const std::string& name, mode_t mode) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path).put('\0');
        chmod(path.c_str(), mode);
        return path;
    }

    std::filesystem::path dir_;
};

TEST_F(NodeAccessTest, OnlyNodesRefusedForPermissionAreBlocked) {
    ListedNodes backend;
    const std::string refused = Node("hidraw1", 0);
    const std::string open = Node("hidraw2", 0600);
    backend.nodes[refused] = {0x1D57, 0xFA60};
    backend.nodes[open] = {0x331A, 0x5043};
    backend.nodes[(dir_ / "gone").string()] = {0x331A, 0x503C};  // unplugged meanwhile
    backend.nodes[Node("hidraw9", 0)] = {0x046D, 0xC077};        // not ours
    FileModesBind bind;
    const std::vector<BlockedNode> blocked = FindBlockedNodes(backend);
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(blocked[0].path, refused);
    EXPECT_EQ(blocked[0].vendor_id, 0x1D57);
    EXPECT_EQ(blocked[0].product_id, 0xFA60);
}

TEST_F(NodeAccessTest, TheFixInstallsTheRuleOnlyWhereUdevLacksIt) {
    const std::string rules = (dir_ / "rules.d").string();
    std::filesystem::create_directories(rules);
    const std::string app = (dir_ / "app").string() + "/";
    std::filesystem::create_directories(app);
    Node("app/70-talvik-mouse.rules", 0644);

    PermissionFix fix = MakePermissionFix(app, {rules});
    EXPECT_FALSE(fix.rule_installed);
    ASSERT_EQ(fix.commands.size(), 3u);
    EXPECT_EQ(fix.commands[0],
              "sudo install -m 644 " + app + "70-talvik-mouse.rules /etc/udev/rules.d/");
    EXPECT_EQ(fix.commands[1], "sudo udevadm control --reload-rules");

    // The rest of the text is checked where the tool and the program show it (tests/e2e).
    const std::string text = DescribeBlocked({{"/dev/hidraw4", 0x331A, 0x5043}}, fix);
    EXPECT_NE(text.find("Do not run the program as root"), std::string::npos);
    EXPECT_NE(text.find("\n    sudo udevadm trigger"), std::string::npos);

    // A bare checkout names the rule in packaging/.
    fix = MakePermissionFix((dir_ / "elsewhere").string() + "/", {rules});
    EXPECT_EQ(fix.rule_source, "packaging/70-talvik-mouse.rules");

    Node("rules.d/70-talvik-mouse.rules", 0644);
    fix = MakePermissionFix(app, {rules});
    EXPECT_TRUE(fix.rule_installed);
    EXPECT_EQ(CommandLines(fix),
              "sudo udevadm control --reload-rules\n"
              "sudo udevadm trigger --subsystem-match=hidraw --subsystem-match=usb\n");
}

}  // namespace
}  // namespace talvik::device
