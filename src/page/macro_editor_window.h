#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "app/toolkit/window.h"
#include "macro/macro_editor.h"
#include "page/input_capture.h"
#include "page/input_route.h"
#include "page/macro_editor_dialogs.h"
#include "platform/keyboard_layout.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace talvik::page {

class MacroActionRows;

// The macro editor window: the macro list, the actions of the selected macro, recording, the
// insert panel, the action editor and macro files. What it may do to a macro is decided by
// macro::MacroEditor; this shows it and turns the user's input into its calls. UI thread.
class MacroEditorWindow : public toolkit::Window {
    Q_OBJECT
public:
    struct Context {
        macro::MacroList* macros = nullptr;
        macro::MacroStore* store = nullptr;
        InputCapture capture;  // route, key capture and layout; any may be missing
        MacroEditorDialogs* dialogs = nullptr;
        std::filesystem::path data_folder;  // where file dialogs start
    };
    MacroEditorWindow(toolkit::Toolkit& toolkit, Context context);
    ~MacroEditorWindow() override;

    QString ClassName() const override { return QStringLiteral("MS_5_Macro"); }
    QString LayoutFile() const override { return QStringLiteral("ms_5_macropage.xml"); }

    // Ends recording (keeping what was recorded) and key capture; the window may close after.
    void Finish();
    const macro::MacroEditor& Editor() const { return editor_; }

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const toolkit::Notification& notification) override;

private:
    class Texts : public macro::TextLookup {
    public:
        explicit Texts(toolkit::Toolkit& toolkit) : toolkit_(toolkit) {}
        std::string Text(std::string_view key) const override;

    private:
        toolkit::Toolkit& toolkit_;
    };

    void OnClick(QObject* sender);
    void OnKillFocus(QObject* sender);
    void OnTextChanged(QObject* sender);

    void ShowMacroRows();
    void SelectMacroRow(int row);
    void ShowActions();
    void ShowActionEditor();
    void Kept(std::optional<macro::CommitResult> result);
    void AddMacro();
    void DeleteMacro();
    void RenameMacro();
    void ImportMacro();
    void ExportMacro();
    void InsertClick(int number);
    void CommitDefaultDelay();
    void CommitDelay(QLineEdit* edit, bool movement);
    void CommitMovement();
    void SetEditorOpen(bool open);
    void SetInsertPanel(bool mouse);

    void StartRecording();
    void StopRecording();
    void OnRecordedInput(std::uintptr_t wparam, std::intptr_t lparam);
    void ShowRecordingState();
    void ShowInputMode(InputRoute::Mode mode);
    void OnCapturedKey(std::optional<std::uint8_t> key_code);
    const platform::KeyboardLayout* Layout() const;

    Context context_;
    Texts texts_;
    macro::MacroEditor editor_;
    std::unique_ptr<MacroActionRows> rows_;
    mutable std::shared_ptr<const platform::KeyboardLayout> layout_;  // the one names use now
    unsigned record_session_ = 0;
    bool editor_open_ = false;
    bool finished_ = false;

    QPushButton* btn_exit_ = nullptr;
    QListWidget* macro_list_ = nullptr;
    QLineEdit* name_edit_ = nullptr;
    QPushButton* add_btn_ = nullptr;
    QPushButton* delete_btn_ = nullptr;
    QPushButton* record_btn_ = nullptr;
    QRadioButton* record_delay_btn_ = nullptr;
    QRadioButton* default_delay_btn_ = nullptr;
    QRadioButton* no_delay_btn_ = nullptr;
    QLineEdit* default_delay_edit_ = nullptr;
    QLabel* input_mode_ = nullptr;
    QListWidget* action_list_ = nullptr;
    QPushButton* up_btn_ = nullptr;
    QPushButton* down_btn_ = nullptr;
    QPushButton* delete_action_btn_ = nullptr;
    QPushButton* clear_btn_ = nullptr;
    QCheckBox* insert_mouse_btn_ = nullptr;
    QWidget* name_tab_ = nullptr;
    QWidget* mouse_event_tab_ = nullptr;
    QPushButton* key_btn_[5] = {};
    QLineEdit* edit_x_ = nullptr;
    QLineEdit* edit_y_ = nullptr;
    QPushButton* move_btn_ = nullptr;
    QCheckBox* action_edit_check_ = nullptr;
    QStackedWidget* action_edit_tab_ = nullptr;
    QLineEdit* action_edit_ = nullptr;
    QLineEdit* delay_edit_ = nullptr;
    QComboBox* mouse_action_combo_ = nullptr;
    QLineEdit* mouse_delay_edit_ = nullptr;
    QLineEdit* move_x_edit_ = nullptr;
    QLineEdit* move_y_edit_ = nullptr;
    QLineEdit* move_delay_edit_ = nullptr;
    QPushButton* save_btn_ = nullptr;
    QPushButton* cancel_btn_ = nullptr;
    QPushButton* import_btn_ = nullptr;
    QPushButton* export_btn_ = nullptr;
    QWidget* savedata_tab_ = nullptr;
    QWidget* exportorimport_tab_ = nullptr;
};

}  // namespace talvik::page
