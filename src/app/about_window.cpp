#include "app/about_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/app_settings.h"

namespace talvik::app {

QString FormatFileVersion(int major, int minor, int patch, int build) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(major & 0xFF)
        .arg(minor & 0xFF)
        .arg(patch & 0xFF)
        .arg(build & 0xFF);
}

QString ProgramVersion() {
    const QStringList parts = QStringLiteral(TALVIK_VERSION).split(QLatin1Char('.'));
    auto part = [&parts](int i) { return i < parts.size() ? parts[i].toInt() : 0; };
    return FormatFileVersion(part(0), part(1), part(2), part(3));
}

AboutWindow::AboutWindow(toolkit::Toolkit& toolkit, int language_code, int autostart, int feedback,
                         platform::MessageTarget& main_window)
    : toolkit::Window(toolkit),
      language_code_(language_code),
      autostart_(autostart),
      feedback_(feedback),
      main_window_(main_window) {}

void AboutWindow::BindControls() {
    Bind(exit_, QStringLiteral("exit"));
    Bind(combo_lan_, QStringLiteral("combo_lan"));
    Bind(check_startup_, QStringLiteral("check_startup"));
    Bind(check_window_feedback_, QStringLiteral("check_window_feedback"));
    Bind(version_, QStringLiteral("version"));
}

void AboutWindow::OnInit() {
    const QSignalBlocker block_combo(combo_lan_);
    combo_lan_->setCurrentIndex(language_code_ - 1);
    check_startup_->setChecked(autostart_ != 0);
    // Only an explicit 0 means off, so a never-set value shows as on.
    check_window_feedback_->setChecked(feedback_ != 0);
    version_->setText(ProgramVersion());
}

void AboutWindow::Notify(const toolkit::Notification& n) {
    if (n.type == toolkit::NotifyType::kClick && n.sender == exit_) {
        Close(0);
    } else if (n.type == toolkit::NotifyType::kItemSelect && n.sender == combo_lan_) {
        const int code = static_cast<int>(n.wparam) + 1;
        if (IsLanguageCode(code)) {
            // The main window loads the language for every window, this one included.
            main_window_.Post(msg::WM_MS5_LANGUAGE, static_cast<uintptr_t>(code), 0);
        }
    } else if (n.type == toolkit::NotifyType::kCheckClick && n.sender == check_startup_) {
        main_window_.Post(msg::WM_MS5_STARTUP, check_startup_->isChecked() ? 1 : 0, 0);
    } else if (n.type == toolkit::NotifyType::kCheckClick && n.sender == check_window_feedback_) {
        main_window_.Post(msg::WM_MS5_FEEDBACK, check_window_feedback_->isChecked() ? 1 : 0, 0);
    }
}

}  // namespace talvik::app
