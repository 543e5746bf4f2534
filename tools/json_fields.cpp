#include "json_fields.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace talvik::tools {

namespace {

std::string Describe(double v) {
    if (std::floor(v) == v && std::fabs(v) < 1e15) {
        return std::to_string(static_cast<long long>(v));
    }
    std::ostringstream text;
    text << v;
    return text.str();
}

}  // namespace

JsonFields::JsonFields(const QJsonObject& object, std::string path, std::string* error)
    : object_(object), path_(std::move(path)), error_(error) {}

void JsonFields::Fail(const std::string& key_path, const std::string& what) {
    if (ok()) {
        *error_ = key_path + ": " + what;
    }
}

std::string JsonFields::PathOf(const char* key, std::size_t index) const {
    std::string p = path_.empty() ? key : path_ + "." + key;
    if (index != static_cast<std::size_t>(-1)) {
        p += "[" + std::to_string(index) + "]";
    }
    return p;
}

const QJsonValue* JsonFields::Find(const char* key) {
    if (!ok()) {
        return nullptr;
    }
    const QString name = QString::fromLatin1(key);
    used_.insert(name);
    const auto it = object_.constFind(name);
    if (it == object_.constEnd()) {
        Fail(PathOf(key, -1), "missing");
        return nullptr;
    }
    found_ = it.value();
    return &found_;
}

std::optional<double> JsonFields::CheckNumber(const QJsonValue& value, const std::string& path,
                                              double min, double max) {
    if (!value.isDouble()) {
        Fail(path, "not a number");
        return std::nullopt;
    }
    const double v = value.toDouble();
    if (std::floor(v) != v) {
        Fail(path, Describe(v) + " is not a whole number");
        return std::nullopt;
    }
    if (v < min || v > max) {
        Fail(path, Describe(v) + " is outside " + Describe(min) + ".." + Describe(max));
        return std::nullopt;
    }
    return v;
}

std::optional<double> JsonFields::Number(const char* key, double min, double max) {
    const QJsonValue* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    return CheckNumber(*value, PathOf(key, -1), min, max);
}

std::optional<double> JsonFields::Element(const QJsonArray& array, const char* key,
                                          std::size_t index, double min, double max) {
    return CheckNumber(array.at(static_cast<qsizetype>(index)), PathOf(key, index), min, max);
}

std::optional<QJsonArray> JsonFields::Array(const char* key, std::size_t min_size,
                                            std::size_t max_size) {
    const QJsonValue* value = Find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->isArray()) {
        Fail(PathOf(key, -1), "not an array");
        return std::nullopt;
    }
    QJsonArray array = value->toArray();
    const auto size = static_cast<std::size_t>(array.size());
    if (size < min_size || size > max_size) {
        Fail(PathOf(key, -1),
             min_size == max_size
                 ? "holds " + std::to_string(size) + " elements, not " + std::to_string(min_size)
                 : "holds " + std::to_string(size) + " elements, more than " +
                       std::to_string(max_size));
        return std::nullopt;
    }
    return array;
}

QJsonObject JsonFields::ObjectAt(const QJsonArray& array, const char* key, std::size_t index) {
    const QJsonValue value = array.at(static_cast<qsizetype>(index));
    if (!value.isObject()) {
        Fail(PathOf(key, index), "not an object");
        return {};
    }
    return value.toObject();
}

void JsonFields::Name(const char* key, char16_t* field, std::size_t units) {
    const QJsonValue* value = Find(key);
    if (value == nullptr) {
        return;
    }
    std::u16string text;
    if (value->isString()) {
        const QString s = value->toString();
        text.assign(reinterpret_cast<const char16_t*>(s.utf16()),
                    static_cast<std::size_t>(s.size()));
    } else if (value->isArray()) {
        const QJsonArray array = value->toArray();
        for (qsizetype i = 0; i < array.size() && ok(); ++i) {
            if (const auto v =
                    CheckNumber(array.at(i), PathOf(key, static_cast<std::size_t>(i)), 1, 0xFFFF)) {
                text.push_back(static_cast<char16_t>(*v));
            }
        }
    } else {
        Fail(PathOf(key, -1), "not a string");
        return;
    }
    if (!ok()) {
        return;
    }
    if (text.find(u'\0') != std::u16string::npos) {
        Fail(PathOf(key, -1), "holds a zero character");
        return;
    }
    if (text.size() > units) {
        // A full field without terminator is kept: files may hold one.
        Fail(PathOf(key, -1), "longer than its " + std::to_string(units) + " code units");
        return;
    }
    std::copy(text.begin(), text.end(), field);
    if (text.size() < units) {
        field[text.size()] = u'\0';
    }
}

void JsonFields::CheckColor(const QJsonValue& value, const std::string& path, std::uint32_t& out) {
    const QString s = value.toString();
    bool parsed = false;
    const bool shaped =
        value.isString() && s.size() == 7 && s.startsWith(QLatin1Char('#')) &&
        std::all_of(s.begin() + 1, s.end(), [](QChar c) {
            return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                   (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
        });
    const uint rgb = shaped ? s.mid(1).toUInt(&parsed, 16) : 0;
    if (!parsed) {
        Fail(path, "not a colour \"#RRGGBB\"");
        return;
    }
    // Stored with red in byte 0.
    out = (out & 0xFF000000u) | (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

void JsonFields::Color(const char* key, std::uint32_t& out) {
    if (const QJsonValue* value = Find(key)) {
        CheckColor(*value, PathOf(key, -1), out);
    }
}

void JsonFields::Kind(const char* key, std::uint8_t& out) {
    const QJsonValue* value = Find(key);
    if (value == nullptr) {
        return;
    }
    if (value->isString()) {
        const QString s = value->toString();
        if (s == QLatin1String("move")) {
            out = 0;
        } else if (s == QLatin1String("press")) {
            out = 1;
        } else if (s == QLatin1String("release")) {
            out = 2;
        } else {
            Fail(PathOf(key, -1), "\"" + s.toStdString() + "\" is not move, press or release");
        }
        return;
    }
    if (const auto v = CheckNumber(*value, PathOf(key, -1), 0, 255)) {
        out = static_cast<std::uint8_t>(*v);
    }
}

bool JsonFields::Finish() {
    for (auto it = object_.constBegin(); ok() && it != object_.constEnd(); ++it) {
        if (!used_.contains(it.key())) {
            Fail(PathOf(it.key().toStdString().c_str(), -1), "unknown field");
        }
    }
    return ok();
}

}  // namespace talvik::tools
