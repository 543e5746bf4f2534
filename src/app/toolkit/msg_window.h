#pragma once

#include "app/toolkit/window.h"

class QLabel;
class QPushButton;

namespace talvik::toolkit {

// The program's message box: a title and a text given as language keys, OK and Cancel.
// ShowModal() gives 1 for OK and 0 for anything else.
class MsgWindow : public Window {
    Q_OBJECT
public:
    MsgWindow(Toolkit& toolkit, QString title_key, QString text_key);

    QString ClassName() const override { return QStringLiteral("MsgWnd"); }
    QString LayoutFile() const override { return QStringLiteral("msg.xml"); }

    // Builds, centres and runs a box over `owner`; 0 when the box cannot be built.
    static int Ask(Toolkit& toolkit, Window* owner, const QString& text_key,
                   const QString& title_key = QStringLiteral("warning_title_text"));

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const Notification& notification) override;

private:
    QString title_key_;
    QString text_key_;
    QPushButton* btn_ok_ = nullptr;
    QPushButton* btn_cancel_ = nullptr;
    QLabel* warning_title_ = nullptr;
    QLabel* warning_ = nullptr;
};

}  // namespace talvik::toolkit
