#include "page/dpi_color_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/toolkit/toolkit.h"
#include "page/color_palette.h"

namespace talvik::page {

namespace {

constexpr QSize kDialogSize(250, 200);

QString Swatch(int n) {
    return QStringLiteral("mouse_dpi_color_%1").arg(n);
}

QString Background(QRgb color) {
    return QStringLiteral("background-color: #%1;").arg(color & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

}  // namespace

const std::array<QRgb, DpiColorDialog::kPresetCount> DpiColorDialog::kPresets = {
    0xFF00FFFF, 0xFF6CFF00, 0xFF7F00FF, 0xFF007FFF, 0xFF0000FF, 0xFF7FFF00, 0xFFFF5400, 0xFFFF7F00,
    0xFFFFB400, 0xFFFFFF00, 0xFFFF0000, 0xFFFF00FF, 0xFF1EB40A, 0xFF48B1FF, 0xFFFF48B0, 0xFFFFFFFF,
};

DpiColorDialog::DpiColorDialog(toolkit::Toolkit& toolkit, QRgb color, QPoint position)
    : toolkit::Window(toolkit), color_(color), position_(position) {}

void DpiColorDialog::RegisterWidgets(toolkit::Toolkit& toolkit) {
    toolkit.RegisterWidgetClass(QString::fromLatin1(ColorPalette::kClassName),
                                [](QWidget* parent) { return new ColorPalette(parent); });
}

int DpiColorDialog::ChannelValue(const QString& text, bool* clamped) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i].isDigit(); ++i) {
        value = std::min<long long>(value * 10 + text[i].digitValue(), 1000);
    }
    if (negative) {
        value = -value;
    }
    *clamped = value > 255 || value < 0;
    return static_cast<int>(std::clamp<long long>(value, 0, 255));
}

void DpiColorDialog::BindControls() {
    Bind(confirm_btn_, QStringLiteral("confirm_btn"));
    Bind(cancel_btn_, QStringLiteral("cancel_btn"));
    Bind(color_show_control_, QStringLiteral("color_show_control"));
    Bind(palette_, QStringLiteral("ColorPallet"));
    Bind(r_edit_, QStringLiteral("r_edit"));
    Bind(g_edit_, QStringLiteral("g_edit"));
    Bind(b_edit_, QStringLiteral("b_edit"));
    for (int n = 1; n <= kPresetCount; ++n) {
        Bind(swatches_[n - 1], Swatch(n));
    }
}

void DpiColorDialog::OnInit() {
    QWidget* window = Widget();
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->resize(kDialogSize.expandedTo(window->minimumSizeHint()));
    window->move(position_);
    for (int n = 0; n < kPresetCount; ++n) {
        swatches_[n]->setStyleSheet(Background(kPresets[n]));
    }
    for (QLineEdit* edit : {r_edit_, g_edit_, b_edit_}) {
        edit->setMaxLength(6);
    }
    palette_->SetSelectedColor(QColor::fromRgb(color_));
    ShowPreview();
    ShowChannels();
}

void DpiColorDialog::SetColor(QRgb color) {
    color_ = color | 0xFF000000;
    palette_->SetSelectedColor(QColor::fromRgb(color_));
    ShowPreview();
    ShowChannels();
}

void DpiColorDialog::ShowChannels() {
    r_edit_->setText(QString::number(qRed(color_)));
    g_edit_->setText(QString::number(qGreen(color_)));
    b_edit_->setText(QString::number(qBlue(color_)));
}

void DpiColorDialog::ShowPreview() {
    color_show_control_->setStyleSheet(Background(color_));
}

void DpiColorDialog::OnChannelEdited(QLineEdit* edit) {
    bool clamped = false;
    const int value = ChannelValue(edit->text(), &clamped);
    if (clamped) {
        edit->setText(QString::number(value));
    }
    int red = qRed(color_);
    int green = qGreen(color_);
    int blue = qBlue(color_);
    (edit == r_edit_ ? red : edit == g_edit_ ? green : blue) = value;
    color_ = qRgb(red, green, blue);
    palette_->SetSelectedColor(QColor::fromRgb(color_));
    ShowPreview();  // the other edits keep what the user typed
}

void DpiColorDialog::Notify(const toolkit::Notification& n) {
    switch (n.type) {
        case toolkit::NotifyType::kClick:
            if (n.sender == confirm_btn_) {
                Close(1);
            } else if (n.sender == cancel_btn_) {
                Close(0);
            } else {
                for (int i = 0; i < kPresetCount; ++i) {
                    if (n.sender == swatches_[i]) {
                        SetColor(kPresets[i]);
                    }
                }
            }
            break;
        case toolkit::NotifyType::kColorChanged:
        case toolkit::NotifyType::kColorChangedButtonUp:
            if (n.sender == palette_) {
                SetColor(palette_->SelectedColor().rgb());
            }
            break;
        case toolkit::NotifyType::kTextChanged:
            if (n.sender == r_edit_ || n.sender == g_edit_ || n.sender == b_edit_) {
                OnChannelEdited(static_cast<QLineEdit*>(n.sender.data()));
            }
            break;
        default:
            break;
    }
}

}  // namespace talvik::page
