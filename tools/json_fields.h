#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace talvik::tools {

// Reads the fields of one JSON object into a record, checking types and ranges. The first
// problem is kept in the error text, prefixed with the field's path ("buttons[3].function");
// later calls then do nothing. Finish() reports fields nobody asked for, so typos are not lost.
class JsonFields {
public:
    JsonFields(const QJsonObject& object, std::string path, std::string* error);

    bool ok() const { return error_->empty(); }

    // An integer field that must fit T, or an array of exactly N of them.
    template <typename T>
    void Int(const char* key, T& out) {
        const std::optional<double> v =
            Number(key, static_cast<double>(std::numeric_limits<T>::min()),
                   static_cast<double>(std::numeric_limits<T>::max()));
        if (v) {
            out = static_cast<T>(*v);
        }
    }

    template <typename T, std::size_t N>
    void Int(const char* key, T (&out)[N]) {
        const std::optional<QJsonArray> array = Array(key, N, N);
        for (std::size_t i = 0; array && ok() && i < N; ++i) {
            const std::optional<double> v =
                Element(*array, key, i, static_cast<double>(std::numeric_limits<T>::min()),
                        static_cast<double>(std::numeric_limits<T>::max()));
            if (v) {
                out[i] = static_cast<T>(*v);
            }
        }
    }

    // A UTF-16 name field: a string, or an array of code units for text that is not valid
    // Unicode. Writes the text and its terminator only, so bytes behind it stay as they are.
    void Name(const char* key, char16_t* field, std::size_t units);
    // "#RRGGBB" into bytes 0..2 of a stored colour, or an array of exactly N of them; byte 3 stays
    // as it is.
    void Color(const char* key, std::uint32_t& out);
    template <std::size_t N>
    void Color(const char* key, std::uint32_t (&out)[N]) {
        const std::optional<QJsonArray> array = Array(key, N, N);
        for (std::size_t i = 0; array && ok() && i < N; ++i) {
            CheckColor(array->at(static_cast<qsizetype>(i)), PathOf(key, i), out[i]);
        }
    }
    // An array of min_size..max_size elements; nullopt (and an error) otherwise.
    std::optional<QJsonArray> Array(const char* key, std::size_t min_size, std::size_t max_size);
    // An object element of an array field, for a nested reader.
    QJsonObject ObjectAt(const QJsonArray& array, const char* key, std::size_t index);
    std::string PathOf(const char* key, std::size_t index) const;
    // Marks fields that are only shown (names computed for the reader) as known.
    void Ignore(const char* key) { used_.insert(QString::fromLatin1(key)); }
    // The kind of an action: "move", "press", "release" or a number.
    void Kind(const char* key, std::uint8_t& out);

    void Fail(const std::string& key_path, const std::string& what);
    // Takes the error of a nested reader, which carries its own path.
    void Adopt(const std::string& error) {
        if (ok()) {
            *error_ = error;
        }
    }
    // Reports unknown fields; returns ok().
    bool Finish();

private:
    const QJsonValue* Find(const char* key);
    std::optional<double> Number(const char* key, double min, double max);
    std::optional<double> Element(const QJsonArray& array, const char* key, std::size_t index,
                                  double min, double max);
    void CheckColor(const QJsonValue& value, const std::string& path, std::uint32_t& out);
    std::optional<double> CheckNumber(const QJsonValue& value, const std::string& path, double min,
                                      double max);

    QJsonObject object_;
    std::string path_;
    std::string* error_;
    QSet<QString> used_;
    QJsonValue found_;
};

}  // namespace talvik::tools
