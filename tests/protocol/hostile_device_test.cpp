#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <random>

#include "fake_events.h"
#include "profile/profile_defaults.h"
#include "protocol/apply.h"
#include "protocol/device_reports.h"
#include "protocol/hid_wired_driver.h"
#include "protocol/read_back.h"
#include "protocol/read_request.h"
#include "protocol/session_jobs.h"
#include "protocol/settings_packets.h"
#include "sim_rig.h"

namespace talvik::protocol {
namespace {

using sim::SimLink;
using testing::FakeEvents;
using testing::SimRig;

// A device that answers every read with the next scripted reply (an error when the script
// holds nothing, or an empty optional in it), and accepts every write.
class ScriptedDevice final : public platform::HidDevice {
public:
    std::deque<std::optional<std::vector<std::uint8_t>>> replies;
    int writes = 0;
    int reads = 0;

    std::optional<std::size_t> Write(std::span<const std::uint8_t> r) override {
        ++writes;
        return r.size();
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int) override {
        return Next(buffer);
    }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t> r) override {
        ++writes;
        return r.size();
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t> buffer) override {
        return Next(buffer);
    }

private:
    std::optional<std::size_t> Next(std::span<std::uint8_t> buffer) {
        ++reads;
        if (replies.empty() || !replies.front()) {
            if (!replies.empty()) {
                replies.pop_front();
            }
            return std::nullopt;
        }
        const std::vector<std::uint8_t> r = *replies.front();
        replies.pop_front();
        const std::size_t n = std::min(r.size(), buffer.size());
        std::copy_n(r.begin(), n, buffer.begin());
        return n;
    }
};

// Every field the page shows as an option or index is within its options.
void ExpectPageRanges(const profile::ProfileInfo& p) {
    EXPECT_GE(p.current_dpi_stage, 0);
    EXPECT_LE(p.current_dpi_stage, 7);
    EXPECT_GE(p.polling_rate, 0);
    EXPECT_LE(p.polling_rate, 3);
    EXPECT_GE(p.polling_rate_hs, 0);
    EXPECT_LE(p.polling_rate_hs, 6);
    for (int v : {p.lift_off_distance, p.ripple_control, p.angle_snap, p.motion_sync}) {
        EXPECT_TRUE(v == 0 || v == 1) << v;
    }
    EXPECT_GE(p.breath_speed, 0);
    EXPECT_LE(p.breath_speed, 9);
    for (int k = 0; k < 8; ++k) {
        EXPECT_TRUE(p.dpi_value[k] == 0 || (p.dpi_value[k] >= 1 && p.dpi_value[k] <= 520));
    }
}

std::vector<std::uint8_t> Garbage(std::mt19937& rng, std::size_t size) {
    std::vector<std::uint8_t> v(size);
    for (auto& b : v) {
        b = static_cast<std::uint8_t>(rng());
    }
    return v;
}

TEST(HostileDevice, GarbageStatusRepliesEndAfterTheRetries) {
    std::mt19937 rng(1);
    auto device = std::make_shared<ScriptedDevice>();
    for (int i = 0; i < 20; ++i) {
        device->replies.push_back(Garbage(rng, i % 3 == 0 ? 2 : 64));  // short and long junk
    }
    Links links;
    links.flags.link_4k_b = true;
    links.handles.command_4k_b = device;
    sim::VirtualClock clock;
    Exchange ex(links, clock);
    auto p = profile::CreateProfile();
    ex.SendCommand(BuildLightPacket(*p));
    EXPECT_LE(device->writes, kCommandAttempts);
    EXPECT_LE(clock.slept_ms(), 5u * 100);
}

TEST(HostileDevice, WrongReportIdsAndRefusalsFailTheRequest) {
    auto device = std::make_shared<ScriptedDevice>();
    device->replies.push_back(std::vector<std::uint8_t>{0x04, 0x01});  // wrong id, "accepted"?
    Links links;
    links.flags.link_24g = true;
    links.handles.command_24g = device;
    sim::VirtualClock clock;
    Exchange ex(links, clock);
    // The status byte sits at byte 1 whatever the id; a device that replies with another id
    // but byte 1 = 1 is still refused when the read itself fails the next time.
    EXPECT_TRUE(ex.RequestBlock(kPollingBlock, kPollingBlockLength));
    device->replies.push_back(std::nullopt);
    EXPECT_FALSE(ex.RequestBlock(kPollingBlock, kPollingBlockLength));
    device->replies.push_back(std::vector<std::uint8_t>{0xA0, 0x00});
    EXPECT_FALSE(ex.RequestBlock(kPollingBlock, kPollingBlockLength));
}

// A read-back whose replies are junk stores nothing out of range, and rejected values keep
// the profile's own.
TEST(HostileDevice, JunkBlocksNeverPutValuesOutOfRange) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        auto device = std::make_shared<ScriptedDevice>();
        for (int i = 0; i < 120; ++i) {
            auto r = Garbage(rng, 1 + rng() % 80);
            if (i % 2 == 1 && r.size() >= 2) {
                // Often enough a reply that passes the sensor block's id and length test.
                r[0] = kSensorBlock;
                r[1] = 56;
            }
            device->replies.push_back(r);
        }
        Links links;
        links.flags.link_4k = true;
        links.handles.command_4k = device;
        sim::VirtualClock clock;
        Exchange ex(links, clock);
        const ReadBackResult read = RunReadBack(ex, clock, links);
        auto p = profile::CreateProfile();
        if (read.polling) {
            StorePollingSettings(*read.polling, *p);
        }
        if (read.sensor) {
            StoreSensorSettings(*read.sensor, *p);
        }
        if (read.light) {
            StoreLightSettings(*read.light, *p);
        }
        ExpectPageRanges(*p);
        if (::testing::Test::HasFailure()) {
            FAIL() << "round " << round;
        }
    }
}

