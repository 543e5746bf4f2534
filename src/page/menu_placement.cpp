#include "page/menu_placement.h"

#include <algorithm>

namespace talvik::page {

namespace {

// `start` moved into [low, high - length]; a length larger than the range starts at `low`.
int Inside(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

}  // namespace

QPoint FunctionMenuPosition(const QRect& button, const QSize& menu, const QRect& area) {
    // QRect's right() and bottom() are the last pixel; work with the ends past them.
    const int area_right = area.x() + area.width();
    const int area_bottom = area.y() + area.height();
    int x = button.x() + button.width();
    if (x + menu.width() > area_right) {
        x = button.x() - menu.width();
    }
    int y = button.y();
    if (y + menu.height() > area_bottom) {
        y = button.y() + button.height() - menu.height();
    }
    return QPoint(Inside(x, menu.width(), area.x(), area_right),
                  Inside(y, menu.height(), area.y(), area_bottom));
}

}  // namespace talvik::page
