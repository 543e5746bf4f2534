#pragma once

#include <memory>

#include "sim/virtual_mouse.h"

namespace talvik::sim {

// The virtual mouse's interfaces, each standing where a real device's would.

// Feature reports: the wired mouse and the 2.4G receiver's command interface.
class FeatureEndpoint final : public platform::HidDevice {
public:
    FeatureEndpoint(std::shared_ptr<VirtualMouse> mouse, SimLink link)
        : mouse_(std::move(mouse)), link_(link) {}
    std::optional<std::size_t> Write(std::span<const std::uint8_t>) override {
        return std::nullopt;  // this interface takes feature reports only
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        return mouse_->CommandRead(link_, buffer, timeout_ms);
    }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t> report) override {
        return mouse_->FeatureWrite(link_, report);
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t> buffer) override {
        return mouse_->FeatureRead(buffer);
    }

private:
    std::shared_ptr<VirtualMouse> mouse_;
    SimLink link_;
};

class OutputEndpoint final : public platform::HidDevice {
public:
    OutputEndpoint(std::shared_ptr<VirtualMouse> mouse, SimLink link)
        : mouse_(std::move(mouse)), link_(link) {}
    std::optional<std::size_t> Write(std::span<const std::uint8_t> report) override {
        return mouse_->OutputWrite(link_, report);
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        return mouse_->CommandRead(link_, buffer, timeout_ms);
    }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t>) override {
        return std::nullopt;
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t>) override {
        return std::nullopt;
    }

private:
    std::shared_ptr<VirtualMouse> mouse_;
    SimLink link_;
};

class InputEndpoint final : public platform::HidDevice {
public:
    explicit InputEndpoint(std::shared_ptr<VirtualMouse> mouse) : mouse_(std::move(mouse)) {}
    std::optional<std::size_t> Write(std::span<const std::uint8_t>) override {
        return std::nullopt;
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        return mouse_->InputRead(buffer, timeout_ms);
    }
    void InterruptRead() override { mouse_->InterruptInput(); }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t>) override {
        return std::nullopt;
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t>) override {
        return std::nullopt;
    }

private:
    std::shared_ptr<VirtualMouse> mouse_;
};

class GattEndpoint final : public platform::BleWriter {
public:
    explicit GattEndpoint(std::shared_ptr<VirtualMouse> mouse) : mouse_(std::move(mouse)) {}
    bool Write(std::span<const std::uint8_t> value) override { return mouse_->GattWrite(value); }

private:
    std::shared_ptr<VirtualMouse> mouse_;
};

}  // namespace talvik::sim
