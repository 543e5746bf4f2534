#include "page/page_texts.h"

namespace talvik::page {

std::string SleepTimerText(const PageView& view, int sleep_timer) {
    return view.LanguageText("sleep_timer_3_text") + std::to_string(sleep_timer) + " " +
           view.LanguageText("sleep_timer_2_text");
}

std::string LightOffText(const PageView& view, int light_off_time) {
    return view.LanguageText("sleep_timer_1_text") + std::to_string(light_off_time * 30) + " " +
           view.LanguageText("sleep_timer_4_text");
}

std::string DebounceText(int key_debounce) {
    return std::to_string(key_debounce * 2) + " MS";
}

std::string DpiText(int dpi_value) {
    return std::to_string(dpi_value * 50);
}

std::string Numbered(std::string_view stem, int n) {
    return std::string(stem) + std::to_string(n);
}

int LeadingNumber(std::string_view text, int limit) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        // Saturates instead of overflowing on a long run of digits.
        value = std::min<long long>(value * 10 + (c - '0'), limit);
    }
    return static_cast<int>(value);
}

}  // namespace talvik::page
