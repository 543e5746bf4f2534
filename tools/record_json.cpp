#include "record_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "json_fields.h"
#include "macro/key_codes.h"
#include "macro/record_name.h"
#include "profile/button_function.h"

namespace talvik::tools {

namespace {

using macro::MacroAction;
using macro::MacroInfo;
using profile::ButtonAssign;
using profile::ProfileInfo;

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QJsonValue NameValue(const char16_t* field, std::size_t units) {
    const std::u16string text = macro::ReadNameField(field, units);
    if (macro::IsWellFormedUtf16(text)) {
        return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    }
    QJsonArray code_units;  // not valid Unicode: kept unit by unit
    for (char16_t c : text) {
        code_units.append(static_cast<int>(c));
    }
    return code_units;
}

QString ColorText(profile::ColorValue c) {
    return QStringLiteral("#%1%2%3")
        .arg(profile::ColorRed(c), 2, 16, QLatin1Char('0'))
        .arg(profile::ColorGreen(c), 2, 16, QLatin1Char('0'))
        .arg(profile::ColorBlue(c), 2, 16, QLatin1Char('0'))
        .toUpper();
}

// `one` of a value, or an array of `one` of each element.
template <typename T, typename F>
QJsonValue Each(const T& value, F one) {
    if constexpr (std::is_array_v<T>) {
        QJsonArray array;
        for (const auto& e : value) {
            array.append(one(e));
        }
        return array;
    } else {
        return one(value);
    }
}

QJsonValue KindValue(std::uint8_t kind) {
    switch (kind) {
        case 0:
            return QStringLiteral("move");
        case 1:
            return QStringLiteral("press");
        case 2:
            return QStringLiteral("release");
        default:
            return static_cast<int>(kind);
    }
}

std::string ActionName(const MacroAction& a, const Namer& namer) {
    if (a.code == macro::kCodeMove) {
        const std::string text =
            namer.texts != nullptr ? namer.texts->Text("mouse_move_text") : std::string();
        return text.empty() ? "mouse_move_text" : text;
    }
    if (namer.layout == nullptr || namer.texts == nullptr) {
        return {};
    }
    return macro::KeyCodeName(a.code, *namer.layout, *namer.texts);
}

std::string FunctionName(const ButtonAssign& b, const Namer& namer) {
    const std::string_view key = profile::ButtonFunctionTextKey(b.function);
    const std::string text = namer.texts != nullptr && !key.empty() ? namer.texts->Text(key) : "";
    return text.empty() ? std::string(key) : text;
}

std::string KeyCombination(const ButtonAssign& b, const Namer& namer) {
    if (b.function != static_cast<std::uint8_t>(profile::ButtonFunction::kKeyCombination)) {
        return {};
    }
    std::string text;
    const std::pair<std::uint8_t, const char*> modifiers[] = {{profile::kModifierCtrl, "Ctrl"},
                                                              {profile::kModifierShift, "Shift"},
                                                              {profile::kModifierAlt, "Alt"},
                                                              {profile::kModifierWin, "Win"}};
    for (const auto& [bit, name] : modifiers) {
        if ((b.modifiers & bit) != 0) {
            text += std::string(name) + "+";
        }
    }
    std::string key;
    if (namer.layout != nullptr && namer.texts != nullptr) {
        key = macro::KeyCodeName(b.key_code, *namer.layout, *namer.texts);
    }
    char code[8];
    std::snprintf(code, sizeof(code), "0x%02X", b.key_code);
    return text + (key.empty() ? std::string(code) : key);
}

// One named field of a record: how it is shown and how it is read back. A field without `read`
// is shown for reading only; a shown value that is undefined leaves the field out.
struct Field {
    const char* key;
    QJsonValue (*write)(const void* record, const Namer& namer);
    void (*read)(JsonFields& fields, const char* key, void* record);
};

// The record's fields in record order; specialised below for each record.
template <typename R>
const std::vector<Field>& Fields();

template <typename M>
struct MemberOf;
template <typename R, typename T>
struct MemberOf<T R::*> {
    using Record = R;
};
template <auto M>
using RecordOf = typename MemberOf<decltype(M)>::Record;

// Member M of the record at `record` (const or not).
template <auto M, typename Void>
auto& Get(Void* record) {
    using R = std::conditional_t<std::is_const_v<Void>, const RecordOf<M>, RecordOf<M>>;
    return static_cast<R*>(record)->*M;
}

template <typename R>
QJsonObject ToJson(const R& record, const Namer& namer) {
    QJsonObject o;
    for (const Field& field : Fields<R>()) {
        const QJsonValue value = field.write(&record, namer);
        if (!value.isUndefined()) {
            o.insert(QLatin1String(field.key), value);
        }
    }
    return o;
}

template <typename R>
void ReadFields(JsonFields& f, R& record) {
    for (const Field& field : Fields<R>()) {
        if (field.read != nullptr) {
            field.read(f, field.key, &record);
        } else {
            f.Ignore(field.key);
        }
    }
}

// An integer or an array of integers, range-checked against the member's type.
template <auto M>
Field Int(const char* key) {
    return {key,
            [](const void* r, const Namer&) {
                return Each(Get<M>(r), [](auto v) { return QJsonValue(static_cast<qint64>(v)); });
            },
            [](JsonFields& f, const char* key, void* r) { f.Int(key, Get<M>(r)); }};
}

// A colour "#RRGGBB" or an array of them.
template <auto M>
Field Color(const char* key) {
    return {key, [](const void* r, const Namer&) { return Each(Get<M>(r), ColorText); },
            [](JsonFields& f, const char* key, void* r) { f.Color(key, Get<M>(r)); }};
}

template <auto M>
Field Name(const char* key) {
    return {key,
            [](const void* r, const Namer&) { return NameValue(Get<M>(r), std::size(Get<M>(r))); },
            [](JsonFields& f, const char* key, void* r) {
                f.Name(key, Get<M>(r), std::size(Get<M>(r)));
            }};
}

template <auto M>
Field ActionKind(const char* key) {
    return {key, [](const void* r, const Namer&) { return KindValue(Get<M>(r)); },
            [](JsonFields& f, const char* key, void* r) { f.Kind(key, Get<M>(r)); }};
}

// Text computed for the reader (function and key names); left out when empty.
template <typename R, std::string (*Text)(const R&, const Namer&)>
Field Shown(const char* key) {
    return {key,
            [](const void* r, const Namer& namer) -> QJsonValue {
                const std::string text = Text(*static_cast<const R*>(r), namer);
                return text.empty() ? QJsonValue(QJsonValue::Undefined) : Q(text);
            },
            nullptr};
}

// An array of nested records: all of them, or as many as the member `Count` says (clamped to
// the array).
template <auto M, auto Count = nullptr>
Field Objects(const char* key) {
    using Array = std::remove_cvref_t<decltype(std::declval<RecordOf<M>&>().*M)>;
    using Element = std::remove_extent_t<Array>;
    static constexpr auto kSize = static_cast<std::int64_t>(std::extent_v<Array>);
    static constexpr auto size = [](const void* r) {
        if constexpr (Count == nullptr) {
            return static_cast<std::size_t>(kSize);
        } else {
            return static_cast<std::size_t>(std::clamp<std::int64_t>(Get<Count>(r), 0, kSize));
        }
    };
    return {key,
            [](const void* r, const Namer& namer) -> QJsonValue {
                QJsonArray array;
                for (std::size_t i = 0; i < size(r); ++i) {
                    array.append(ToJson<Element>(Get<M>(r)[i], namer));
                }
                return array;
            },
            [](JsonFields& f, const char* key, void* r) {
                const std::size_t n = size(r);
                const std::optional<QJsonArray> array = f.Array(key, n, n);
                for (std::size_t i = 0; array && f.ok() && i < n; ++i) {
                    std::string error;
                    JsonFields element(f.ObjectAt(*array, key, i), f.PathOf(key, i), &error);
                    if (!f.ok()) {
                        break;
                    }
                    ReadFields(element, Get<M>(r)[i]);
                    if (!element.Finish()) {
                        f.Adopt(error);
                    }
                }
            }};
}

// A member field whose key is the member's name.
#define TALVIK_FIELD(kind, member) kind<&Record::member>(#member)

template <>
const std::vector<Field>& Fields<MacroAction>() {
    using Record = MacroAction;
    static const std::vector<Field> fields = {
        TALVIK_FIELD(Int, code),        Shown<Record, ActionName>("name"),
        TALVIK_FIELD(ActionKind, kind), TALVIK_FIELD(Int, delay),
        TALVIK_FIELD(Int, x),           TALVIK_FIELD(Int, y)};
    return fields;
}

template <>
const std::vector<Field>& Fields<ButtonAssign>() {
    using Record = ButtonAssign;
    // clang-format off
    static const std::vector<Field> fields = {
        TALVIK_FIELD(Int, button_index), TALVIK_FIELD(Int, function),
        Shown<Record, FunctionName>("function_name"), TALVIK_FIELD(Int, reserved_2),
        TALVIK_FIELD(Int, key_code), TALVIK_FIELD(Int, modifiers),
        Shown<Record, KeyCombination>("key_combination"), TALVIK_FIELD(Int, reserved_8),
        TALVIK_FIELD(Int, macro_loop_mode), TALVIK_FIELD(Name, macro_name),
        TALVIK_FIELD(Int, macro_repeat), TALVIK_FIELD(Int, macro_event_count),
        TALVIK_FIELD(Int, macro_index), TALVIK_FIELD(Int, reserved_1076),
        Objects<&Record::macro_actions, &Record::macro_event_count>("macro_actions")};
    // clang-format on
    return fields;
}

template <>
const std::vector<Field>& Fields<MacroInfo>() {
    using Record = MacroInfo;
    static const std::vector<Field> fields = {
        TALVIK_FIELD(Name, name), TALVIK_FIELD(Int, repeat), TALVIK_FIELD(Int, action_count),
        Objects<&Record::actions, &Record::action_count>("actions")};
    return fields;
}

template <>
const std::vector<Field>& Fields<ProfileInfo>() {
    using Record = ProfileInfo;
    // clang-format off
    static const std::vector<Field> fields = {
        TALVIK_FIELD(Name, name), TALVIK_FIELD(Name, note_a), TALVIK_FIELD(Name, note_b),
        TALVIK_FIELD(Int, reserved_2200), TALVIK_FIELD(Int, reserved_2204),
        TALVIK_FIELD(Int, reserved_2208), TALVIK_FIELD(Int, reserved_2212),
        TALVIK_FIELD(Int, reserved_2224), TALVIK_FIELD(Int, lift_off_distance),
        TALVIK_FIELD(Int, reserved_2232), TALVIK_FIELD(Int, dpi_value),
        TALVIK_FIELD(Int, dpi_value_y), TALVIK_FIELD(Int, dpi_enabled),
        TALVIK_FIELD(Int, brightness), TALVIK_FIELD(Int, breath_speed),
        TALVIK_FIELD(Int, sleep_timer), TALVIK_FIELD(Int, light_off_time),
        TALVIK_FIELD(Int, current_dpi_stage), TALVIK_FIELD(Int, polling_rate),
        TALVIK_FIELD(Int, polling_rate_hs), TALVIK_FIELD(Int, move_mode),
        TALVIK_FIELD(Int, ripple_control), TALVIK_FIELD(Int, angle_snap),
        TALVIK_FIELD(Int, motion_sync), TALVIK_FIELD(Int, light_mode),
        TALVIK_FIELD(Int, reserved_2388), TALVIK_FIELD(Int, reserved_2392),
        TALVIK_FIELD(Int, key_debounce), TALVIK_FIELD(Color, light_color),
        TALVIK_FIELD(Color, dpi_color), TALVIK_FIELD(Color, spare_color),
        TALVIK_FIELD(Objects, buttons)};
    // clang-format on
    return fields;
}

#undef TALVIK_FIELD

// The named fields only, over whatever `record` holds.
template <typename R>
bool NamedFromJson(const QJsonObject& json, R& record, std::string* error) {
    JsonFields f(json, "", error);
    f.Ignore("unnamed_bytes");
    ReadFields(f, record);
    return f.Finish();
}

// Runs of bytes where `actual` differs from `named`, as [{"offset": n, "hex": "..."}].
QJsonArray Differences(const unsigned char* actual, const unsigned char* named, std::size_t size) {
    constexpr std::size_t kJoinGap = 8;  // nearby runs become one
    QJsonArray runs;
    std::size_t i = 0;
    while (i < size) {
        if (actual[i] == named[i]) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        std::size_t end = i + 1;
        std::size_t same = 0;
        for (std::size_t j = end; j < size && same <= kJoinGap; ++j) {
            if (actual[j] != named[j]) {
                end = j + 1;
                same = 0;
            } else {
                ++same;
            }
        }
        QJsonObject run;
        run.insert(QStringLiteral("offset"), static_cast<qint64>(start));
        run.insert(QStringLiteral("hex"),
                   QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(actual + start),
                                                  static_cast<qsizetype>(end - start))
                                           .toHex()));
        runs.append(run);
        i = end;
    }
    return runs;
}

