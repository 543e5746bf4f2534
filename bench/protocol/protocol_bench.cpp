// Building the packets of a full apply with four long macros, and the wall time of a full apply
// over each writable link against the virtual mouse with real pauses, next to the sum of the
// pauses the protocol asks for (target: at most 5 % above it).

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>

#include "profile/profile_defaults.h"
#include "protocol/apply.h"
#include "protocol/clock.h"
#include "protocol/exchange.h"
#include "protocol/hid_wired_driver.h"
#include "protocol/key_packet.h"
#include "sim/virtual_mouse.h"

namespace {

using namespace talvik;

// Four buttons with macros that fill their four slots: presses, releases and movements, short
// and long delays.
std::unique_ptr<profile::ProfileInfo> ProfileWithLongMacros() {
    auto p = profile::CreateProfile();
    for (int b = 0; b < 4; ++b) {
        profile::ButtonAssign& a = p->buttons[b];
        a.function = protocol::kFunctionMacro;
        a.macro_event_count = 90;
        for (int i = 0; i < 90; ++i) {
            macro::MacroAction& act = a.macro_actions[i];
            act.kind = static_cast<std::uint8_t>(i % 3);
            act.code = act.kind == 0 ? macro::kCodeMove : static_cast<std::uint8_t>(4 + i % 20);
            act.delay = static_cast<std::uint16_t>(i % 7 == 0 ? 250 : 20);
            act.x = i;
            act.y = -i;
        }
    }
    return p;
}

void BM_BuildFullApplyWithFourLongMacros(benchmark::State& state) {
    const auto p = ProfileWithLongMacros();
    const profile::ProfileInfo zero{};
    std::size_t packets = 0;
    for (auto _ : state) {
        const protocol::ApplyPlan plan = protocol::PlanApply(*p, zero, true);
        packets = plan.packets.size();
        benchmark::DoNotOptimize(plan.packets.data());
    }
    if (packets < 5 + 4 * 3) {
        state.SkipWithError("the macros were not all planned");
    }
    state.counters["packets"] = static_cast<double>(packets);
}
BENCHMARK(BM_BuildFullApplyWithFourLongMacros);

// Real pauses, and their sum.
class CountingClock final : public protocol::Clock {
public:
    void Sleep(int ms) override {
        paused_ += ms;
        real_.Sleep(ms);
    }
    std::uint64_t NowMs() override { return real_.NowMs(); }
    long paused_ms() const { return paused_.load(); }

private:
    protocol::RealClock real_;
    std::atomic<long> paused_{0};
};

void BM_FullApplyOverLink(benchmark::State& state) {
    const auto link = static_cast<sim::SimLink>(state.range(0));
    auto p = profile::CreateProfile();
    {
        profile::ButtonAssign& a = p->buttons[0];
        a.function = protocol::kFunctionMacro;
        a.macro_event_count = 60;
        for (int i = 0; i < 60; ++i) {
            a.macro_actions[i].kind = static_cast<std::uint8_t>(1 + i % 2);
            a.macro_actions[i].code = 0x04;
            a.macro_actions[i].delay = 30;
        }
    }
    const profile::ProfileInfo zero{};
    const protocol::ApplyPlan plan = protocol::PlanApply(*p, zero, true);
    double wall_ms = 0;
    double paused_ms = 0;
    for (auto _ : state) {
        auto mouse = sim::VirtualMouse::Create({link, "", nullptr});
        protocol::Links links;
        switch (link) {
            case sim::SimLink::kWired:
                links.flags.wired = protocol::WiredState::kConnected;
                links.handles.wired =
                    std::make_shared<protocol::HidWiredDriver>(mouse->CommandInterface(link));
                break;
            case sim::SimLink::k4kB:
                links.flags.link_4k_b = true;
                links.handles.command_4k_b = mouse->CommandInterface(link);
                break;
            default:
                links.flags.ble = true;
                links.handles.ble = mouse->GattWriter();
        }
        CountingClock clock;
        protocol::Exchange exchange(links, clock);
        const auto start = std::chrono::steady_clock::now();
        const protocol::ApplyReport report = protocol::SendApply(exchange, plan);
        const auto end = std::chrono::steady_clock::now();
        if (report.failed != 0) {
            state.SkipWithError("a packet failed");
            return;
        }
        wall_ms += std::chrono::duration<double, std::milli>(end - start).count();
        paused_ms += static_cast<double>(clock.paused_ms());
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["pauses_ms"] = paused_ms / n;
    state.counters["wall_ms"] = wall_ms / n;
    state.counters["over_pauses_pct"] = 100.0 * (wall_ms - paused_ms) / paused_ms;
}
BENCHMARK(BM_FullApplyOverLink)
    ->Arg(static_cast<int>(sim::SimLink::kWired))
    ->Arg(static_cast<int>(sim::SimLink::k4kB))
    ->Arg(static_cast<int>(sim::SimLink::kBle))
    ->ArgName("link")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
