#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace talvik::page {

// A colour field: hue from left to right, saturation from top (full) to bottom (none), at full
// brightness. Picking with the mouse announces colorChanged while the button is down and
// colorChangedButtonUp on release; SetSelectedColor, made by code, announces nothing.
class ColorPalette : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor selectedColor READ SelectedColor WRITE SetSelectedColor)
public:
    // The class name layout files use.
    static constexpr char kClassName[] = "ColorPalette";

    explicit ColorPalette(QWidget* parent = nullptr);

    QColor SelectedColor() const { return selected_; }
    void SetSelectedColor(const QColor& color);

    // The colour under a point of a field of `size`, and the point that shows `color`.
    static QColor ColorAt(const QPoint& point, const QSize& size);
    static QPoint PointOf(const QColor& color, const QSize& size);

    QSize sizeHint() const override { return {120, 120}; }
    QSize minimumSizeHint() const override { return {64, 64}; }

signals:
    void colorChanged(const QColor& color);
    void colorChangedButtonUp(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PickAt(const QPoint& point);

    QColor selected_ = QColor(0, 0, 0);
    QImage field_;
    bool picking_ = false;
};

}  // namespace talvik::page
