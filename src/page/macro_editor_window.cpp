#include "page/macro_editor_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <chrono>

#include "app/toolkit/toolkit.h"
#include "macro/key_codes.h"
#include "macro/record_name.h"
#include "page/key_capture.h"
#include "page/macro_action_rows.h"
#include "platform/live_keyboard_layout.h"
#include "platform/trace.h"

namespace talvik::page {

namespace {

using macro::CommitResult;
using toolkit::NotifyType;

// Pages of the action editor.
enum ActionPage { kPageNone = 0, kPageKey = 1, kPageButton = 2, kPageMove = 3 };

// The mouse-button buttons 1..5 and the items of the button combo, in order.
constexpr std::uint8_t kButtonCodes[5] = {macro::kCodeLeftButton, macro::kCodeRightButton,
                                          macro::kCodeMiddleButton, macro::kCodeForwardButton,
                                          macro::kCodeBackwardButton};
constexpr const char* kButtonKeys[5] = {"L_Button", "R_Button", "M_Button", "Forward_Button",
                                        "Backward_Button"};
constexpr int kMacroRowHeight = 22;
constexpr int kAddedMacroRowHeight = 30;

// The integer a text starts with (sign and digits), 0 when none; far values saturate.
long long LeadingInteger(const QString& text) {
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
        value = std::min(value * 10 + (t[i].unicode() - u'0'), 1'000'000'000LL);
    }
    return negative ? -value : value;
}

std::uint32_t NowMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

bool IsMouseButton(std::uint8_t code) {
    return code >= macro::kCodeLeftButton && code <= macro::kCodeForwardButton;
}

void SetRowHeight(QListWidgetItem* item, int height) {
    item->setSizeHint(QSize(item->sizeHint().width(), height));
}

}  // namespace

std::string MacroEditorWindow::Texts::Text(std::string_view key) const {
    return toolkit_.Text(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())))
        .toStdString();
}

MacroEditorWindow::MacroEditorWindow(toolkit::Toolkit& toolkit, Context context)
    : toolkit::Window(toolkit),
      context_(std::move(context)),
      texts_(toolkit),
      editor_(*context_.macros, *context_.store) {}

MacroEditorWindow::~MacroEditorWindow() {
    Finish();
}

