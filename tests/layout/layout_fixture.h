#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"

namespace talvik::layout::test {

// The project's resource folder, with a trailing slash.
QString ResDir();

// What a control must be.
enum class Kind {
    kButton,
    kOption,
    kCheck,
    kSlider,
    kLabel,
    kEdit,
    kList,
    kCombo,
    kProgress,
    kContainer,
    kStack,
    kScroll
};

struct Control {
    QString name;
    Kind kind;
};

// Every control the main window and the device page bind, with its kind.
std::vector<Control> RequiredControls();

// The option groups of the device page and the main window: names in group order.
std::vector<QStringList> OptionGroups();

// The main layout as the program builds it: every required control bound by name.
class MainLayoutWindow : public toolkit::Window {
public:
    using Window::Window;
    QString ClassName() const override { return QStringLiteral("MainWnd"); }
    QString LayoutFile() const override { return QStringLiteral("main.xml"); }

protected:
    void BindControls() override;
};

// Whether `control` is of `kind`; `why` says what is wrong otherwise.
bool IsKind(QWidget* control, Kind kind, QString* why);

}  // namespace talvik::layout::test
