#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>

namespace talvik::toolkit {

// What a control tells its window about a user action.
enum class NotifyType {
    kClick,                 // push button clicked
    kSelectChanged,         // option (radio or exclusive button) became selected
    kItemSelect,            // combo box or list: another item chosen; wparam = new index
    kCheckClick,            // check box toggled; wparam = 1 checked, 0 unchecked
    kKillFocus,             // the control lost the keyboard focus
    kSetFocus,              // the control got the keyboard focus
    kMouseEnter,            // pointer entered the control
    kMouseLeave,            // pointer left the control
    kReturn,                // Enter pressed in an edit
    kTextChanged,           // the user edited the text of an edit
    kValueChanged,          // the user moved a slider (drag, keys, wheel, groove click);
                            // wparam = new value. setValue() raises nothing, while
                            // setSliderPosition() counts as a move.
    kColorChanged,          // the user picks a colour in a palette
    kColorChangedButtonUp,  // the user released the button after picking a colour
};

struct Notification {
    NotifyType type = NotifyType::kClick;
    QString sender_name;       // the sender's object name, as in the layout
    QPointer<QWidget> sender;  // null when the control died before delivery
    QString virtual_window;    // name of the registered container holding the sender, or empty
    intptr_t wparam = 0;
    intptr_t lparam = 0;
};

// The handler table of a virtual window: types missing from it are dropped.
using NotifyHandler = std::function<void(const Notification&)>;
using NotifyTable = std::map<NotifyType, NotifyHandler>;

}  // namespace talvik::toolkit