void MacroEditorWindow::BindControls() {
    Bind(btn_exit_, QStringLiteral("btn_exit"));
    Bind(macro_list_, QStringLiteral("ms_5_macro_list"));
    Bind(name_edit_, QStringLiteral("ms_5_macro_name_edit"));
    Bind(add_btn_, QStringLiteral("ms_5_macro_add_btn"));
    Bind(delete_btn_, QStringLiteral("ms_5_macro_delete_btn"));
    Bind(record_btn_, QStringLiteral("ms_5_macro_record_btn"));
    Bind(record_delay_btn_, QStringLiteral("ms_5_record_delay_btn"));
    Bind(default_delay_btn_, QStringLiteral("ms_5_default_delay_btn"));
    Bind(no_delay_btn_, QStringLiteral("ms_5_no_delay_btn"));
    Bind(default_delay_edit_, QStringLiteral("ms_5_default_delay_edit"));
    Bind(input_mode_, QStringLiteral("ms_5_macro_input_mode"));
    Bind(action_list_, QStringLiteral("ms_5_macro_action_list"));
    Bind(up_btn_, QStringLiteral("ms_5_macro_up_btn"));
    Bind(down_btn_, QStringLiteral("ms_5_macro_down_btn"));
    Bind(delete_action_btn_, QStringLiteral("ms_5_macro_delete_action_btn"));
    Bind(clear_btn_, QStringLiteral("ms_5_macro_clear_action_btn"));
    Bind(insert_mouse_btn_, QStringLiteral("ms_5_macro_insert_mouse_btn"));
    Bind(name_tab_, QStringLiteral("ms_5_macro_name_tab"));
    Bind(mouse_event_tab_, QStringLiteral("ms_5_macro_mouse_event_tab"));
    for (int i = 0; i < 5; ++i) {
        Bind(key_btn_[i], QStringLiteral("ms_5_macro_key%1_btn").arg(i + 1));
    }
    Bind(edit_x_, QStringLiteral("ms_5_edit_x"));
    Bind(edit_y_, QStringLiteral("ms_5_edit_y"));
    Bind(move_btn_, QStringLiteral("ms_5_macro_move_btn"));
    Bind(action_edit_check_, QStringLiteral("ms_5_macro_action_edit_check"));
    Bind(action_edit_tab_, QStringLiteral("ms_5_macro_action_edit_tab"));
    Bind(action_edit_, QStringLiteral("ms_5_macro_action_edit"));
    Bind(delay_edit_, QStringLiteral("ms_5_macro_delay_edit"));
    Bind(mouse_action_combo_, QStringLiteral("ms_5_macro_mouse_action_combo"));
    Bind(mouse_delay_edit_, QStringLiteral("ms_5_macro_mouseaction_delay_edit"));
    Bind(move_x_edit_, QStringLiteral("mouse_move_edit_x_edit"));
    Bind(move_y_edit_, QStringLiteral("mouse_move_edit_y_edit"));
    Bind(move_delay_edit_, QStringLiteral("mouse_move_delay_edit"));
    Bind(save_btn_, QStringLiteral("ms_5_macro_save_btn"));
    Bind(cancel_btn_, QStringLiteral("ms_5_macro_cancel_btn"));
    Bind(import_btn_, QStringLiteral("ms_5_macro_import_btn"));
    Bind(export_btn_, QStringLiteral("ms_5_macro_export_btn"));
    Bind(savedata_tab_, QStringLiteral("ms_5_macro_savedata_tab"));
    Bind(exportorimport_tab_, QStringLiteral("ms_5_macro_exportorimport_tab"));
}

void MacroEditorWindow::OnInit() {
    rows_ = std::make_unique<MacroActionRows>(*this, action_list_, texts_);
    for (const char* key : kButtonKeys) {
        mouse_action_combo_->addItem(toolkit().Text(QString::fromLatin1(key)));
    }
    // A captured key must not also type into the field.
    action_edit_->setReadOnly(true);
    default_delay_edit_->setText(QString::number(editor_.DefaultDelay()));
    default_delay_btn_->setChecked(true);
    edit_x_->setText(QStringLiteral("0"));
    edit_y_->setText(QStringLiteral("0"));
    SetInsertPanel(false);
    action_edit_tab_->setCurrentIndex(kPageNone);
    ShowMacroRows();
    ShowActions();
    ShowRecordingState();
    if (InputRoute* route = context_.capture.route) {
        connect(route, &InputRoute::modeChanged, this,
                [this](InputRoute::Mode mode) { ShowInputMode(mode); });
        ShowInputMode(route->CurrentMode());
    } else {
        ShowInputMode(InputRoute::Mode::kOff);
    }
    if (KeyCapture* keys = context_.capture.keys) {
        keys->Attach(action_edit_,
                     [this](const KeyCapture::Key& key) { OnCapturedKey(key.key_code); });
    }
}

const platform::KeyboardLayout* MacroEditorWindow::Layout() const {
    layout_ = context_.capture.layout != nullptr ? context_.capture.layout->Current() : nullptr;
    return layout_.get();
}

void MacroEditorWindow::Finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    if (editor_.Recording()) {
        StopRecording();
    }
    if (context_.capture.keys != nullptr && action_edit_ != nullptr) {
        context_.capture.keys->Detach(action_edit_);
    }
}

