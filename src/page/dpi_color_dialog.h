#pragma once

#include <QPoint>
#include <QRgb>
#include <array>

#include "app/toolkit/window.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvik::page {

class ColorPalette;

// The modal colour picker of a DPI stage or of the light: palette, 16 presets, red, green and
// blue edits and a preview. ShowModal() gives 1 when confirmed; Color() then holds the pick.
class DpiColorDialog : public toolkit::Window {
    Q_OBJECT
public:
    static constexpr int kPresetCount = 16;
    static const std::array<QRgb, kPresetCount> kPresets;

    // `color` as 0xAARRGGBB; `position`: the screen point of the dialog's top-left corner.
    DpiColorDialog(toolkit::Toolkit& toolkit, QRgb color, QPoint position);

    QString ClassName() const override { return QStringLiteral("DpiColorWnd"); }
    QString LayoutFile() const override { return QStringLiteral("DpiColorDialog.xml"); }

    QRgb Color() const { return color_; }

    // The value of a channel edit's text: leading digits with an optional sign, 0 without
    // digits, clamped to 0..255. `clamped` tells whether the text must show the clamped value.
    static int ChannelValue(const QString& text, bool* clamped);

    // Makes the palette class known to the layout loader.
    static void RegisterWidgets(toolkit::Toolkit& toolkit);

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const toolkit::Notification& notification) override;

private:
    void SetColor(QRgb color);
    void ShowChannels();
    void ShowPreview();
    void OnChannelEdited(QLineEdit* edit);

    QRgb color_;
    QPoint position_;
    QPushButton* confirm_btn_ = nullptr;
    QPushButton* cancel_btn_ = nullptr;
    QLabel* color_show_control_ = nullptr;
    ColorPalette* palette_ = nullptr;
    QLineEdit* r_edit_ = nullptr;
    QLineEdit* g_edit_ = nullptr;
    QLineEdit* b_edit_ = nullptr;
    std::array<QPushButton*, kPresetCount> swatches_{};
};

}  // namespace talvik::page
