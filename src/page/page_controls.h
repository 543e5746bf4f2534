#pragma once

#include <QString>

#include "page/page_view.h"

class QWidget;

namespace talvik::toolkit {
class Window;
}  // namespace talvik::toolkit

namespace talvik::profile {
struct ProfileInfo;
}  // namespace talvik::profile

namespace talvik::protocol {
struct LinkFlags;
}  // namespace talvik::protocol

namespace talvik::page {

// The device page's controls, reached by name in the main window's layout. Changes made here are
// programmatic: they raise no notification.
class PageControls {
public:
    explicit PageControls(toolkit::Window& window) : window_(window) {}

    QWidget* Control(std::string_view name) const;
    void SetVisible(std::string_view control, bool visible);
    void Select(std::string_view control);
    void SetChecked(std::string_view control, bool checked);
    void SetProgress(std::string_view control, int value);
    void SetText(std::string_view control, const QString& text);
    // A swatch button's colour; the theme styles every button, so a style sheet carries it.
    void SetSwatch(std::string_view control, std::uint32_t stored_color);

    // The language texts of combo items listed by the combo's "langItemKeys" property.
    void ApplyItemTexts();
    // Brings every control in line with `profile` (null: only the link-dependent sections).
    void Refresh(const profile::ProfileInfo* profile, const protocol::LinkFlags& links);
    // The light rows that belong to `light_mode`.
    void UpdateLightControls(int light_mode);
    // The polling-rate and key-debounce sections that fit the links that are up.
    void UpdateModeControls(const protocol::LinkFlags& links);

private:
    QString Text(const char* key) const;

    toolkit::Window& window_;
};

}  // namespace talvik::page
