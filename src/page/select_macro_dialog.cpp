#include "page/select_macro_dialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "macro/key_codes.h"
#include "macro/record_name.h"
#include "page/page_texts.h"

namespace talvik::page {

namespace {

constexpr int kRowHeight = 22;

}  // namespace

SelectMacroDialog::SelectMacroDialog(toolkit::Toolkit& toolkit, const macro::MacroList& macros,
                                     MacroSelection initial)
    : toolkit::Window(toolkit), macros_(macros), value_(initial) {}

void SelectMacroDialog::BindControls() {
    Bind(list_, QStringLiteral("list_macro"));
    for (int n = 1; n <= static_cast<int>(repeat_.size()); ++n) {
        Bind(repeat_[n - 1], QStringLiteral("repeat_%1").arg(n));
    }
    Bind(hor_loop_time_, QStringLiteral("hor_loop_time"));
    Bind(edit_loop_time_, QStringLiteral("edit_loop_time"));
    Bind(btn_ok_, QStringLiteral("btn_ok"));
    Bind(btn_cancel_, QStringLiteral("btn_cancel"));
    Bind(btn_exit_, QStringLiteral("btn_exit"));
}

void SelectMacroDialog::OnInit() {
    for (const auto& record : macros_) {
        auto* row =
            new QListWidgetItem(QString::fromStdU16String(macro::ReadName(record->name)), list_);
        row->setSizeHint(QSize(row->sizeHint().width(), kRowHeight));
    }
    if (value_.index < 0 || value_.index >= list_->count()) {
        value_.index = -1;
    }
    list_->setCurrentRow(value_.index);
    value_.loop_mode = std::clamp(value_.loop_mode, 0, static_cast<int>(repeat_.size()) - 1);
    value_.repeat = std::clamp(value_.repeat, 1, kMaxRepeat);
    SetOptionSelected(repeat_[value_.loop_mode], true, false);
    edit_loop_time_->setText(QString::number(value_.repeat));
    hor_loop_time_->setVisible(value_.loop_mode == 0);
}

void SelectMacroDialog::SetLoopMode(int mode) {
    value_.loop_mode = mode;
    hor_loop_time_->setVisible(mode == 0);
}

// Out-of-range counts are corrected as the field is left, so the field shows what OK returns.
void SelectMacroDialog::CommitCount() {
    const int typed = LeadingNumber(edit_loop_time_->text().toStdString(), kMaxRepeat + 1);
    value_.repeat = std::clamp(typed, 1, kMaxRepeat);
    const QString shown = QString::number(value_.repeat);
    if (edit_loop_time_->text() != shown) {
        edit_loop_time_->setText(shown);
    }
}

void SelectMacroDialog::Notify(const toolkit::Notification& n) {
    switch (n.type) {
        case toolkit::NotifyType::kItemSelect:
            if (n.sender == list_) {
                const int row = static_cast<int>(n.wparam);
                value_.index = row >= 0 && row < list_->count() ? row : -1;
            }
            return;
        case toolkit::NotifyType::kSelectChanged:
            for (std::size_t i = 0; i < repeat_.size(); ++i) {
                if (n.sender == repeat_[i] && repeat_[i]->isChecked()) {
                    SetLoopMode(static_cast<int>(i));
                }
            }
            return;
        case toolkit::NotifyType::kTextChanged:
            if (n.sender == edit_loop_time_) {
                if (const auto digits =
                        macro::FilterDigits(edit_loop_time_->text().toStdString())) {
                    edit_loop_time_->setText(QString::fromStdString(*digits));
                    edit_loop_time_->setCursorPosition(edit_loop_time_->text().size());
                }
            }
            return;
        case toolkit::NotifyType::kKillFocus:
        case toolkit::NotifyType::kReturn:
            if (n.sender == edit_loop_time_) {
                CommitCount();
            }
            return;
        case toolkit::NotifyType::kClick:
            if (n.sender == btn_ok_) {
                CommitCount();
                Close(1);
            } else if (n.sender == btn_cancel_ || n.sender == btn_exit_) {
                Close(0);
            }
            return;
        default:
            return;
    }
}

}  // namespace talvik::page
