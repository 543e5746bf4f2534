#pragma once

#include <QMetaMethod>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "app/toolkit/notification.h"

namespace talvik::toolkit {

class Window;

// Connects a custom widget's colour signal, whatever its arguments, to a notification. A
// palette widget announces the user's picks with the signals colorChanged (while picking) and
// colorChangedButtonUp (on release); it must not emit them for changes made by code.
class ColorRelay : public QObject {
    Q_OBJECT
public:
    ColorRelay(Window* window, QWidget* control, NotifyType type, const QMetaMethod& signal);

public slots:
    void Fire();

private:
    Window* window_;
    QPointer<QWidget> control_;
    NotifyType type_;
};

}  // namespace talvik::toolkit
