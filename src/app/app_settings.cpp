#include "app/app_settings.h"

namespace talvik::app {

namespace {

const QString kSection = QStringLiteral("SETTING");
const QString kLanguageKey = QStringLiteral("lanId");
const QString kStartupKey = QStringLiteral("Startup");
const QString kFeedbackKey = QStringLiteral("Feedback");

}  // namespace

QString LanguageFileForCode(int code) {
    switch (code) {
        case kLanguageChinese:
            return QStringLiteral("lan/CN.xml");
        case kLanguagePolish:
            return QStringLiteral("lan/PL.xml");
        case kLanguageVietnamese:
            return QStringLiteral("lan/YUENAN.xml");
        default:
            return QStringLiteral("lan/EN.xml");
    }
}

bool IsLanguageCode(int code) {
    return code >= 1 && code <= kLanguageCount;
}

int LanguageCodeForLocale(const QLocale& locale) {
    switch (locale.language()) {
        case QLocale::Polish:
            return kLanguagePolish;
        case QLocale::Chinese:
            return kLanguageChinese;
        case QLocale::Vietnamese:
            return kLanguageVietnamese;
        default:
            return kLanguageEnglish;
    }
}

SettingsStore::SettingsStore(platform::IniFile ini, platform::Autostart autostart)
    : ini_(std::move(ini)), autostart_(std::move(autostart)) {}

AppSettings SettingsStore::LoadAtStart(const QLocale& ui_locale) const {
    AppSettings settings;
    const int stored_language = ini_.ReadInt(kSection, kLanguageKey, -1);
    if (IsLanguageCode(stored_language)) {
        settings.language_code = stored_language;
    } else {
        settings.language_code = LanguageCodeForLocale(ui_locale);
        WriteLanguage(settings.language_code);
    }

    const int startup = ini_.ReadInt(kSection, kStartupKey, -1);
    settings.autostart = startup < 1 ? 0 : startup;
    settings.feedback = ini_.ReadInt(kSection, kFeedbackKey, -1);

    if (autostart_.IsRegistered()) {
        settings.autostart = 1;
        ini_.WriteInt(kSection, kStartupKey, 1);
    }
    return settings;
}

void SettingsStore::WriteLanguage(int code) const {
    ini_.WriteInt(kSection, kLanguageKey, code);
}

void SettingsStore::WriteFeedback(int value) const {
    ini_.WriteInt(kSection, kFeedbackKey, value == 1 ? 1 : 0);
}

bool SettingsStore::WriteAutostart(bool on) const {
    ini_.WriteInt(kSection, kStartupKey, on ? 1 : 0);
    return on ? autostart_.Register() : autostart_.Unregister();
}

}  // namespace talvik::app
