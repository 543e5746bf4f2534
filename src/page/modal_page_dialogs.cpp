#include "page/modal_page_dialogs.h"

#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

#include "app/toolkit/msg_window.h"
#include "app/toolkit/toolkit.h"
#include "page/dpi_color_dialog.h"
#include "page/profile_name_dialog.h"
#include "platform/trace.h"
#include "profile/profile_store.h"

namespace talvik::page {

namespace {

const QString kProfileFilter = QStringLiteral("Profile File (*.pro *.PRO)");

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

struct SettingsProgram {
    const char* desktop;  // as in XDG_CURRENT_DESKTOP, lower case
    const char* program;
    const char* argument;
};

// The mouse settings of the desktops users run, their own desktop's first.
constexpr SettingsProgram kMouseSettings[] = {
    {"gnome", "gnome-control-center", "mouse"},
    {"budgie", "gnome-control-center", "mouse"},
    {"unity", "gnome-control-center", "mouse"},
    {"kde", "systemsettings", "kcm_mouse"},
    {"kde", "systemsettings5", "kcm_mouse"},
    {"kde", "kcmshell5", "kcm_mouse"},
    {"xfce", "xfce4-mouse-settings", nullptr},
    {"mate", "mate-mouse-properties", nullptr},
    {"x-cinnamon", "cinnamon-settings", "mouse"},
    {"lxqt", "lxqt-config-input", nullptr},
    {"lxde", "lxinput", nullptr},
};

bool StartProgram(const SettingsProgram& p) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(p.program));
    if (path.isEmpty()) {
        return false;
    }
    QStringList args;
    if (p.argument != nullptr) {
        args << QString::fromLatin1(p.argument);
    }
    return QProcess::startDetached(path, args);
}

}  // namespace

ModalPageDialogs::ModalPageDialogs(toolkit::Window& owner) : owner_(owner) {}

bool ModalPageDialogs::Confirm(std::string_view text_key) {
    return toolkit::MsgWindow::Ask(owner_.toolkit(), &owner_, Q(text_key)) == 1;
}

void ModalPageDialogs::Warn(std::string_view text_key) {
    toolkit::MsgWindow::Ask(owner_.toolkit(), &owner_, Q(text_key));
}

std::optional<std::u16string> ModalPageDialogs::AskProfileName(
    std::string_view title_key, const profile::ProfileList& profiles) {
    ProfileNameDialog dialog(owner_.toolkit(), Q(title_key), [&profiles](const std::u16string& n) {
        return profile::ContainsName(profiles, n);
    });
    if (!dialog.Create(&owner_)) {
        platform::Trace("profile name dialog: %s", qPrintable(dialog.LoadError()));
        return std::nullopt;
    }
    dialog.CenterWindow();
    if (dialog.ShowModal() != 1) {
        return std::nullopt;
    }
    return dialog.Name();
}

std::optional<profile::ColorValue> ModalPageDialogs::PickColor(std::string_view button,
                                                               profile::ColorValue initial) {
    QWidget* anchor = owner_.Find<QWidget>(Q(button));
    const QPoint position =
        anchor != nullptr ? anchor->mapToGlobal(QPoint(-200, anchor->height())) : QPoint();
    DpiColorDialog dialog(owner_.toolkit(), profile::ColorToScreen(initial), position);
    if (!dialog.Create(&owner_) || dialog.ShowModal() != 1) {
        return std::nullopt;
    }
    const QRgb c = dialog.Color();
    return profile::MakeColor(static_cast<std::uint8_t>(qRed(c)),
                              static_cast<std::uint8_t>(qGreen(c)),
                              static_cast<std::uint8_t>(qBlue(c)));
}

std::optional<std::filesystem::path> ModalPageDialogs::ChooseProfileToImport(
    const std::filesystem::path& folder) {
    const QString path = QFileDialog::getOpenFileName(
        owner_.Widget(), QString(), QString::fromStdString(folder.string()), kProfileFilter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(path.toStdString());
}

std::optional<std::filesystem::path> ModalPageDialogs::ChooseProfileExport(
    const std::filesystem::path& folder, const std::u16string& name) {
    QFileDialog dialog(owner_.Widget(), QString(), QString::fromStdString(folder.string()),
                       kProfileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pro"));
    dialog.selectFile(QString::fromStdU16String(name) + QStringLiteral(".pro"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

bool ModalPageDialogs::OpenMouseSettings() {
    const QString desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower();
    for (const SettingsProgram& p : kMouseSettings) {
        if (desktops.split(u':').contains(QString::fromLatin1(p.desktop)) && StartProgram(p)) {
            return true;
        }
    }
    for (const SettingsProgram& p : kMouseSettings) {
        if (StartProgram(p)) {
            return true;
        }
    }
    return false;
}

}  // namespace talvik::page
