#include "device/ble/mouse_modalias.h"

#include <cctype>

namespace talvik::device {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Reads a tag letter followed by exactly four hex digits from the front of text.
std::optional<uint16_t> TakeHexField(std::string_view& text, char tag) {
    if (text.size() < 5 || std::tolower(static_cast<unsigned char>(text[0])) != tag) {
        return std::nullopt;
    }
    uint16_t value = 0;
    for (size_t i = 1; i < 5; ++i) {
        const int c = std::tolower(static_cast<unsigned char>(text[i]));
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return std::nullopt;
        }
        value = static_cast<uint16_t>(value << 4 | digit);
    }
    text.remove_prefix(5);
    return value;
}

}  // namespace

std::optional<ModaliasIds> ParseModalias(std::string_view modalias) {
    const size_t colon = modalias.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view source = modalias.substr(0, colon);
    if (!EqualsIgnoringCase(source, "usb") && !EqualsIgnoringCase(source, "bluetooth")) {
        return std::nullopt;
    }
    std::string_view rest = modalias.substr(colon + 1);
    const std::optional<uint16_t> vendor = TakeHexField(rest, 'v');
    if (!vendor) {
        return std::nullopt;
    }
    const std::optional<uint16_t> product = TakeHexField(rest, 'p');
    if (!product) {
        return std::nullopt;
    }
    return ModaliasIds{*vendor, *product};
}

bool IsMouseModalias(std::string_view modalias) {
    const std::optional<ModaliasIds> ids = ParseModalias(modalias);
    return ids && ids->vendor == kBleMouseVendorId && ids->product == kBleMouseProductId;
}

}  // namespace talvik::device