void MacroEditorWindow::Notify(const toolkit::Notification& n) {
    QObject* sender = n.sender;
    if (sender == nullptr) {
        return;
    }
    switch (n.type) {
        case NotifyType::kClick:
            OnClick(sender);
            break;
        case NotifyType::kCheckClick:
            if (sender == record_btn_) {
                if (n.wparam != 0 && !editor_.Recording()) {
                    StartRecording();
                } else if (n.wparam == 0 && editor_.Recording()) {
                    StopRecording();
                }
            } else if (sender == insert_mouse_btn_) {
                SetInsertPanel(n.wparam != 0);
            } else if (sender == action_edit_check_) {
                SetEditorOpen(n.wparam != 0);
            }
            break;
        case NotifyType::kSelectChanged:
            if (sender == record_delay_btn_) {
                editor_.SetDelayMode(macro::DelayMode::kRecorded);
            } else if (sender == default_delay_btn_) {
                editor_.SetDelayMode(macro::DelayMode::kDefault);
            } else if (sender == no_delay_btn_) {
                editor_.SetDelayMode(macro::DelayMode::kNone);
            }
            break;
        case NotifyType::kItemSelect:
            if (editor_.Recording()) {
                break;
            }
            if (sender == macro_list_) {
                SelectMacroRow(static_cast<int>(n.wparam));
            } else if (sender == action_list_) {
                editor_.SelectAction(static_cast<int>(n.wparam));
                ShowActionEditor();
            } else if (sender == mouse_action_combo_ && n.wparam >= 0 && n.wparam < 5) {
                Kept(editor_.SetCode(kButtonCodes[n.wparam]));
            }
            break;
        case NotifyType::kKillFocus:
        case NotifyType::kReturn:
            OnKillFocus(sender);
            break;
        case NotifyType::kTextChanged:
            OnTextChanged(sender);
            break;
        case NotifyType::kMouseEnter:
        case NotifyType::kMouseLeave:
            // The click that stops recording is not recorded.
            if (sender == record_btn_ && editor_.Recording() && context_.capture.route) {
                context_.capture.route->EnableMouse(n.type == NotifyType::kMouseLeave);
            }
            break;
        default:
            break;
    }
}

void MacroEditorWindow::OnClick(QObject* s) {
    if (s == btn_exit_) {
        Finish();
        Close(1);
    } else if (s == add_btn_) {
        AddMacro();
    } else if (s == delete_btn_) {
        DeleteMacro();
    } else if (s == up_btn_) {
        Kept(editor_.MoveUp());
    } else if (s == down_btn_) {
        Kept(editor_.MoveDown());
    } else if (s == delete_action_btn_) {
        Kept(editor_.DeleteAction());
    } else if (s == clear_btn_) {
        Kept(editor_.Clear());
    } else if (s == move_btn_) {
        Kept(editor_.InsertMove(static_cast<int>(LeadingInteger(edit_x_->text())),
                                static_cast<int>(LeadingInteger(edit_y_->text()))));
    } else if (s == save_btn_) {
        SetEditorOpen(false);
    } else if (s == cancel_btn_) {
        editor_.Revert();
        SetEditorOpen(false);
        ShowActions();
    } else if (s == import_btn_) {
        ImportMacro();
    } else if (s == export_btn_) {
        ExportMacro();
    } else {
        for (int i = 0; i < 5; ++i) {
            if (s == key_btn_[i]) {
                InsertClick(i);
            }
        }
    }
}

void MacroEditorWindow::OnKillFocus(QObject* s) {
    if (s == name_edit_) {
        RenameMacro();
    } else if (s == default_delay_edit_) {
        CommitDefaultDelay();
    } else if (s == delay_edit_ || s == mouse_delay_edit_) {
        CommitDelay(static_cast<QLineEdit*>(s), false);
    } else if (s == move_delay_edit_) {
        CommitDelay(move_delay_edit_, true);
    } else if (s == move_x_edit_ || s == move_y_edit_) {
        CommitMovement();
    }
}

