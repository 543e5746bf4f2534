#include "page/color_palette.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace talvik::page {

ColorPalette::ColorPalette(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor ColorPalette::ColorAt(const QPoint& point, const QSize& size) {
    const int width = std::max(size.width() - 1, 1);
    const int height = std::max(size.height() - 1, 1);
    const int x = std::clamp(point.x(), 0, width);
    const int y = std::clamp(point.y(), 0, height);
    const int hue = std::min(359, x * 360 / (width + 1));
    const int saturation = 255 - y * 255 / height;
    return QColor::fromHsv(hue, saturation, 255);
}

QPoint ColorPalette::PointOf(const QColor& color, const QSize& size) {
    const int width = std::max(size.width() - 1, 1);
    const int height = std::max(size.height() - 1, 1);
    const int hue = std::max(color.hsvHue(), 0);  // grey has no hue
    return {hue * (width + 1) / 360, (255 - color.hsvSaturation()) * height / 255};
}

void ColorPalette::SetSelectedColor(const QColor& color) {
    selected_ = color;
    update();
}

void ColorPalette::resizeEvent(QResizeEvent* event) {
    field_ = QImage();
    QWidget::resizeEvent(event);
}

void ColorPalette::paintEvent(QPaintEvent*) {
    if (field_.size() != size()) {
        field_ = QImage(size(), QImage::Format_RGB32);
        for (int y = 0; y < field_.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(field_.scanLine(y));
            for (int x = 0; x < field_.width(); ++x) {
                line[x] = ColorAt({x, y}, size()).rgb();
            }
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, field_);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPoint marker = PointOf(selected_, size());
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(marker, 5, 5);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawEllipse(marker, 4, 4);
}

void ColorPalette::PickAt(const QPoint& point) {
    selected_ = ColorAt(point, size());
    update();
}

void ColorPalette::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    picking_ = true;
    PickAt(event->position().toPoint());
    emit colorChanged(selected_);
}

void ColorPalette::mouseMoveEvent(QMouseEvent* event) {
    if (!picking_) {
        return;
    }
    PickAt(event->position().toPoint());
    emit colorChanged(selected_);
}

void ColorPalette::mouseReleaseEvent(QMouseEvent* event) {
    if (!picking_ || event->button() != Qt::LeftButton) {
        return;
    }
    picking_ = false;
    PickAt(event->position().toPoint());
    emit colorChangedButtonUp(selected_);
}

}  // namespace talvik::page
