#pragma once

#include <array>

#include "app/toolkit/window.h"
#include "macro/macro_record.h"
#include "page/button_dialogs.h"

class QAbstractButton;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace talvik::page {

// The macro selection dialog: the macro list, the three repeat options and the repeat count
// (digits only, 1..255, shown only with option 0). Closes with 1 for OK, 0 otherwise; it stores
// nothing itself.
class SelectMacroDialog : public toolkit::Window {
    Q_OBJECT
public:
    static constexpr int kMaxRepeat = 255;

    SelectMacroDialog(toolkit::Toolkit& toolkit, const macro::MacroList& macros,
                      MacroSelection initial);

    QString ClassName() const override { return QStringLiteral("MS_5_SelectMacro"); }
    QString LayoutFile() const override { return QStringLiteral("selectmacro.xml"); }

    MacroSelection Value() const { return value_; }

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const toolkit::Notification& notification) override;

private:
    void SetLoopMode(int mode);
    void CommitCount();

    const macro::MacroList& macros_;
    MacroSelection value_;
    QListWidget* list_ = nullptr;
    std::array<QAbstractButton*, 3> repeat_{};
    QWidget* hor_loop_time_ = nullptr;
    QLineEdit* edit_loop_time_ = nullptr;
    QPushButton* btn_ok_ = nullptr;
    QPushButton* btn_cancel_ = nullptr;
    QPushButton* btn_exit_ = nullptr;
};

}  // namespace talvik::page
