#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace talvik::page {

// Where the function menu of a button opens, in screen coordinates: right of the button and
// level with its top; moved up so that its bottom is level with the button's bottom when it
// would pass the bottom of `area`, and to the button's left when it would pass the right edge.
// It stays inside `area` (the available geometry of the button's screen) whenever it fits.
QPoint FunctionMenuPosition(const QRect& button, const QSize& menu, const QRect& area);

}  // namespace talvik::page
