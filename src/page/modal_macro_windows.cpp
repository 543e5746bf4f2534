#include "page/modal_macro_windows.h"

#include <QFileDialog>

#include "app/toolkit/msg_window.h"
#include "app/toolkit/toolkit.h"
#include "page/macro_editor_window.h"
#include "platform/trace.h"

namespace talvik::page {

namespace {

const QString kMacroFilter = QStringLiteral("Macro File (*.macro *.MACRO)");

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Boxes and file dialogs over the editor window.
class EditorDialogs final : public MacroEditorDialogs {
public:
    void SetOwner(toolkit::Window* owner) { owner_ = owner; }

    bool Confirm(std::string_view text_key) override {
        return toolkit::MsgWindow::Ask(owner_->toolkit(), owner_, Q(text_key)) == 1;
    }
    void Warn(std::string_view text_key) override {
        toolkit::MsgWindow::Ask(owner_->toolkit(), owner_, Q(text_key));
    }
    std::optional<std::filesystem::path> ChooseMacroToImport(
        const std::filesystem::path& folder) override {
        QFileDialog dialog(owner_->Widget(), QString(), QString::fromStdString(folder.string()),
                           kMacroFilter);
        dialog.setWindowTitle(owner_->toolkit().Text(QStringLiteral("macro_import_text")));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return Run(dialog);
    }
    std::optional<std::filesystem::path> ChooseMacroExport(
        const std::filesystem::path& folder) override {
        QFileDialog dialog(owner_->Widget(), QString(), QString::fromStdString(folder.string()),
                           kMacroFilter);
        dialog.setWindowTitle(owner_->toolkit().Text(QStringLiteral("macro_export_text")));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("macro"));
        return Run(dialog);
    }

private:
    static std::optional<std::filesystem::path> Run(QFileDialog& dialog) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return std::filesystem::path(dialog.selectedFiles().first().toStdString());
    }

    toolkit::Window* owner_ = nullptr;
};

}  // namespace

ModalMacroWindows::ModalMacroWindows(toolkit::Window& owner, macro::MacroList& macros,
                                     macro::MacroStore& store,
                                     std::function<InputCapture()> capture,
                                     std::function<std::filesystem::path()> data_folder)
    : owner_(owner),
      macros_(macros),
      store_(store),
      capture_(std::move(capture)),
      data_folder_(std::move(data_folder)) {}

std::vector<macro::MacroListChange> ModalMacroWindows::RunMacroEditor() {
    EditorDialogs dialogs;
    MacroEditorWindow::Context context;
    context.macros = &macros_;
    context.store = &store_;
    context.capture = capture_();
    context.dialogs = &dialogs;
    context.data_folder = data_folder_();
    MacroEditorWindow editor(owner_.toolkit(), std::move(context));
    dialogs.SetOwner(&editor);
    if (!editor.Create(&owner_)) {
        platform::Trace("macro editor: %s %s", qPrintable(editor.LoadError()),
                        qPrintable(editor.MissingControls().join(QLatin1Char(' '))));
        return {};
    }
    editor.CenterWindow();
    editor.ShowModal();
    // However it was closed, recording and key capture end here.
    editor.Finish();
    return editor.Editor().Changes();
}

}  // namespace talvik::page
