#include "protocol/vendor_library.h"

#include <dlfcn.h>

#include <climits>

#include "platform/trace.h"
#include "protocol/hiddriver_api.h"

namespace talvik::protocol {

namespace {

class LoadedVendorLibrary final : public VendorLibrary {
public:
    explicit LoadedVendorLibrary(void* handle) : handle_(handle) {}
    ~LoadedVendorLibrary() override { dlclose(handle_); }
    LoadedVendorLibrary(const LoadedVendorLibrary&) = delete;
    LoadedVendorLibrary& operator=(const LoadedVendorLibrary&) = delete;

    bool Resolve() {
        return Find("Set_VIDPID", set_vidpid_) && Find("Open_DevMonitor", open_monitor_) &&
               Find("Open_FeatureDevice", open_device_) && Find("SetFeature", set_feature_) &&
               Find("GetFeature", get_feature_) && Find("Close_FeatureDevice", close_device_) &&
               Find("Close_DevMonitor", close_monitor_);
    }

    void SetVidPid(int vendor_id, int product_id) override { set_vidpid_(vendor_id, product_id); }
    void OpenDevMonitor(const TalvikWindowHandle* window, std::uint32_t data_message,
                        std::uint32_t plug_message) override {
        open_monitor_(window, data_message, plug_message);
    }
    bool OpenFeatureDevice() override { return open_device_() != 0; }
    void CloseFeatureDevice() override { close_device_(); }
    void CloseDevMonitor() override { close_monitor_(); }
    bool SetFeature(std::span<const std::uint8_t> report) override {
        return !report.empty() && report.size() <= INT_MAX &&
               set_feature_(report.data(), static_cast<int>(report.size())) != 0;
    }
    bool GetFeature(std::span<std::uint8_t> buffer) override {
        return !buffer.empty() && buffer.size() <= INT_MAX &&
               get_feature_(buffer.data(), static_cast<int>(buffer.size())) != 0;
    }

private:
    template <typename Fn>
    bool Find(const char* name, Fn& out) {
        out = reinterpret_cast<Fn>(dlsym(handle_, name));
        if (out == nullptr) {
            platform::Trace("%s: entry point %s missing\n", TALVIK_HIDDRIVER_FILE, name);
        }
        return out != nullptr;
    }

    void* handle_;
    Set_VIDPID_Fn set_vidpid_ = nullptr;
    Open_DevMonitor_Fn open_monitor_ = nullptr;
    Open_FeatureDevice_Fn open_device_ = nullptr;
    SetFeature_Fn set_feature_ = nullptr;
    GetFeature_Fn get_feature_ = nullptr;
    Close_FeatureDevice_Fn close_device_ = nullptr;
    Close_DevMonitor_Fn close_monitor_ = nullptr;
};

}  // namespace

std::unique_ptr<VendorLibrary> LoadVendorLibrary(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        platform::Trace("%s not loaded: %s\n", path.c_str(), error != nullptr ? error : "");
        return nullptr;
    }
    auto library = std::make_unique<LoadedVendorLibrary>(handle);
    if (!library->Resolve()) {
        return nullptr;
    }
    return library;
}

}  // namespace talvik::protocol
