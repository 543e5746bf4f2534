#pragma once

#include <QJsonObject>
#include <string>

#include "macro/macro_record.h"
#include "macro/text_lookup.h"
#include "platform/keyboard_layout.h"
#include "profile/profile_record.h"

namespace talvik::tools {

// Gives the names shown beside codes (function texts, key names). Either part may be missing;
// names are for reading only and are ignored when JSON is turned back into a record.
struct Namer {
    const macro::TextLookup* texts = nullptr;
    const platform::KeyboardLayout* layout = nullptr;
};

// A record as JSON with the field names of the record. Bytes that no named field holds (reserved
// areas, code units behind a name's terminator, actions behind the count) are listed under
// "unnamed_bytes" when they are not zero, so that turning the JSON back gives the same bytes.
QJsonObject ProfileToJson(const profile::ProfileInfo& record, const Namer& namer);
QJsonObject MacroToJson(const macro::MacroInfo& record, const Namer& namer);

// The record described by `json`; false with a one-line reason otherwise. Every named field is
// required; unknown fields are refused.
bool ProfileFromJson(const QJsonObject& json, profile::ProfileInfo& record, std::string* error);
bool MacroFromJson(const QJsonObject& json, macro::MacroInfo& record, std::string* error);

// Indented JSON text with the fields in record order.
QByteArray FormatJson(const QJsonObject& json);

}  // namespace talvik::tools
