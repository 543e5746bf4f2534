#pragma once

#include <QLocale>
#include <QString>

#include "platform/autostart.h"
#include "platform/ini_file.h"

namespace talvik::app {

// Language codes as stored under lanId. The combo boxes list them in this order (index = code-1).
inline constexpr int kLanguageChinese = 1;
inline constexpr int kLanguageEnglish = 2;
inline constexpr int kLanguagePolish = 3;
inline constexpr int kLanguageVietnamese = 4;
inline constexpr int kLanguageCount = 4;

// "lan/EN.xml" and the others; unknown codes fall back to English.
QString LanguageFileForCode(int code);
bool IsLanguageCode(int code);
// The code the desktop's language suggests when none is stored.
int LanguageCodeForLocale(const QLocale& locale);

// The three settings kept in CONFIG.ini. -1 means "never set".
struct AppSettings {
    int language_code = kLanguageEnglish;
    int autostart = 0;
    int feedback = -1;

    // Only an explicit 0 turns feedback off.
    bool FeedbackOn() const { return feedback != 0; }
};

// Reads and writes CONFIG.ini ([SETTING] lanId, Startup, Feedback) and keeps the autostart entry.
class SettingsStore {
public:
    SettingsStore(platform::IniFile ini, platform::Autostart autostart);

    // The start-up reading: the stored language or the one the locale suggests (written back),
    // the autostart and feedback values, and the autostart check, which only ever raises the
    // setting when the entry starts this executable.
    AppSettings LoadAtStart(const QLocale& ui_locale) const;

    void WriteLanguage(int code) const;
    void WriteFeedback(int value) const;
    // Writes Startup and adds or removes the autostart entry. The result is the entry's; the
    // setting is written either way.
    bool WriteAutostart(bool on) const;

    const platform::IniFile& Ini() const { return ini_; }
    const platform::Autostart& AutostartEntry() const { return autostart_; }

private:
    platform::IniFile ini_;
    platform::Autostart autostart_;
};

}  // namespace talvik::app