void MacroEditorWindow::OnTextChanged(QObject* s) {
    auto* edit = qobject_cast<QLineEdit*>(s);
    if (edit == nullptr) {
        return;
    }
    if (edit == default_delay_edit_ || edit == delay_edit_ || edit == mouse_delay_edit_ ||
        edit == move_delay_edit_) {
        if (const auto digits = macro::FilterDigits(edit->text().toStdString())) {
            edit->setText(QString::fromStdString(*digits));
            edit->setCursorPosition(static_cast<int>(edit->text().size()));
        }
    } else if (edit == edit_x_ || edit == edit_y_ || edit == move_x_edit_ || edit == move_y_edit_) {
        const long long v = LeadingInteger(edit->text());
        if (v > macro::kMaxCoordinate) {
            edit->setText(QString::number(macro::kMaxCoordinate));
        } else if (v < -macro::kMaxCoordinate) {
            edit->setText(QString::number(-macro::kMaxCoordinate));
        }
    }
}

void MacroEditorWindow::ShowMacroRows() {
    macro_list_->clear();
    for (const auto& m : editor_.List()) {
        auto* item =
            new QListWidgetItem(QString::fromStdU16String(macro::ReadName(m->name)), macro_list_);
        SetRowHeight(item, kMacroRowHeight);
    }
    macro_list_->setCurrentRow(-1);
}

void MacroEditorWindow::SelectMacroRow(int row) {
    editor_.SelectMacro(row);
    const macro::MacroInfo* m = editor_.Current();
    name_edit_->setText(m != nullptr ? QString::fromStdU16String(macro::ReadName(m->name))
                                     : QString());
    macro_list_->setCurrentRow(editor_.CurrentIndex());
    platform::Trace("iActionIndex=%d, iNextActionIndex=%d\r\n", editor_.SelectedAction(), -1);
    ShowActions();
}

void MacroEditorWindow::ShowActions() {
    Layout();
    rows_->Show(editor_.Actions(), editor_.SelectedAction(), layout_);
    ShowActionEditor();
}

void MacroEditorWindow::ShowActionEditor() {
    const int s = editor_.SelectedAction();
    if (!editor_open_ || s < 0) {
        action_edit_tab_->setCurrentIndex(kPageNone);
        return;
    }
    const macro::MacroAction& a = editor_.Actions()[static_cast<std::size_t>(s)];
    const QString delay = QString::number(a.delay);
    if (IsMouseButton(a.code)) {
        for (int i = 0; i < 5; ++i) {
            if (kButtonCodes[i] == a.code) {
                mouse_action_combo_->setCurrentIndex(i);
            }
        }
        mouse_delay_edit_->setText(delay);
        action_edit_tab_->setCurrentIndex(kPageButton);
    } else if (a.code == macro::kCodeMove) {
        move_x_edit_->setText(QString::number(a.x));
        move_y_edit_->setText(QString::number(a.y));
        move_delay_edit_->setText(delay);
        action_edit_tab_->setCurrentIndex(kPageMove);
    } else {
        action_edit_->setText(rows_->KeyName(a.code, Layout()));
        delay_edit_->setText(delay);
        action_edit_tab_->setCurrentIndex(kPageKey);
    }
}

void MacroEditorWindow::SetEditorOpen(bool open) {
    editor_open_ = open && editor_.SelectedAction() >= 0;
    action_edit_check_->setChecked(editor_open_);
    ShowActionEditor();
}

void MacroEditorWindow::SetInsertPanel(bool mouse) {
    mouse_event_tab_->setVisible(mouse);
    name_tab_->setVisible(!mouse);
}

// An edit that does not fit the mouse has been undone; the user hears why.
void MacroEditorWindow::Kept(std::optional<CommitResult> result) {
    if (!result) {
        return;
    }
    ShowActions();
    if (*result == CommitResult::kOverBudget && context_.dialogs != nullptr) {
        context_.dialogs->Warn("macro_too_long_text");
    }
}

void MacroEditorWindow::AddMacro() {
    const int index = editor_.AddMacro();
    auto* item = new QListWidgetItem(
        QString::fromStdU16String(macro::ReadName(editor_.List()[index]->name)), macro_list_);
    SetRowHeight(item, kAddedMacroRowHeight);
    SelectMacroRow(index);
    macro_list_->scrollToBottom();
}

