#include "app/toolkit/msg_window.h"

#include <QLabel>
#include <QPushButton>

#include "app/toolkit/toolkit.h"

namespace talvik::toolkit {

MsgWindow::MsgWindow(Toolkit& toolkit, QString title_key, QString text_key)
    : Window(toolkit), title_key_(std::move(title_key)), text_key_(std::move(text_key)) {}

int MsgWindow::Ask(Toolkit& toolkit, Window* owner, const QString& text_key,
                   const QString& title_key) {
    MsgWindow box(toolkit, title_key, text_key);
    if (!box.Create(owner)) {
        return 0;
    }
    box.CenterWindow();
    return box.ShowModal() == 1 ? 1 : 0;
}

void MsgWindow::BindControls() {
    Bind(btn_ok_, QStringLiteral("btn_ok"));
    Bind(btn_cancel_, QStringLiteral("btn_cancel"));
    Bind(warning_title_, QStringLiteral("warning_title"));
    Bind(warning_, QStringLiteral("warning"));
}

void MsgWindow::OnInit() {
    // Key mode: the box follows a language switch while it is open.
    toolkit().SetTextKey(warning_title_, title_key_);
    toolkit().SetTextKey(warning_, text_key_);
}

void MsgWindow::Notify(const Notification& n) {
    if (n.type != NotifyType::kClick) {
        return;
    }
    if (n.sender == btn_ok_) {
        Close(1);
    } else if (n.sender == btn_cancel_) {
        Close(0);
    }
}

}  // namespace talvik::toolkit