bool ApplyUnnamed(const QJsonObject& json, unsigned char* bytes, std::size_t size,
                  std::string* error) {
    const auto it = json.constFind(QStringLiteral("unnamed_bytes"));
    if (it == json.constEnd()) {
        return true;
    }
    if (!it->isArray()) {
        *error = "unnamed_bytes: not an array";
        return false;
    }
    const QJsonArray runs = it->toArray();
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const std::string path = "unnamed_bytes[" + std::to_string(i) + "]";
        JsonFields f(runs.at(i).toObject(), path, error);
        if (!runs.at(i).isObject()) {
            f.Fail(path, "not an object");
            return false;
        }
        std::uint32_t offset = 0;
        f.Int("offset", offset);
        const QJsonValue hex_value = runs.at(i).toObject().value(QStringLiteral("hex"));
        f.Ignore("hex");
        if (!f.Finish()) {
            return false;
        }
        const QByteArray hex = hex_value.toString().toLatin1();
        const QByteArray data = QByteArray::fromHex(hex);
        if (!hex_value.isString() || hex.isEmpty() || hex.size() != data.size() * 2 ||
            data.toHex() != hex.toLower()) {
            *error = path + ".hex: not a string of hexadecimal byte pairs";
            return false;
        }
        if (offset + static_cast<std::size_t>(data.size()) > size) {
            *error = path + ": reaches past the record's " + std::to_string(size) + " bytes";
            return false;
        }
        std::memcpy(bytes + offset, data.constData(), static_cast<std::size_t>(data.size()));
    }
    return true;
}