TEST(HostileDevice, OutOfRangeSensorReplyKeepsTheProfileValues) {
    SimRig rig(SimLink::kWired);
    std::vector<std::uint8_t> bad(56, 0xFF);
    bad[0] = kSensorBlock;
    bad[1] = 56;
    bad[24] = 0;
    rig.mouse->OverrideBlock(kSensorBlock, bad);
    rig.mouse->OverrideBlock(kPollingBlock, {6, 9, 0, 0x90});
    rig.mouse->OverrideBlock(kLightBlock, {5, 15, 0, 0x30, 0xFF, 0x12});
    Exchange ex(rig.links, rig.clock);
    const ReadBackResult read = RunReadBack(ex, rig.clock, rig.links);
    auto p = profile::CreateProfile();
    auto before = profile::CreateProfile();
    ASSERT_TRUE(read.sensor && read.polling && read.light);
    StoreSensorSettings(*read.sensor, *p);
    StorePollingSettings(*read.polling, *p);
    StoreLightSettings(*read.light, *p);
    ExpectPageRanges(*p);
    EXPECT_EQ(p->current_dpi_stage, before->current_dpi_stage);
    EXPECT_EQ(p->lift_off_distance, before->lift_off_distance);
    EXPECT_EQ(p->polling_rate, before->polling_rate);
    EXPECT_EQ(p->polling_rate_hs, before->polling_rate_hs);
    EXPECT_EQ(p->breath_speed, before->breath_speed);
    EXPECT_EQ(p->dpi_value[0], before->dpi_value[0]);
    EXPECT_EQ(p->light_mode, 3) << "valid fields of the same block are still taken";
}

// Unplugs the mouse after a number of writes, as a cable pulled mid-apply.
class UnplugAfter final : public platform::HidDevice {
public:
    UnplugAfter(std::shared_ptr<platform::HidDevice> inner, std::shared_ptr<sim::VirtualMouse> m,
                int writes)
        : inner_(std::move(inner)), mouse_(std::move(m)), left_(writes) {}
    std::optional<std::size_t> Write(std::span<const std::uint8_t> r) override {
        Count();
        return inner_->Write(r);
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> b, int t) override {
        return inner_->Read(b, t);
    }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t> r) override {
        Count();
        return inner_->SendFeatureReport(r);
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t> b) override {
        return inner_->GetFeatureReport(b);
    }

private:
    void Count() {
        if (--left_ == 0) {
            mouse_->SetPlugged(false);
        }
    }
    std::shared_ptr<platform::HidDevice> inner_;
    std::shared_ptr<sim::VirtualMouse> mouse_;
    int left_;
};

