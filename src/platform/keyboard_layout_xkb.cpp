#include "platform/keyboard_layout_xkb.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdarg>
#include <cstdlib>

#include "platform/virtual_keys.h"

namespace talvik::platform {

namespace {

constexpr int kEvdevOffset = 8;

struct ContextDeleter {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
struct StateDeleter {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};
struct ConnectionDeleter {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Context = std::unique_ptr<xkb_context, ContextDeleter>;

// A context that keeps quiet: failures reach the caller as one error text instead.
Context NewContext() {
    Context context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (context) {
        xkb_context_set_log_fn(context.get(),
                               [](xkb_context*, xkb_log_level, const char*, va_list) {});
    }
    return context;
}
using Keymap = std::unique_ptr<xkb_keymap, KeymapDeleter>;

// The accent a dead key stands for, as the character it types on its own.
char32_t DeadKeyCharacter(xkb_keysym_t sym) {
    switch (sym) {
        case XKB_KEY_dead_grave:
            return U'`';
        case XKB_KEY_dead_acute:
            return U'\u00B4';
        case XKB_KEY_dead_circumflex:
            return U'^';
        case XKB_KEY_dead_tilde:
            return U'~';
        case XKB_KEY_dead_macron:
            return U'\u00AF';
        case XKB_KEY_dead_breve:
            return U'\u02D8';
        case XKB_KEY_dead_abovedot:
            return U'\u02D9';
        case XKB_KEY_dead_diaeresis:
            return U'\u00A8';
        case XKB_KEY_dead_abovering:
            return U'\u02DA';
        case XKB_KEY_dead_doubleacute:
            return U'\u02DD';
        case XKB_KEY_dead_caron:
            return U'\u02C7';
        case XKB_KEY_dead_cedilla:
            return U'\u00B8';
        case XKB_KEY_dead_ogonek:
            return U'\u02DB';
        default:
            return 0;
    }
}

std::u16string CharacterText(xkb_keysym_t sym) {
    char32_t c = DeadKeyCharacter(sym);
    if (c == 0) {
        c = xkb_keysym_to_utf32(sym);
    }
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c > 0x10FFFF) {
        return {};
    }
    if (c >= 0x10000) {
        c -= 0x10000;
        return {static_cast<char16_t>(0xD800 + (c >> 10)),
                static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
    }
    return {static_cast<char16_t>(c)};
}

xkb_keysym_t SymAt(xkb_keymap* keymap, int scan, xkb_layout_index_t group,
                   xkb_level_index_t level) {
    const xkb_keycode_t code = static_cast<xkb_keycode_t>(scan + kEvdevOffset);
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, code);
    if (layouts == 0) {
        return XKB_KEY_NoSymbol;
    }
    const xkb_layout_index_t g = group < layouts ? group : 0;
    const xkb_keysym_t* syms = nullptr;
    const int n = xkb_keymap_key_get_syms_by_level(keymap, code, g, level, &syms);
    return n > 0 ? syms[0] : XKB_KEY_NoSymbol;
}

std::string Describe(const XkbKeyboardLayout::Names& n) {
    std::string s = "layout \"" + (n.layout.empty() ? std::string("(default)") : n.layout) + "\"";
    if (!n.variant.empty()) {
        s += " variant \"" + n.variant + "\"";
    }
    return s;
}

}  // namespace

void XkbKeyboardLayout::Build(void* keymap_ptr, unsigned group) {
    auto* keymap = static_cast<xkb_keymap*>(keymap_ptr);
    auto take = [this](int scan, int vk) {
        if (vk <= 0 || vk > 0xFF || vk_by_scan_[scan] != 0 || scan_by_vk_[vk] != 0) {
            return false;
        }
        vk_by_scan_[scan] = vk;
        scan_by_vk_[vk] = scan;
        return true;
    };
    std::array<xkb_keysym_t, kMaxScanCode + 1> base{};
    for (int scan = 1; scan <= kMaxScanCode; ++scan) {
        base[scan] = SymAt(keymap, scan, group, 0);
        text_by_scan_[scan] = CharacterText(base[scan]);
    }
    // Keys of the typing area that name their function or type a letter, digit or one of the
    // fixed punctuation keys come first; a digit row that types digits only with Shift still
    // gives digit keys.
    for (int scan = 1; scan <= kTypingArea; ++scan) {
        int vk = FunctionVirtualKey(base[scan]);
        if (vk == 0) {
            vk = CharacterVirtualKey(base[scan]);
        }
        if (vk == 0) {
            const xkb_keysym_t shifted = SymAt(keymap, scan, group, 1);
            if (shifted >= XKB_KEY_0 && shifted <= XKB_KEY_9) {
                vk = CharacterVirtualKey(shifted);
            }
        }
        take(scan, vk);
    }
    // Other keys that type something take the US key of their position, else a free punctuation
    // key, so that every key keeps a virtual key of its own.
    static constexpr int kSpare[] = {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0,
                                     0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE2};
    for (int scan = 1; scan <= kTypingArea; ++scan) {
        if (vk_by_scan_[scan] != 0 || text_by_scan_[scan].empty()) {
            continue;
        }
        if (take(scan, UsPositionVirtualKey(scan))) {
            continue;
        }
        for (int vk : kSpare) {
            if (take(scan, vk)) {
                break;
            }
        }
    }
    // The rest (keypad, arrows, right-hand modifiers, media keys) by the function their symbol
    // names, else by position: the keypad's digits type them only with Num Lock on.
    for (int scan = 1; scan <= kMaxScanCode; ++scan) {
        if (vk_by_scan_[scan] == 0 && !take(scan, FunctionVirtualKey(base[scan]))) {
            take(scan, FixedPositionVirtualKey(scan));
        }
    }
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::FromNames(const Names& names,
                                                                std::string* error) {
    Context context = NewContext();
    if (!context) {
        if (error != nullptr) {
            *error = "cannot create an xkb context";
        }
        return nullptr;
    }
    auto field = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
    const xkb_rule_names rule_names{field(names.rules), field(names.model), field(names.layout),
                                    field(names.variant), field(names.options)};
    Keymap keymap(
        xkb_keymap_new_from_names(context.get(), &rule_names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        if (error != nullptr) {
            *error = "cannot compile the keymap of " + Describe(names);
        }
        return nullptr;
    }
    std::unique_ptr<XkbKeyboardLayout> layout(new XkbKeyboardLayout());
    layout->Build(keymap.get(), 0);
    return layout;
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::FromX11(std::string* error) {
    auto fail = [error](const char* what) -> std::unique_ptr<XkbKeyboardLayout> {
        if (error != nullptr) {
            *error = what;
        }
        return nullptr;
    };
    std::unique_ptr<xcb_connection_t, ConnectionDeleter> connection(xcb_connect(nullptr, nullptr));
    if (!connection || xcb_connection_has_error(connection.get()) != 0) {
        return fail("cannot connect to the X display");
    }
    if (xkb_x11_setup_xkb_extension(
            connection.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0) {
        return fail("the X display has no XKB extension");
    }
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection.get());
    if (device < 0) {
        return fail("the X display has no core keyboard");
    }
    Context context = NewContext();
    if (!context) {
        return fail("cannot create an xkb context");
    }
    Keymap keymap(xkb_x11_keymap_new_from_device(context.get(), connection.get(), device,
                                                 XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        return fail("cannot read the keymap of the X display");
    }
    std::unique_ptr<xkb_state, StateDeleter> state(
        xkb_x11_state_new_from_device(keymap.get(), connection.get(), device));
    const xkb_layout_index_t group =
        state ? xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    std::unique_ptr<XkbKeyboardLayout> layout(new XkbKeyboardLayout());
    layout->Build(keymap.get(), group);
    return layout;
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::Active(std::string* error) {
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != '\0') {
        if (auto layout = FromX11(nullptr)) {
            return layout;
        }
    }
    auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    Names names{env("XKB_DEFAULT_RULES"), env("XKB_DEFAULT_MODEL"), env("XKB_DEFAULT_LAYOUT"),
                env("XKB_DEFAULT_VARIANT"), env("XKB_DEFAULT_OPTIONS")};
    if (names.layout.empty()) {
        names = Names{};
        names.layout = "us";
    }
    if (auto layout = FromNames(names, nullptr)) {
        return layout;
    }
    return FromNames(Names{"", "", "us", "", ""}, error);
}

int XkbKeyboardLayout::VirtualKeyToScanCode(int vk) const {
    return vk > 0 && vk < static_cast<int>(scan_by_vk_.size()) ? scan_by_vk_[vk] : 0;
}

int XkbKeyboardLayout::ScanCodeToVirtualKey(int scan_code) const {
    return scan_code > 0 && scan_code <= kMaxScanCode ? vk_by_scan_[scan_code] : 0;
}

std::u16string XkbKeyboardLayout::KeyText(int scan_code) const {
    return scan_code > 0 && scan_code <= kMaxScanCode ? text_by_scan_[scan_code] : std::u16string();
}

}  // namespace talvik::platform