template <typename R>
bool RecordFromJson(const QJsonObject& json, R& out, std::string* error) {
    auto record = std::make_unique<R>();
    error->clear();
    if (!ApplyUnnamed(json, reinterpret_cast<unsigned char*>(record.get()), sizeof(R), error) ||
        !NamedFromJson(json, *record, error)) {
        return false;
    }
    out = *record;
    return true;
}

// The record's named fields, plus the bytes they do not cover.
template <typename R>
QJsonObject RecordToJson(const R& record, const Namer& namer) {
    QJsonObject json = ToJson(record, namer);
    auto rebuilt = std::make_unique<R>();
    std::string error;
    NamedFromJson(json, *rebuilt, &error);
    const QJsonArray runs =
        Differences(reinterpret_cast<const unsigned char*>(&record),
                    reinterpret_cast<const unsigned char*>(rebuilt.get()), sizeof(R));
    if (!runs.isEmpty()) {
        json.insert(QStringLiteral("unnamed_bytes"), runs);
    }
    return json;
}

// Field order of the output: record order (a name's first place wins), then anything else
// alphabetically.
int FieldRank(const QString& key) {
    static const QStringList kOrder = [] {
        QStringList order;
        for (const auto* fields : {&Fields<ProfileInfo>(), &Fields<ButtonAssign>(),
                                   &Fields<MacroInfo>(), &Fields<MacroAction>()}) {
            for (const Field& field : *fields) {
                order.append(QLatin1String(field.key));
            }
        }
        order.append(
            {QStringLiteral("unnamed_bytes"), QStringLiteral("offset"), QStringLiteral("hex")});
        order.removeDuplicates();
        return order;
    }();
    const qsizetype rank = kOrder.indexOf(key);
    return rank < 0 ? static_cast<int>(kOrder.size()) : static_cast<int>(rank);
}

