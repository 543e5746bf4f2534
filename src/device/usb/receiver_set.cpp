#include "device/usb/receiver_set.h"

#include <algorithm>

#include "platform/trace.h"

namespace talvik::device {

namespace {

constexpr uint8_t kMouseReportId = 3;
constexpr uint8_t kStatusMarker = 0xC5;

unsigned HandleTraceValue(const void* handle) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle));
}

}  // namespace

ReportWords ToReportWords(std::span<const uint8_t> report) {
    auto at = [&](size_t i) -> uint16_t { return i < report.size() ? report[i] : 0; };
    return {static_cast<uint16_t>(at(1) | at(2) << 8), static_cast<uint16_t>(at(3) | at(4) << 8)};
}

ReceiverSet::ReceiverSet(ReceiverFamily family, ReceiverEnv env)
    : family_(family), traits_(Traits(family)), env_(std::move(env)) {}

ReceiverSet::~ReceiverSet() {
    token_.reset();
    StopReaders();
    for (Slot& slot : slots_) {
        slot.reader.reset();
    }
    retired_.clear();
}

void ReceiverSet::StopReaders() {
    for (Slot& slot : slots_) {
        if (slot.reader) {
            slot.reader->RequestStop();
        }
    }
    for (auto& reader : retired_) {
        reader->RequestStop();
    }
}

int ReceiverSet::running_readers() const {
    int running = 0;
    for (const Slot& slot : slots_) {
        running += slot.reader && !slot.reader->finished() ? 1 : 0;
    }
    for (const auto& reader : retired_) {
        running += reader->finished() ? 0 : 1;
    }
    return running;
}

void ReceiverSet::RetireReader(Slot& slot) {
    if (slot.reader) {
        slot.reader->RequestStop();
        retired_.push_back(std::move(slot.reader));
    }
}

void ReceiverSet::ReapRetired() {
    // Finished threads join at once; the others are looked at again on the next open.
    std::erase_if(retired_, [](const std::unique_ptr<ReaderThread>& r) { return r->finished(); });
}

void ReceiverSet::Open() {
    // Old readers stop first; their queued reports carry the old token and are dropped.
    for (Slot& slot : slots_) {
        slot.decided = false;
        RetireReader(slot);
        slot.state = SlotState::kUndecided;
    }
    commands_.clear();
    inputs_.clear();
    active_ = DeviceRecord{};
    token_ = std::make_shared<Token>(Token{this});
    ReapRetired();

    for (const HidInterfaceInfo& info :
         env_.backend->Enumerate(traits_.vendor_id, traits_.product_id)) {
        if (info.usage == traits_.command && commands_.size() < kRecordCapacity) {
            if (auto handle = env_.backend->Open(info.path)) {
                platform::Trace("handle = %x\n", HandleTraceValue(handle.get()));
                DeviceRecord record;
                record.command = std::move(handle);
                record.path = info.path;
                record.instance_id = info.instance_id;
                commands_.push_back(std::move(record));
            }
        }
        if (info.usage == traits_.input && inputs_.size() < kRecordCapacity) {
            if (auto handle = env_.backend->Open(info.path)) {
                platform::Trace("OSD handle = %x\n", HandleTraceValue(handle.get()));
                DeviceRecord record;
                record.input = std::move(handle);
                record.path = info.path;
                record.instance_id = info.instance_id;
                inputs_.push_back(std::move(record));
            }
        }
    }
    const int served = std::min(input_count(), traits_.reader_slots);
    for (int slot = 0; slot < served; ++slot) {
        StartReader(slot);
    }
}

void ReceiverSet::StartReader(int slot) {
    std::weak_ptr<Token> token = token_;
    UiPoster post = env_.post;
    auto deliver = [post, token, slot](const ReadReport& report) {
        post([token, slot, report] {
            if (auto live = token.lock()) {
                live->set->ReadStep(slot, std::span<const uint8_t>(report.bytes), report.read_at);
            }
        });
    };
    auto ended = [post, token, slot] {
        post([token, slot] {
            if (token.lock()) {
                platform::Trace("reader %d ended\n", slot);
            }
        });
    };
    slots_[slot].reader = std::make_unique<ReaderThread>(inputs_[slot].input, env_.read_timeout_ms,
                                                         std::move(deliver), std::move(ended));
}

void ReceiverSet::ReadStep(int slot, std::span<const uint8_t> report,
                           std::chrono::steady_clock::time_point read_at) {
    current_read_at_ = read_at;
    if (slot < 0 || slot >= input_count() || !inputs_[slot].input) {
        return;
    }
    const uint8_t report_id = report.size() > 0 ? report[0] : 0;
    const uint8_t marker = report.size() > 1 ? report[1] : 0;
    Slot& state = slots_[slot];
    DeviceRecord& input = inputs_[slot];

    // Pairing: the command interface of the same physical receiver. An unknown receiver pairs
    // with nothing, so that two receivers of unknown identity are never taken for one.
    if (!input.instance_id.empty()) {
        auto command = std::find_if(commands_.begin(), commands_.end(), [&](const auto& c) {
            return c.command && c.instance_id == input.instance_id;
        });
        if (command != commands_.end()) {
            command->input = input.input;
            if (!state.decided) {
                state.decided = true;
                if (marker == kStatusMarker) {
                    active_ = *command;
                    state.state = SlotState::kLive;
                    env_.sink->OnReceiverLive(family_, active_.command, active_.input);
                } else {
                    state.state = SlotState::kDead;
                }
            }
        }
    }
    platform::Trace("iNum = %d\r\n", slot);

    if (state.state != SlotState::kLive || report_id != kMouseReportId) {
        return;
    }
    if (marker == kStatusMarker) {
        env_.window->KillTimer(traits_.heartbeat_timer);
        env_.window->SetTimer(traits_.heartbeat_timer, kHeartbeatTimeoutMs);
        env_.sink->OnHeartbeat(family_);
    }
    env_.sink->OnReport(family_, report);
}

bool ReceiverSet::Matches(const DeviceRecord& record, const std::string& devnode,
                          const std::string& usb_syspath) const {
    if (record.empty()) {
        return false;
    }
    return (!devnode.empty() && record.path == devnode) ||
           (!usb_syspath.empty() && record.instance_id == usb_syspath);
}

void ReceiverSet::OnDeviceRemoved(const std::string& devnode, const std::string& usb_syspath) {
    for (int slot = 0; slot < input_count(); ++slot) {
        if (Matches(inputs_[slot], devnode, usb_syspath)) {
            platform::Trace("%s\n", inputs_[slot].path.c_str());
            RetireReader(slots_[slot]);
            inputs_[slot] = DeviceRecord{};
        }
    }
    // The command handles of a pulled receiver are dead too; dropping them closes them once
    // the page and the worker let go of theirs.
    for (DeviceRecord& command : commands_) {
        if (Matches(command, devnode, usb_syspath)) {
            command = DeviceRecord{};
        }
    }
    if (Matches(active_, devnode, usb_syspath)) {
        active_ = DeviceRecord{};
        env_.sink->OnReceiverRemoved(family_);
    }
    ReapRetired();
}

}  // namespace talvik::device
