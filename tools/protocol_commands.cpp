#include <QJsonArray>
#include <QJsonObject>
#include <memory>

#include "cli.h"
#include "profile/profile_record.h"
#include "protocol/apply.h"
#include "protocol/hex.h"
#include "protocol/settings_decode.h"
#include "record_json.h"

namespace talvik::tools {

namespace {

QString Color(profile::ColorValue c) {
    return QStringLiteral("#%1%2%3")
        .arg(profile::ColorRed(c), 2, 16, QLatin1Char('0'))
        .arg(profile::ColorGreen(c), 2, 16, QLatin1Char('0'))
        .arg(profile::ColorBlue(c), 2, 16, QLatin1Char('0'))
        .toUpper();
}

template <typename T, std::size_t N>
QJsonArray Array(const std::array<T, N>& values) {
    QJsonArray array;
    for (const T& v : values) {
        array.append(static_cast<qint64>(v));
    }
    return array;
}

void AddSensor(const protocol::SensorSettings& s, QJsonObject& json) {
    json["lift_off_distance"] = s.lift_off_distance;
    json["ripple_control"] = s.ripple_control;
    json["angle_snap"] = s.angle_snap;
    json["motion_sync"] = s.motion_sync;
    json["dpi_enabled"] = Array(s.dpi_enabled);
    json["dpi_value"] = Array(s.dpi_value);
    json["dpi_value_y"] = Array(s.dpi_value_y);
    json["current_dpi_stage"] = s.current_dpi_stage;
    QJsonArray colors;
    for (profile::ColorValue c : s.dpi_color) {
        colors.append(Color(c));
    }
    json["dpi_color"] = colors;
}

void AddLight(const protocol::LightSettings& s, QJsonObject& json) {
    json["light_mode"] = s.light_mode;
    json["breath_speed"] = s.breath_speed;
    json["brightness"] = s.brightness;
    json["sleep_timer"] = s.sleep_timer;
    json["light_color"] = Color(s.light_color);
    json["light_off_time"] = s.light_off_time;
    json["key_debounce"] = s.key_debounce;
}

void AddPolling(const protocol::PollingSettings& s, QJsonObject& json) {
    if (s.polling_rate) {
        json["polling_rate"] = *s.polling_rate;
    }
    if (s.polling_rate_hs) {
        json["polling_rate_hs"] = *s.polling_rate_hs;
    }
}

int Packets(Context& context, const CommandGroup& group, const std::vector<std::string>& args) {
    std::optional<std::string> applied_path;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--applied") {
            if (i + 1 >= args.size() || applied_path) {
                return UsageError(context, group, "--applied needs one file");
            }
            applied_path = args[++i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 1) {
        return UsageError(context, group, "packets takes one profile file");
    }
    std::string error;
    auto current = std::make_unique<profile::ProfileInfo>();
    auto applied = std::make_unique<profile::ProfileInfo>();
    if (!ReadRecordFile(files[0], current.get(), sizeof(profile::ProfileInfo), &error) ||
        (applied_path &&
         !ReadRecordFile(*applied_path, applied.get(), sizeof(profile::ProfileInfo), &error))) {
        return Fail(context, error);
    }
    const protocol::ApplyPlan plan = protocol::PlanApply(*current, *applied, !applied_path);
    for (const protocol::CommandPacket& packet : plan.packets) {
        context.out << protocol::FormatHex(packet.view()) << '\n';
    }
    for (int button : plan.unsent_macros) {
        context.err << kProgram << ": the macro of button " << button
                    << " is not sent: it has no room in the mouse's macro slots\n";
    }
    return context.out.good() ? 0 : Fail(context, "cannot write the output");
}

int Decode(Context& context, const CommandGroup& group, const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return UsageError(context, group, "decode needs a block and its bytes");
    }
    std::string text;
    for (std::size_t i = 1; i < args.size(); ++i) {
        text += args[i] + " ";
    }
    const auto bytes = protocol::ParseHex(text);
    if (!bytes) {
        return Fail(context, "not hex bytes: " + text);
    }
    const std::string& block = args[0];
    QJsonObject json;
    const auto too_short = [&](std::size_t need) {
        return Fail(context, block + " reply of " + std::to_string(bytes->size()) +
                                 " bytes is too short: it needs " + std::to_string(need));
    };
    if (block == "sensor") {
        const auto s = protocol::DecodeSensorBlock(*bytes);
        if (!s) {
            return too_short(49);
        }
        AddSensor(*s, json);
    } else if (block == "light") {
        const auto s = protocol::DecodeLightBlock(*bytes);
        if (!s) {
            return too_short(11);
        }
        AddLight(*s, json);
    } else if (block == "polling") {
        const auto s = protocol::DecodePollingBlock(*bytes);
        if (!s) {
            return too_short(4);
        }
        AddPolling(*s, json);
    } else if (block == "ble") {
        if (bytes->empty() || (*bytes)[0] != protocol::kBleSettingsReply) {
            return Fail(context, "a Bluetooth LE settings reply starts with A0");
        }
        const auto s = protocol::DecodeBleReply(*bytes);
        if (!s || !s->sensor || !s->light) {
            return too_short(61);
        }
        AddPolling(*s->polling, json);
        AddSensor(*s->sensor, json);
        AddLight(*s->light, json);
    } else {
        return UsageError(context, group, "unknown block " + block);
    }
    const QByteArray out = FormatJson(json);
    context.out.write(out.constData(), out.size());
    return context.out.good() ? 0 : Fail(context, "cannot write the output");
}

}  // namespace

// What an apply sends, and what the mouse's replies mean.
int RunPacketCommands(Context& context) {
    const CommandGroup& group = GroupNamed("packets");
    return Packets(context, group, context.args);
}

int RunDecodeCommands(Context& context) {
    const CommandGroup& group = GroupNamed("decode");
    return Decode(context, group, context.args);
}

}  // namespace talvik::tools