bool IsScalar(const QJsonValue& v) {
    return !v.isArray() && !v.isObject();
}

void Format(const QJsonValue& value, int indent, QByteArray& out) {
    const QByteArray pad(indent, ' ');
    const QByteArray inner(indent + 2, ' ');
    if (value.isObject()) {
        const QJsonObject o = value.toObject();
        QStringList keys = o.keys();
        std::stable_sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
            return FieldRank(a) < FieldRank(b);
        });
        const bool flat = std::all_of(o.begin(), o.end(), IsScalar) && o.size() <= 6;
        out += flat ? "{" : "{\n";
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (!flat) {
                out += inner;
            }
            out +=
                QJsonDocument(QJsonArray{keys[i]}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
            out += ": ";
            Format(o.value(keys[i]), indent + 2, out);
            if (i + 1 < keys.size()) {
                out += flat ? ", " : ",\n";
            }
        }
        out += flat ? "}" : "\n" + pad + "}";
    } else if (value.isArray()) {
        const QJsonArray a = value.toArray();
        const bool flat = std::all_of(a.begin(), a.end(), IsScalar);
        if (a.isEmpty()) {
            out += "[]";
            return;
        }
        out += flat ? "[" : "[\n";
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!flat) {
                out += inner;
            }
            Format(a.at(i), indent + 2, out);
            if (i + 1 < a.size()) {
                out += flat ? ", " : ",\n";
            }
        }
        out += flat ? "]" : "\n" + pad + "]";
    } else if (value.isDouble() && std::floor(value.toDouble()) == value.toDouble()) {
        out += QByteArray::number(static_cast<qint64>(value.toDouble()));
    } else {
        out += QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    }
}

}  // namespace

QJsonObject ProfileToJson(const ProfileInfo& record, const Namer& namer) {
    return RecordToJson(record, namer);
}

QJsonObject MacroToJson(const MacroInfo& record, const Namer& namer) {
    return RecordToJson(record, namer);
}

bool ProfileFromJson(const QJsonObject& json, ProfileInfo& record, std::string* error) {
    return RecordFromJson(json, record, error);
}

bool MacroFromJson(const QJsonObject& json, MacroInfo& record, std::string* error) {
    return RecordFromJson(json, record, error);
}

QByteArray FormatJson(const QJsonObject& json) {
    QByteArray out;
    Format(json, 0, out);
    out += '\n';
    return out;
}

}  // namespace talvik::tools
