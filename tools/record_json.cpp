#include "record_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>
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

template <typename T, std::size_t N>
QJsonArray Ints(const T (&values)[N]) {
    QJsonArray array;
    for (const T& v : values) {
        array.append(static_cast<qint64>(v));
    }
    return array;
}

QJsonArray Colors(const profile::ColorValue* values, std::size_t count) {
    QJsonArray array;
    for (std::size_t i = 0; i < count; ++i) {
        array.append(ColorText(values[i]));
    }
    return array;
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

std::string ActionName(std::uint8_t code, const Namer& namer) {
    if (code == macro::kCodeMove) {
        const std::string text =
            namer.texts != nullptr ? namer.texts->Text("mouse_move_text") : std::string();
        return text.empty() ? "mouse_move_text" : text;
    }
    if (namer.layout == nullptr || namer.texts == nullptr) {
        return {};
    }
    return macro::KeyCodeName(code, *namer.layout, *namer.texts);
}

QJsonArray ActionsToJson(const MacroAction* actions, std::int64_t count, const Namer& namer) {
    QJsonArray array;
    const auto shown = std::clamp<std::int64_t>(count, 0, macro::kMaxMacroActions);
    for (std::int64_t i = 0; i < shown; ++i) {
        const MacroAction& a = actions[i];
        QJsonObject o;
        o.insert(QStringLiteral("code"), a.code);
        const std::string name = ActionName(a.code, namer);
        if (!name.empty()) {
            o.insert(QStringLiteral("name"), Q(name));
        }
        o.insert(QStringLiteral("kind"), KindValue(a.kind));
        o.insert(QStringLiteral("delay"), a.delay);
        o.insert(QStringLiteral("x"), a.x);
        o.insert(QStringLiteral("y"), a.y);
        array.append(o);
    }
    return array;
}

// Reads `count` actions (the stored count, clamped to the record) from field `key`.
void ActionsFromJson(JsonFields& f, const char* key, MacroAction* actions, std::int64_t count) {
    const auto expected =
        static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, macro::kMaxMacroActions));
    const std::optional<QJsonArray> array = f.Array(key, expected, expected);
    for (std::size_t i = 0; array && f.ok() && i < expected; ++i) {
        const QJsonObject o = f.ObjectAt(*array, key, i);
        std::string error;
        JsonFields a(o, f.PathOf(key, i), &error);
        MacroAction& action = actions[i];
        a.Int("code", action.code);
        a.Ignore("name");
        a.Kind("kind", action.kind);
        a.Int("delay", action.delay);
        a.Int("x", action.x);
        a.Int("y", action.y);
        if (!a.Finish()) {
            f.Adopt(error);
        }
    }
}