void MacroEditorWindow::DeleteMacro() {
    const int row = editor_.CurrentIndex();
    if (row < 0 || context_.dialogs == nullptr || !context_.dialogs->Confirm("delete_macro_text")) {
        return;
    }
    editor_.DeleteMacro();
    delete macro_list_->takeItem(row);
    SelectMacroRow(editor_.CurrentIndex());
}

void MacroEditorWindow::RenameMacro() {
    if (editor_.Current() == nullptr) {
        return;
    }
    if (editor_.Rename(name_edit_->text().toStdU16String()) ==
        macro::MacroEditor::RenameResult::kRenamed) {
        if (QListWidgetItem* item = macro_list_->item(editor_.CurrentIndex())) {
            item->setText(QString::fromStdU16String(macro::ReadName(editor_.Current()->name)));
        }
    }
    // The edit shows the name as it stands: cut, refused or ignored.
    name_edit_->setText(QString::fromStdU16String(macro::ReadName(editor_.Current()->name)));
}

void MacroEditorWindow::ImportMacro() {
    if (context_.dialogs == nullptr) {
        return;
    }
    const auto path = context_.dialogs->ChooseMacroToImport(context_.data_folder);
    if (!path) {
        return;
    }
    const macro::ImportedMacro imported = editor_.Import(*path);
    if (!imported.status.ok()) {
        platform::Trace("macro import refused: %s", imported.status.detail.c_str());
        context_.dialogs->Warn("macro_import_failed_text");
        return;
    }
    auto* item = new QListWidgetItem(
        QString::fromStdU16String(macro::ReadName(imported.record->name)), macro_list_);
    SetRowHeight(item, kAddedMacroRowHeight);
    SelectMacroRow(imported.index);
    macro_list_->scrollToBottom();
}

void MacroEditorWindow::ExportMacro() {
    if (editor_.Current() == nullptr || context_.dialogs == nullptr) {
        return;
    }
    const auto path = context_.dialogs->ChooseMacroExport(context_.data_folder);
    if (!path) {
        return;
    }
    const macro::FileStatus status = editor_.Export(*path);
    if (!status.ok()) {
        platform::Trace("macro export failed: %s", status.detail.c_str());
        context_.dialogs->Warn("macro_export_failed_text");
    }
}

void MacroEditorWindow::InsertClick(int number) {
    CommitDefaultDelay();
    const int delay = editor_.GetDelayMode() == macro::DelayMode::kDefault ? editor_.DefaultDelay()
                                                                           : macro::kInsertDelay;
    Kept(editor_.InsertClick(kButtonCodes[number], delay));
}

void MacroEditorWindow::CommitDefaultDelay() {
    const int kept = editor_.SetDefaultDelay(LeadingInteger(default_delay_edit_->text()));
    default_delay_edit_->setText(QString::number(kept));
}

void MacroEditorWindow::CommitDelay(QLineEdit* edit, bool movement) {
    const long long typed = LeadingInteger(edit->text());
    Kept(movement ? editor_.SetMoveDelay(typed) : editor_.SetKeyDelay(typed));
    ShowActionEditor();
}

void MacroEditorWindow::CommitMovement() {
    Kept(editor_.SetMovement(LeadingInteger(move_x_edit_->text()),
                             LeadingInteger(move_y_edit_->text())));
    ShowActionEditor();
}

void MacroEditorWindow::StartRecording() {
    InputRoute* route = context_.capture.route;
    const InputRoute::Mode mode =
        route != nullptr
            ? route->Start(InputRoute::Purpose::kRecording, Widget(),
                           [this](std::uintptr_t w, std::intptr_t l) { OnRecordedInput(w, l); })
            : InputRoute::Mode::kOff;
    if (mode == InputRoute::Mode::kOff) {
        record_btn_->setChecked(false);
        if (context_.dialogs != nullptr) {
            context_.dialogs->Warn("recording_unavailable_text");
        }
        return;
    }
    record_session_ = route->Session();
    // Started from the keyboard, the pointer is elsewhere: mouse buttons count at once.
    route->EnableMouse(!record_btn_->underMouse());
    CommitDefaultDelay();
    if (editor_.StartRecording(NowMs())) {
        auto* item = new QListWidgetItem(
            QString::fromStdU16String(macro::ReadName(editor_.Current()->name)), macro_list_);
        SetRowHeight(item, kAddedMacroRowHeight);
        macro_list_->setCurrentRow(editor_.CurrentIndex());
        macro_list_->scrollToBottom();
        name_edit_->setText(QString::fromStdU16String(macro::ReadName(editor_.Current()->name)));
    }
    ShowActions();
    ShowRecordingState();
}

