// Turning widget signals and events into notifications, and delivering them.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QRadioButton>
#include <QTimer>

#include "app/toolkit/color_relay.h"
#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"

namespace talvik::toolkit {

namespace {

constexpr char kWiredProperty[] = "talvikWired";
constexpr char kWasCheckedProperty[] = "talvikWasChecked";
constexpr char kSliderPendingProperty[] = "talvikSliderPending";
constexpr char kComboChangedToProperty[] = "talvikComboChangedTo";

// Options are selected, never toggled off, by the user: radio buttons and buttons of an
// exclusive set.
bool IsOption(const QAbstractButton* button) {
    if (qobject_cast<const QRadioButton*>(button) != nullptr) {
        return true;
    }
    if (!button->isCheckable()) {
        return false;
    }
    return button->autoExclusive() || (button->group() != nullptr && button->group()->exclusive());
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace

void Window::Attach(QWidget* subtree) {
    if (subtree == nullptr) {
        return;
    }
    QList<QWidget*> controls = subtree->findChildren<QWidget*>();
    controls.prepend(subtree);
    for (QWidget* control : controls) {
        Wire(control);
    }
    toolkit_.ApplyTexts(subtree);
}

void Window::Wire(QWidget* control) {
    const QString name = control->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
        control->property(kWiredProperty).toBool()) {
        return;
    }
    control->setProperty(kWiredProperty, true);
    control->installEventFilter(this);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        WireButton(button);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        WireCombo(combo);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        WireSlider(slider);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        WireEdit(edit);
    } else if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        WireItemView(view);
    }
    WireColorSignals(control);
}

void Window::WireButton(QAbstractButton* button) {
    // `pressed` comes before the state changes, `clicked` after: together they tell whether
    // this click selected the option. Both are user actions (mouse, Space, arrow keys in a
    // group); setChecked() emits neither.
    connect(button, &QAbstractButton::pressed, this,
            [button] { button->setProperty(kWasCheckedProperty, button->isChecked()); });
    connect(button, &QAbstractButton::clicked, this, [this, button](bool checked) {
        if (IsOption(button)) {
            const bool was_checked = button->property(kWasCheckedProperty).toBool();
            if (checked && !was_checked) {
                Raise(NotifyType::kSelectChanged, button, 1);
            }
        } else if (button->isCheckable()) {
            Raise(NotifyType::kCheckClick, button, checked ? 1 : 0);
        } else {
            Raise(NotifyType::kClick, button);
        }
    });
}

void Window::WireCombo(QComboBox* combo) {
    // `activated` is the user's choice; it follows `currentIndexChanged` when the choice
    // changed the index, so re-choosing the current item raises nothing.
    combo->setProperty(kComboChangedToProperty, -2);
    connect(combo, &QComboBox::currentIndexChanged, this,
            [combo](int index) { combo->setProperty(kComboChangedToProperty, index); });
    connect(combo, &QComboBox::activated, this, [this, combo](int index) {
        const int changed_to = combo->property(kComboChangedToProperty).toInt();
        combo->setProperty(kComboChangedToProperty, -2);
        if (changed_to == index) {
            Raise(NotifyType::kItemSelect, combo, index);
        }
    });
}

void Window::WireSlider(QAbstractSlider* slider) {
    // Every user change (drag, keys, wheel, clicks on the groove) goes through an action,
    // which comes before the new value is set; setValue() from code triggers no action.
    connect(slider, &QAbstractSlider::actionTriggered, this, [slider](int) {
        if (slider->sliderPosition() != slider->value()) {
            slider->setProperty(kSliderPendingProperty, true);
        }
    });
    connect(slider, &QAbstractSlider::valueChanged, this, [this, slider](int value) {
        if (slider->property(kSliderPendingProperty).toBool()) {
            slider->setProperty(kSliderPendingProperty, false);
            Raise(NotifyType::kValueChanged, slider, value);
        }
    });
}

void Window::WireEdit(QLineEdit* edit) {
    connect(edit, &QLineEdit::textEdited, this,
            [this, edit](const QString&) { Raise(NotifyType::kTextChanged, edit); });
}

void Window::WireItemView(QAbstractItemView* view) {
    // Item views have no signal for a change of the current item by the user, so the user's
    // input to the view is marked while it is being handled.
    view->viewport()->installEventFilter(this);
    if (view->selectionModel() == nullptr) {
        return;
    }
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, view](const QModelIndex& current, const QModelIndex&) {
                if (user_input_view_ == view && current.isValid()) {
                    Raise(NotifyType::kItemSelect, view, current.row());
                }
            });
}

void Window::WireColorSignals(QWidget* control) {
    const QMetaObject* meta = control->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal) {
            continue;
        }
        if (method.name() == "colorChanged") {
            new ColorRelay(this, control, NotifyType::kColorChanged, method);
        } else if (method.name() == "colorChangedButtonUp") {
            new ColorRelay(this, control, NotifyType::kColorChangedButtonUp, method);
        }
    }
}

