#include "page/profile_name_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/toolkit/msg_window.h"
#include "app/toolkit/toolkit.h"

namespace talvik::page {

ProfileNameDialog::ProfileNameDialog(toolkit::Toolkit& toolkit, QString title_key, Taken taken)
    : toolkit::Window(toolkit), title_key_(std::move(title_key)), taken_(std::move(taken)) {}

void ProfileNameDialog::BindControls() {
    Bind(title_, QStringLiteral("title_string"));
    Bind(edit_, QStringLiteral("edit_name"));
    Bind(btn_ok_, QStringLiteral("btn_ok"));
    Bind(btn_cancel_, QStringLiteral("btn_cancel"));
    Bind(btn_exit_, QStringLiteral("btn_exit"));
}

void ProfileNameDialog::OnInit() {
    toolkit().SetTextKey(title_, title_key_);
    edit_->setFocus();
}

void ProfileNameDialog::Notify(const toolkit::Notification& n) {
    if (n.type == toolkit::NotifyType::kReturn && n.sender == edit_) {
        OnOk();
        return;
    }
    if (n.type != toolkit::NotifyType::kClick) {
        return;
    }
    if (n.sender == btn_ok_) {
        OnOk();
    } else if (n.sender == btn_cancel_ || n.sender == btn_exit_) {
        Close(0);
    }
}

void ProfileNameDialog::OnOk() {
    // A name fills at most 99 units of its field; the edit's limit counts characters.
    const std::u16string name = edit_->text().left(99).toStdU16String();
    if (name.empty()) {
        toolkit::MsgWindow::Ask(toolkit(), this, QStringLiteral("warn_name_1_text"));
        return;
    }
    if (taken_ && taken_(name)) {
        toolkit::MsgWindow::Ask(toolkit(), this, QStringLiteral("warn_name_2_text"));
        return;
    }
    name_ = name;
    Close(1);
}

}  // namespace talvik::page