void MacroEditorWindow::StopRecording() {
    if (context_.capture.route != nullptr) {
        context_.capture.route->Stop(record_session_);
    }
    const CommitResult result = editor_.StopRecording();
    ShowRecordingState();
    Kept(result);
}

void MacroEditorWindow::OnRecordedInput(std::uintptr_t wparam, std::intptr_t lparam) {
    const platform::KeyboardLayout* layout = Layout();
    const macro::KeyMap keys = [layout](int vk) -> std::optional<std::uint8_t> {
        return layout != nullptr ? macro::VirtualKeyToKeyCode(vk, *layout) : std::nullopt;
    };
    const macro::MacroEditor::RecordResult r = editor_.RecordEvent(wparam, lparam, NowMs(), keys);
    if (r.stopped) {
        if (context_.capture.route != nullptr) {
            context_.capture.route->Stop(record_session_);
        }
        ShowRecordingState();
        Kept(r.stopped);
    } else if (r.recorded) {
        ShowActions();
    }
}

// While recording, only the record button and the close button act: every other click is input
// being recorded.
void MacroEditorWindow::ShowRecordingState() {
    const bool recording = editor_.Recording();
    toolkit().SetTextKey(record_btn_, recording ? QStringLiteral("stop_recording_text")
                                                : QStringLiteral("start_recording_text"));
    record_btn_->setChecked(recording);
    for (QWidget* w :
         {static_cast<QWidget*>(macro_list_), static_cast<QWidget*>(name_edit_),
          static_cast<QWidget*>(add_btn_), static_cast<QWidget*>(delete_btn_),
          static_cast<QWidget*>(record_delay_btn_), static_cast<QWidget*>(default_delay_btn_),
          static_cast<QWidget*>(no_delay_btn_), static_cast<QWidget*>(default_delay_edit_),
          static_cast<QWidget*>(up_btn_), static_cast<QWidget*>(down_btn_),
          static_cast<QWidget*>(delete_action_btn_), static_cast<QWidget*>(clear_btn_),
          static_cast<QWidget*>(insert_mouse_btn_), static_cast<QWidget*>(action_edit_check_),
          static_cast<QWidget*>(action_edit_tab_), static_cast<QWidget*>(savedata_tab_),
          static_cast<QWidget*>(exportorimport_tab_)}) {
        w->setEnabled(!recording);
    }
}

void MacroEditorWindow::ShowInputMode(InputRoute::Mode mode) {
    if (mode == InputRoute::Mode::kOff) {
        // Idle: where input would come from.
        const bool global =
            context_.capture.route != nullptr && context_.capture.route->Hooks().CanRecord();
        mode = global ? InputRoute::Mode::kGlobal : InputRoute::Mode::kWindow;
    }
    toolkit().SetTextKey(input_mode_, InputRoute::ModeTextKey(mode));
}

void MacroEditorWindow::OnCapturedKey(std::optional<std::uint8_t> key_code) {
    const int s = editor_.SelectedAction();
    // A key the table has no code for is not stored.
    if (!key_code || *key_code == 0 || s < 0 || editor_.Recording()) {
        return;
    }
    const macro::MacroAction& a = editor_.Actions()[static_cast<std::size_t>(s)];
    if (IsMouseButton(a.code) || a.code == macro::kCodeMove) {
        return;
    }
    Kept(editor_.SetCode(*key_code));
    action_edit_->setText(rows_->KeyName(*key_code, Layout()));
}

}  // namespace talvik::page