bool Window::RedispatchUserInput(QObject* watched, QEvent* event, QAbstractItemView* view) {
    // Handle the event now, inside the mark, and stop the outer delivery: the inner one has
    // already run the whole dispatch, including propagation to the parents.
    QObject* previous_view = user_input_view_;
    QObject* previous_redispatch = redispatching_;
    user_input_view_ = view;
    redispatching_ = watched;
    QPointer<Window> self(this);
    QCoreApplication::sendEvent(watched, event);
    if (self) {
        user_input_view_ = previous_view;
        redispatching_ = previous_redispatch;
    }
    event->accept();
    return true;
}

bool Window::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == root_) {
        if (type == QEvent::Close && !closing_) {
            modal_result_ = 0;
            emit closed(0);
        } else if (type == QEvent::Hide && !closing_ && !event->spontaneous() &&
                   modal_loop_ != nullptr) {
            modal_loop_->exit(0);
        }
        if (type == QEvent::Show || type == QEvent::LayoutRequest || type == QEvent::Resize ||
            type == QEvent::Move) {
            ScheduleGeometryDump();
        }
    }
    if (IsUserInput(type) && watched != redispatching_) {
        QAbstractItemView* view = qobject_cast<QAbstractItemView*>(watched);
        if (view == nullptr && watched->parent() != nullptr) {
            auto* parent_view = qobject_cast<QAbstractItemView*>(watched->parent());
            if (parent_view != nullptr && parent_view->viewport() == watched) {
                view = parent_view;
            }
        }
        if (view != nullptr) {
            return RedispatchUserInput(watched, event, view);
        }
    }
    auto* control = qobject_cast<QWidget*>(watched);
    if (control == nullptr || !control->property(kWiredProperty).toBool()) {
        return QObject::eventFilter(watched, event);
    }
    switch (type) {
        case QEvent::FocusIn:
            Raise(NotifyType::kSetFocus, control);
            break;
        case QEvent::FocusOut:
            Raise(NotifyType::kKillFocus, control);
            break;
        case QEvent::Enter:
            Raise(NotifyType::kMouseEnter, control);
            break;
        case QEvent::Leave:
            Raise(NotifyType::kMouseLeave, control);
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const bool is_edit = qobject_cast<QLineEdit*>(control) != nullptr ||
                                 qobject_cast<QAbstractSpinBox*>(control) != nullptr;
            if (is_edit && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                Raise(NotifyType::kReturn, control);
            }
            break;
        }
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            if (watched != root_) {
                ScheduleGeometryDump();
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void Window::Raise(NotifyType type, QWidget* sender, intptr_t wparam, intptr_t lparam) {
    if (dying_) {
        return;
    }
    Notification notification;
    notification.type = type;
    notification.sender_name = sender->objectName();
    notification.sender = sender;
    notification.virtual_window = VirtualWindowOf(sender);
    notification.wparam = wparam;
    notification.lparam = lparam;
    pending_.push_back(std::move(notification));
    if (delivering_) {
        // A handler is still running (perhaps inside a modal loop): this one waits its turn.
        return;
    }
    QPointer<Window> self(this);
    delivering_ = true;
    while (!pending_.empty()) {
        const Notification next = std::move(pending_.front());
        pending_.pop_front();
        Deliver(next);
        if (!self) {
            return;
        }
    }
    delivering_ = false;
}

void Window::Deliver(const Notification& notification) {
    if (notification.virtual_window.isEmpty()) {
        Notify(notification);
        return;
    }
    const auto page = virtual_windows_.find(notification.virtual_window);
    if (page == virtual_windows_.end()) {
        return;
    }
    const auto handler = page->second.table.find(notification.type);
    if (handler != page->second.table.end() && handler->second) {
        // A copy: the handler may unregister its own page.
        const NotifyHandler call = handler->second;
        call(notification);
    }
}

QString Window::VirtualWindowOf(QWidget* control) const {
    for (QWidget* widget = control; widget != nullptr; widget = widget->parentWidget()) {
        for (const auto& [name, page] : virtual_windows_) {
            if (page.container == widget) {
                return name;
            }
        }
        if (widget == root_) {
            break;
        }
    }
    return {};
}

void Window::RegisterVirtualWindow(const QString& name, QWidget* container, NotifyTable table) {
    virtual_windows_[name] = VirtualWindow{container, std::move(table)};
    Attach(container);
}

void Window::UnregisterVirtualWindow(const QString& name) {
    virtual_windows_.erase(name);
}

void Window::SetOptionSelected(QAbstractButton* option, bool selected, bool notify) {
    if (option == nullptr || option->isChecked() == selected) {
        return;
    }
    if (!selected && option->autoExclusive()) {
        // An exclusive option cannot be unchecked while it is the checked one.
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    } else if (!selected && option->group() != nullptr && option->group()->exclusive()) {
        QButtonGroup* group = option->group();
        group->setExclusive(false);
        option->setChecked(false);
        group->setExclusive(true);
    } else {
        option->setChecked(selected);
    }
    if (notify) {
        Raise(NotifyType::kSelectChanged, option, selected ? 1 : 0);
    }
}

}  // namespace talvik::toolkit
