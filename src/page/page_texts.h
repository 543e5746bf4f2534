#pragma once

#include <string>

#include "page/page_view.h"

namespace talvik::page {

// The texts the page composes from a value and language texts, shared by the refresh and the
// handlers so that both show the same.
std::string SleepTimerText(const PageView& view, int sleep_timer);
std::string LightOffText(const PageView& view, int light_off_time);
std::string DebounceText(int key_debounce);
std::string DpiText(int dpi_value);

// The name of a numbered control: "ms_5_slider_dpi_" and 3 give "ms_5_slider_dpi_3".
std::string Numbered(std::string_view stem, int n);

// The value of the leading digits of `text`, saturating at `limit`; 0 when there are none.
int LeadingNumber(std::string_view text, int limit);

}  // namespace talvik::page
