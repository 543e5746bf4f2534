#pragma once

#include "app/toolkit/window.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace talvik::app {

// "1.2.3.4" from a four-part file version, each part shown modulo 256 as the version resource
// holds bytes.
QString FormatFileVersion(int major, int minor, int patch, int build);
// The program's own version, formatted as above.
QString ProgramVersion();

// The about and settings window: version, language, autostart and feedback. Every change goes to
// the main window as a posted message; the window's own copies of the settings never change.
class AboutWindow : public toolkit::Window {
    Q_OBJECT
public:
    AboutWindow(toolkit::Toolkit& toolkit, int language_code, int autostart, int feedback,
                platform::MessageTarget& main_window);

    QString ClassName() const override { return QStringLiteral("AboutWnd"); }
    QString LayoutFile() const override { return QStringLiteral("about.xml"); }

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const toolkit::Notification& notification) override;

private:
    const int language_code_;
    const int autostart_;
    const int feedback_;
    platform::MessageTarget& main_window_;

    QPushButton* exit_ = nullptr;
    QComboBox* combo_lan_ = nullptr;
    QCheckBox* check_startup_ = nullptr;
    QCheckBox* check_window_feedback_ = nullptr;
    QLabel* version_ = nullptr;
};

}  // namespace talvik::app
