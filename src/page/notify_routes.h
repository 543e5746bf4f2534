#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/toolkit/notification.h"

namespace talvik::page {

// A notification table by control name: a plain name, or a stem ending in "%d" that stands for
// the numbers 1..count. The first route that fits a notification handles it.
class NotifyRoutes {
public:
    // `number` is the control's number for a numbered route, 0 otherwise; `wparam` as notified.
    using Handler = std::function<void(int number, intptr_t wparam)>;

    void Add(std::string name, toolkit::NotifyType type, Handler handler, int count = 0);
    // True when a route handled it.
    bool Dispatch(toolkit::NotifyType type, std::string_view sender, intptr_t wparam) const;

private:
    struct Route {
        std::string stem;  // the name, or the part before "%d"
        int count = 0;     // 0: a plain name
        toolkit::NotifyType type;
        Handler handler;
    };
    std::vector<Route> routes_;
};

}  // namespace talvik::page
