#include "app/toolkit/notification.h"

#include <array>
#include <utility>

namespace talvik::toolkit {

namespace {

constexpr std::array<std::pair<NotifyType, const char*>, 14> kNames{{
    {NotifyType::kClick, "click"},
    {NotifyType::kSelectChanged, "selectchanged"},
    {NotifyType::kItemSelect, "itemselect"},
    {NotifyType::kCheckClick, "checkclick"},
    {NotifyType::kKillFocus, "killfocus"},
    {NotifyType::kSetFocus, "setfocus"},
    {NotifyType::kTimer, "timer"},
    {NotifyType::kMouseEnter, "mouseenter"},
    {NotifyType::kMouseLeave, "mouseleave"},
    {NotifyType::kReturn, "return"},
    {NotifyType::kTextChanged, "textchanged"},
    {NotifyType::kValueChanged, "valuechanged"},
    {NotifyType::kColorChanged, "colorchanged"},
    {NotifyType::kColorChangedButtonUp, "colorchangedbuttonup"},
}};

}  // namespace

QString NotifyTypeName(NotifyType type) {
    for (const auto& [t, name] : kNames) {
        if (t == type) {
            return QString::fromLatin1(name);
        }
    }
    return {};
}

std::optional<NotifyType> NotifyTypeFromName(const QString& name) {
    for (const auto& [t, n] : kNames) {
        if (name == QLatin1String(n)) {
            return t;
        }
    }
    return std::nullopt;
}

}  // namespace talvik::toolkit
