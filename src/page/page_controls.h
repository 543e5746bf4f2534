#pragma once

#include <QString>

#include "page/page_view.h"

class QWidget;

namespace talvik::platform {
class LiveKeyboardLayout;
}  // namespace talvik::platform

namespace talvik::toolkit {
class Window;
}  // namespace talvik::toolkit

namespace talvik::page {

// The device page's controls, reached by name in the main window's layout. Changes made here are
// programmatic: they raise no notification.
class PageControls final : public PageView {
public:
    explicit PageControls(toolkit::Window& window) : window_(window) {}

    // Where key names come from; until it is given, the layout of the environment.
    void SetKeyboardLayout(const platform::LiveKeyboardLayout* layout) { live_layout_ = layout; }

    QWidget* Control(std::string_view name) const;

    void SetVisible(std::string_view control, bool visible) override;
    void Select(std::string_view control) override;
    void SetChecked(std::string_view control, bool checked) override;
    bool IsChecked(std::string_view control) const override;
    void SetValue(std::string_view control, int value) override;
    void SetText(std::string_view control, const std::string& text) override;
    std::string Text(std::string_view control) const override;
    std::string LanguageText(std::string_view key) const override;
    void SetProfileRows(const std::vector<std::u16string>& names, int selected) override;
    void SetProfileRowText(int row, const std::u16string& name) override;
    void ShowButtonLabel(int button, const profile::ButtonAssign& assign) override;
    void Refresh(const profile::ProfileInfo& profile, const protocol::LinkFlags& links) override;
    void UpdateLightControls(int light_mode) override;
    void UpdateModeControls(const protocol::LinkFlags& links) override;
    void ScrollIntoView(std::string_view container) override;

    // A swatch button's colour; the theme styles every button, so a style sheet carries it.
    void SetSwatch(std::string_view control, std::uint32_t stored_color);
    // The language texts of combo items listed by the combo's "langItemKeys" property.
    void ApplyItemTexts();

private:
    toolkit::Window& window_;
    const platform::LiveKeyboardLayout* live_layout_ = nullptr;
};

// Which rate and debounce sections show, from the links and whether their boxes are checked.
struct ModeSections {
    bool check_prate = true;
    bool ver_prate = false;
    bool ver_prate_hs = false;
    bool check_debounce = true;
    bool hor_debounce = false;
};
ModeSections ModeSectionsFor(const protocol::LinkFlags& links, bool prate_open, bool debounce_open);

}  // namespace talvik::page
