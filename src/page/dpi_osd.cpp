#include "page/dpi_osd.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace talvik::page {

DpiOsd::DpiOsd(toolkit::Toolkit& toolkit, QString text)
    : toolkit::Window(toolkit), text_(std::move(text)) {}

QRect DpiOsd::Placement(const QRect& work_area) {
    // From the work area's own corner, so a panel on the left or at the top does not push the
    // display off its place.
    return {work_area.x() + work_area.width() - kSize.width() - kMargin,
            work_area.y() + work_area.height() - kSize.height() - kMargin, kSize.width(),
            kSize.height()};
}

void DpiOsd::BindControls() {
    dpi_label_ = Find<QLabel>(QStringLiteral("dpi_label"));
}

void DpiOsd::OnInit() {
    QWidget* window = Widget();
    window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setFocusPolicy(Qt::NoFocus);
    if (dpi_label_ == nullptr) {
        return;  // a layout without the label: the window stays where it was made
    }
    dpi_label_->setText(text_);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->setGeometry(Placement(screen->availableGeometry()));
    }
}

void DpiOsd::SetText(const QString& text) {
    text_ = text;
    if (dpi_label_ != nullptr) {
        dpi_label_->setText(text);
    }
}

}  // namespace talvik::page
