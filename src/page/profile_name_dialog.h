#pragma once

#include <functional>
#include <string>

#include "app/toolkit/window.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvik::page {

// Asks for a profile name. OK with an empty name, or with a name `taken` says is in use, shows a
// warning and keeps the dialog open with the typed text; OK otherwise closes with 1.
class ProfileNameDialog : public toolkit::Window {
    Q_OBJECT
public:
    using Taken = std::function<bool(const std::u16string& name)>;
    ProfileNameDialog(toolkit::Toolkit& toolkit, QString title_key, Taken taken);

    QString ClassName() const override { return QStringLiteral("MS_5_ProfileName"); }
    QString LayoutFile() const override { return QStringLiteral("profilename.xml"); }

    // The accepted name (after a close with 1).
    const std::u16string& Name() const { return name_; }

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const toolkit::Notification& notification) override;

private:
    void OnOk();

    QString title_key_;
    Taken taken_;
    std::u16string name_;
    QLabel* title_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* btn_ok_ = nullptr;
    QPushButton* btn_cancel_ = nullptr;
    QPushButton* btn_exit_ = nullptr;
};

}  // namespace talvik::page
