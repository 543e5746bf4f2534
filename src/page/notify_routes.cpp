#include "page/notify_routes.h"

#include <charconv>

namespace talvik::page {

void NotifyRoutes::Add(std::string name, toolkit::NotifyType type, Handler handler, int count) {
    constexpr std::string_view kNumber = "%d";
    if (count > 0 && name.ends_with(kNumber)) {
        name.resize(name.size() - kNumber.size());
    } else {
        count = 0;
    }
    routes_.push_back({std::move(name), count, type, std::move(handler)});
}

bool NotifyRoutes::Dispatch(toolkit::NotifyType type, std::string_view sender,
                            intptr_t wparam) const {
    for (const Route& route : routes_) {
        if (route.type != type || !sender.starts_with(route.stem)) {
            continue;
        }
        const std::string_view rest = sender.substr(route.stem.size());
        if (route.count == 0) {
            if (rest.empty()) {
                route.handler(0, wparam);
                return true;
            }
            continue;
        }
        int number = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
        if (error == std::errc() && end == rest.data() + rest.size() && rest[0] != '0' &&
            number >= 1 && number <= route.count) {
            route.handler(number, wparam);
            return true;
        }
    }
    return false;
}

}  // namespace talvik::page
