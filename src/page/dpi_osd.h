#pragma once

#include <QRect>

#include "app/toolkit/window.h"

class QLabel;

namespace talvik::page {

// The small pop-up near the bottom-right corner that shows the DPI after the mouse switched its
// stage. It stays above other windows and never takes the focus.
class DpiOsd : public toolkit::Window {
    Q_OBJECT
public:
    static constexpr QSize kSize{200, 50};
    static constexpr int kMargin = 10;

    DpiOsd(toolkit::Toolkit& toolkit, QString text);

    QString ClassName() const override { return QStringLiteral("DPIWnd"); }
    QString LayoutFile() const override { return QStringLiteral("DPImsg.xml"); }

    void SetText(const QString& text);
    QString Text() const { return text_; }

    // Where the display goes in a work area: kMargin from its right and bottom edges.
    static QRect Placement(const QRect& work_area);

protected:
    void BindControls() override;
    void OnInit() override;

private:
    QString text_;
    QLabel* dpi_label_ = nullptr;
};

}  // namespace talvik::page