TEST(HostileDevice, MouseDisappearingMidApplyEndsTheApplyInBoundedTime) {
    for (SimLink link : {SimLink::kWired, SimLink::k4kB}) {
        SimRig rig(link);
        auto unplugging =
            std::make_shared<UnplugAfter>(rig.mouse->CommandInterface(link), rig.mouse, 3);
        if (link == SimLink::kWired) {
            rig.links.handles.wired = std::make_shared<HidWiredDriver>(unplugging);
        } else {
            rig.links.handles.command_4k_b = unplugging;
        }
        auto p = profile::CreateProfile();
        auto zero = std::make_unique<profile::ProfileInfo>();
        Exchange ex(rig.links, rig.clock);
        const ApplyReport report = SendApply(ex, PlanApply(*p, *zero, true));
        EXPECT_EQ(report.sent, 2);
        EXPECT_EQ(report.failed, 3);
        // Each lost packet costs at most its five attempts.
        EXPECT_LE(rig.clock.NowMs(), 5u * 5 * (300 + 2 * kReplyTimeoutMs));
    }
}

TEST(HostileDevice, SilentMouseReadBackIsBounded) {
    SimRig rig(SimLink::k4kB);
    rig.mouse->SetSilent(true);
    Exchange ex(rig.links, rig.clock);
    const ReadBackResult r = RunReadBack(ex, rig.clock, rig.links);
    EXPECT_FALSE(r.polling || r.sensor || r.light);
    // Three blocks, at most ten attempts each, two timed-out reads per attempt.
    EXPECT_LE(rig.clock.NowMs(), 3u * 10 * (100 + 100 + 50 + 2 * kReplyTimeoutMs));
}

TEST(HostileDevice, RandomReportsOnEveryHandlerKeepThePageInRange) {
    std::mt19937 rng(42);
    SessionState state;
    state.profiles.push_back(profile::CreateProfile());
    state.current_profile = state.profiles[0].get();
    FakeEvents events;
    DeviceReports reports(state, events, nullptr);
    const auto untouched = *state.current_profile;
    for (int i = 0; i < 20000; ++i) {
        const auto a = static_cast<std::uint16_t>(rng());
        const auto b = static_cast<std::uint16_t>(rng());
        switch (i % 6) {
            case 0:
                reports.HandleReport24g(a, b);
                break;
            case 1:
                reports.HandleReport4k(a, b);
                break;
            case 2:
                reports.HandleReport4kB(Garbage(rng, rng() % 12));
                break;
            case 3:
                reports.OnBleNotification(Garbage(rng, rng() % 70));
                break;
            case 4:
                reports.OnDriverEvent(static_cast<std::uint32_t>(rng()));
                break;
            default:
                reports.HandleReportBle(a, b);
        }
        if (i % 1000 == 0) {
            ExpectPageRanges(*state.current_profile);
            ExpectPageRanges(*state.applied_profile);
        }
    }
    ExpectPageRanges(*state.current_profile);
    EXPECT_EQ(
        std::memcmp(state.current_profile->buttons, untouched.buttons, sizeof untouched.buttons), 0)
        << "no report touches the buttons";
    for (const std::string& line : events.log) {
        if (line.rfind("level ", 0) == 0 && line != "level -") {
            const int level = std::stoi(line.substr(6));
            EXPECT_GE(level, 0);
            EXPECT_LE(level, 100);
        }
    }
}

TEST(HostileDevice, ShortAndGarbageBluetoothRepliesChangeNothingTheyDoNotCarry) {
    SessionState state;
    state.profiles.push_back(profile::CreateProfile());
    state.current_profile = state.profiles[0].get();
    FakeEvents events;
    DeviceReports reports(state, events, nullptr);
    const std::vector<std::uint8_t> just_polling{0xA0, 0x01};
    reports.OnBleNotification(just_polling);
    EXPECT_EQ(state.current_profile->polling_rate, 3);
    EXPECT_EQ(state.current_profile->dpi_value[0], 16) << "no sensor block in a 2-byte value";
    const std::vector<std::uint8_t> empty;
    reports.OnBleNotification(empty);
    ExpectPageRanges(*state.current_profile);
}

}  // namespace
}  // namespace talvik::protocol