std::string KeyCombination(const ButtonAssign& b, const Namer& namer) {
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

QJsonObject ButtonToJson(const ButtonAssign& b, const Namer& namer) {
    QJsonObject o;
    o.insert(QStringLiteral("button_index"), b.button_index);
    o.insert(QStringLiteral("function"), b.function);
    const std::string_view key = profile::ButtonFunctionTextKey(b.function);
    if (!key.empty()) {
        const std::string text = namer.texts != nullptr ? namer.texts->Text(key) : std::string();
        o.insert(QStringLiteral("function_name"), Q(text.empty() ? key : text));
    }
    o.insert(QStringLiteral("reserved_2"), b.reserved_2);
    o.insert(QStringLiteral("key_code"), b.key_code);
    o.insert(QStringLiteral("modifiers"), b.modifiers);
    if (b.function == static_cast<std::uint8_t>(profile::ButtonFunction::kKeyCombination)) {
        o.insert(QStringLiteral("key_combination"), Q(KeyCombination(b, namer)));
    }
    o.insert(QStringLiteral("reserved_8"), b.reserved_8);
    o.insert(QStringLiteral("macro_loop_mode"), b.macro_loop_mode);
    o.insert(QStringLiteral("macro_name"), NameValue(b.macro_name, std::size(b.macro_name)));
    o.insert(QStringLiteral("macro_repeat"), b.macro_repeat);
    o.insert(QStringLiteral("macro_event_count"), b.macro_event_count);
    o.insert(QStringLiteral("macro_index"), b.macro_index);
    o.insert(QStringLiteral("reserved_1076"), b.reserved_1076);
    o.insert(QStringLiteral("macro_actions"),
             ActionsToJson(b.macro_actions, b.macro_event_count, namer));
    return o;
}

void ButtonFromJson(JsonFields& f, ButtonAssign& b) {
    f.Int("button_index", b.button_index);
    f.Int("function", b.function);
    f.Ignore("function_name");
    f.Int("reserved_2", b.reserved_2);
    f.Int("key_code", b.key_code);
    f.Int("modifiers", b.modifiers);
    f.Ignore("key_combination");
    f.Int("reserved_8", b.reserved_8);
    f.Int("macro_loop_mode", b.macro_loop_mode);
    f.Name("macro_name", b.macro_name, std::size(b.macro_name));
    f.Int("macro_repeat", b.macro_repeat);
    f.Int("macro_event_count", b.macro_event_count);
    f.Int("macro_index", b.macro_index);
    f.Int("reserved_1076", b.reserved_1076);
    ActionsFromJson(f, "macro_actions", b.macro_actions, b.macro_event_count);
}

// The named fields only, over whatever `r` holds.
bool ProfileNamedFromJson(const QJsonObject& json, ProfileInfo& r, std::string* error) {
    JsonFields f(json, "", error);
    f.Ignore("unnamed_bytes");
    f.Name("name", r.name, std::size(r.name));
    f.Name("note_a", r.note_a, std::size(r.note_a));
    f.Name("note_b", r.note_b, std::size(r.note_b));
    f.Int("reserved_2200", r.reserved_2200);
    f.Int("reserved_2204", r.reserved_2204);
    f.Int("reserved_2208", r.reserved_2208);
    f.Int("reserved_2212", r.reserved_2212);
    f.Int("reserved_2224", r.reserved_2224);
    f.Int("lift_off_distance", r.lift_off_distance);
    f.Int("reserved_2232", r.reserved_2232);
    f.IntArray("dpi_value", r.dpi_value);
    f.IntArray("dpi_value_y", r.dpi_value_y);
    f.IntArray("dpi_enabled", r.dpi_enabled);
    f.Int("brightness", r.brightness);
    f.Int("breath_speed", r.breath_speed);
    f.Int("sleep_timer", r.sleep_timer);
    f.Int("light_off_time", r.light_off_time);
    f.Int("current_dpi_stage", r.current_dpi_stage);
    f.Int("polling_rate", r.polling_rate);
    f.Int("polling_rate_hs", r.polling_rate_hs);
    f.Int("move_mode", r.move_mode);
    f.Int("ripple_control", r.ripple_control);
    f.Int("angle_snap", r.angle_snap);
    f.Int("motion_sync", r.motion_sync);
    f.Int("light_mode", r.light_mode);
    f.Int("reserved_2388", r.reserved_2388);
    f.Int("reserved_2392", r.reserved_2392);
    f.Int("key_debounce", r.key_debounce);
    f.Color("light_color", r.light_color);
    f.ColorArray("dpi_color", r.dpi_color, std::size(r.dpi_color));
    f.ColorArray("spare_color", r.spare_color, std::size(r.spare_color));
    const std::optional<QJsonArray> buttons =
        f.Array("buttons", profile::kButtonSlots, profile::kButtonSlots);
    for (std::size_t b = 0; buttons && f.ok() && b < profile::kButtonSlots; ++b) {
        std::string button_error;
        JsonFields bf(f.ObjectAt(*buttons, "buttons", b), f.PathOf("buttons", b), &button_error);
        if (!f.ok()) {
            break;
        }
        ButtonFromJson(bf, r.buttons[b]);
        if (!bf.Finish()) {
            f.Adopt(button_error);
        }
    }
    return f.Finish();
}

bool MacroNamedFromJson(const QJsonObject& json, MacroInfo& r, std::string* error) {
    JsonFields f(json, "", error);
    f.Ignore("unnamed_bytes");
    f.Name("name", r.name, std::size(r.name));
    f.Int("repeat", r.repeat);
    f.Int("action_count", r.action_count);
    ActionsFromJson(f, "actions", r.actions, r.action_count);
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

template <typename Record, typename NamedFromJson>
bool RecordFromJson(const QJsonObject& json, Record& out, std::string* error, NamedFromJson named) {
    auto record = std::make_unique<Record>();
    error->clear();
    if (!ApplyUnnamed(json, reinterpret_cast<unsigned char*>(record.get()), sizeof(Record),
                      error) ||
        !named(json, *record, error)) {
        return false;
    }
    out = *record;
    return true;
}

template <typename Record, typename NamedFromJson>
void AddUnnamed(QJsonObject& json, const Record& record, NamedFromJson named) {
    auto rebuilt = std::make_unique<Record>();
    std::string error;
    named(json, *rebuilt, &error);
    const QJsonArray runs =
        Differences(reinterpret_cast<const unsigned char*>(&record),
                    reinterpret_cast<const unsigned char*>(rebuilt.get()), sizeof(Record));
    if (!runs.isEmpty()) {
        json.insert(QStringLiteral("unnamed_bytes"), runs);
    }
}

// Field order of the output: record order, then anything else alphabetically.
int FieldRank(const QString& key) {
    static const QStringList kOrder = {QStringLiteral("name"),
                                       QStringLiteral("note_a"),
                                       QStringLiteral("note_b"),
                                       QStringLiteral("reserved_2200"),
                                       QStringLiteral("reserved_2204"),
                                       QStringLiteral("reserved_2208"),
                                       QStringLiteral("reserved_2212"),
                                       QStringLiteral("reserved_2224"),
                                       QStringLiteral("lift_off_distance"),
                                       QStringLiteral("reserved_2232"),
                                       QStringLiteral("dpi_value"),
                                       QStringLiteral("dpi_value_y"),
                                       QStringLiteral("dpi_enabled"),
                                       QStringLiteral("brightness"),
                                       QStringLiteral("breath_speed"),
                                       QStringLiteral("sleep_timer"),
                                       QStringLiteral("light_off_time"),
                                       QStringLiteral("current_dpi_stage"),
                                       QStringLiteral("polling_rate"),
                                       QStringLiteral("polling_rate_hs"),
                                       QStringLiteral("move_mode"),
                                       QStringLiteral("ripple_control"),
                                       QStringLiteral("angle_snap"),
                                       QStringLiteral("motion_sync"),
                                       QStringLiteral("light_mode"),
                                       QStringLiteral("reserved_2388"),
                                       QStringLiteral("reserved_2392"),
                                       QStringLiteral("key_debounce"),
                                       QStringLiteral("light_color"),
                                       QStringLiteral("dpi_color"),
                                       QStringLiteral("spare_color"),
                                       QStringLiteral("buttons"),
                                       QStringLiteral("button_index"),
                                       QStringLiteral("function"),
                                       QStringLiteral("function_name"),
                                       QStringLiteral("reserved_2"),
                                       QStringLiteral("key_code"),
                                       QStringLiteral("modifiers"),
                                       QStringLiteral("key_combination"),
                                       QStringLiteral("reserved_8"),
                                       QStringLiteral("macro_loop_mode"),
                                       QStringLiteral("macro_name"),
                                       QStringLiteral("macro_repeat"),
                                       QStringLiteral("macro_event_count"),
                                       QStringLiteral("macro_index"),
                                       QStringLiteral("reserved_1076"),
                                       QStringLiteral("macro_actions"),
                                       QStringLiteral("repeat"),
                                       QStringLiteral("action_count"),
                                       QStringLiteral("actions"),
                                       QStringLiteral("code"),
                                       QStringLiteral("kind"),
                                       QStringLiteral("delay"),
                                       QStringLiteral("x"),
                                       QStringLiteral("y"),
                                       QStringLiteral("unnamed_bytes"),
                                       QStringLiteral("offset"),
                                       QStringLiteral("hex")};
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

QJsonObject ProfileToJson(const ProfileInfo& r, const Namer& namer) {
    QJsonObject o;
    o.insert(QStringLiteral("name"), NameValue(r.name, std::size(r.name)));
    o.insert(QStringLiteral("note_a"), NameValue(r.note_a, std::size(r.note_a)));
    o.insert(QStringLiteral("note_b"), NameValue(r.note_b, std::size(r.note_b)));
    o.insert(QStringLiteral("reserved_2200"), r.reserved_2200);
    o.insert(QStringLiteral("reserved_2204"), r.reserved_2204);
    o.insert(QStringLiteral("reserved_2208"), r.reserved_2208);
    o.insert(QStringLiteral("reserved_2212"), r.reserved_2212);
    o.insert(QStringLiteral("reserved_2224"), r.reserved_2224);
    o.insert(QStringLiteral("lift_off_distance"), r.lift_off_distance);
    o.insert(QStringLiteral("reserved_2232"), r.reserved_2232);
    o.insert(QStringLiteral("dpi_value"), Ints(r.dpi_value));
    o.insert(QStringLiteral("dpi_value_y"), Ints(r.dpi_value_y));
    o.insert(QStringLiteral("dpi_enabled"), Ints(r.dpi_enabled));
    o.insert(QStringLiteral("brightness"), r.brightness);
    o.insert(QStringLiteral("breath_speed"), r.breath_speed);
    o.insert(QStringLiteral("sleep_timer"), r.sleep_timer);
    o.insert(QStringLiteral("light_off_time"), r.light_off_time);
    o.insert(QStringLiteral("current_dpi_stage"), r.current_dpi_stage);
    o.insert(QStringLiteral("polling_rate"), r.polling_rate);
    o.insert(QStringLiteral("polling_rate_hs"), r.polling_rate_hs);
    o.insert(QStringLiteral("move_mode"), r.move_mode);
    o.insert(QStringLiteral("ripple_control"), r.ripple_control);
    o.insert(QStringLiteral("angle_snap"), r.angle_snap);
    o.insert(QStringLiteral("motion_sync"), r.motion_sync);
    o.insert(QStringLiteral("light_mode"), r.light_mode);
    o.insert(QStringLiteral("reserved_2388"), r.reserved_2388);
    o.insert(QStringLiteral("reserved_2392"), r.reserved_2392);
    o.insert(QStringLiteral("key_debounce"), r.key_debounce);
    o.insert(QStringLiteral("light_color"), ColorText(r.light_color));
    o.insert(QStringLiteral("dpi_color"), Colors(r.dpi_color, std::size(r.dpi_color)));
    o.insert(QStringLiteral("spare_color"), Colors(r.spare_color, std::size(r.spare_color)));
    QJsonArray buttons;
    for (const ButtonAssign& b : r.buttons) {
        buttons.append(ButtonToJson(b, namer));
    }
    o.insert(QStringLiteral("buttons"), buttons);
    AddUnnamed(o, r, ProfileNamedFromJson);
    return o;
}

QJsonObject MacroToJson(const MacroInfo& r, const Namer& namer) {
    QJsonObject o;
    o.insert(QStringLiteral("name"), NameValue(r.name, std::size(r.name)));
    o.insert(QStringLiteral("repeat"), r.repeat);
    o.insert(QStringLiteral("action_count"), r.action_count);
    o.insert(QStringLiteral("actions"), ActionsToJson(r.actions, r.action_count, namer));
    AddUnnamed(o, r, MacroNamedFromJson);
    return o;
}

bool ProfileFromJson(const QJsonObject& json, ProfileInfo& record, std::string* error) {
    return RecordFromJson(json, record, error, ProfileNamedFromJson);
}

bool MacroFromJson(const QJsonObject& json, MacroInfo& record, std::string* error) {
    return RecordFromJson(json, record, error, MacroNamedFromJson);
}

QByteArray FormatJson(const QJsonObject& json) {
    QByteArray out;
    Format(json, 0, out);
    out += '\n';
    return out;
}

}  // namespace talvik::tools
